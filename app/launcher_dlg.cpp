#include "app/launcher_dlg.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "maker/spr_make_dlg.h"
#include "palette/pal_convert_dlg.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "res/strings.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"
#include "viewer/batch_dlg.h"
#include "viewer/spr_view_dlg.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace zandrel {

CLauncherDlg::CLauncherDlg(Prompts& prompts, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddLauncher), prompts, parent), m_hIcon(ZandrelIcon()) {
    OnClicked(kIdcAbout, &CLauncherDlg::OnAbout);
    OnClicked(kIdcSprToImages, &CLauncherDlg::OnSprToImages);
    OnClicked(kIdcImagesToSpr, &CLauncherDlg::OnImagesToSpr);
    OnClicked(kIdcPalConvert, &CLauncherDlg::OnPalConvert);
    setAcceptDrops(true);
}

bool CLauncherDlg::OnInitDialog() {
#ifdef Q_OS_WIN
    if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
        const std::wstring text = ToQString(kAboutMenuText).toStdWString();
        if (!text.empty()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, kIdmAboutBox, text.c_str());
        }
    }
#endif
    setWindowIcon(m_hIcon);
    return true;
}

bool CLauncherDlg::OnSysCommand(unsigned id) {
    if ((id & kSysCommandMask) != kIdmAboutBox) return false;
    OnAbout();
    return true;
}

void CLauncherDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Where there is no system menu to carry it, the About entry is here, and it is
    // here on every platform alike.
    QMenu menu(this);
    const QAction* about = menu.addAction(ToQString(kAboutMenuText));
    if (menu.exec(event->globalPos()) == about) Guard([this] { OnSysCommand(kIdmAboutBox); });
}

#ifdef Q_OS_WIN
bool CLauncherDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND) {
        bool handled = false;
        Guard([&] { handled = OnSysCommand(static_cast<unsigned>(msg->wParam)); });
        if (handled) {
            *result = 0;
            return true;
        }
    }
    return TemplateDialog::nativeEvent(eventType, message, result);
}
#endif

void CLauncherDlg::OnAbout() {
    CAboutDlg about(ThePrompts(), this);
    about.DoModal();
}

void CLauncherDlg::OnSprToImages() {
    const std::optional<std::string> path = ThePrompts().OpenFile(kSprOpenFilter);
    if (path) OpenViewer(*path);
}

bool RunViewer(Prompts& prompts, const std::string& path, QWidget* parent) {
    CSprViewDlg viewer(prompts, path, parent);
    viewer.SetSpriteEditor([&prompts](const std::string& sprite, QWidget* over) {
        CSprMakeDlg maker(prompts, over);
        maker.InitDialog();  // which starts with an empty list
        // Whole, so that the file questions, which move the current folder, leave it found.
        maker.AddSources({ToStdString(QDir::toNativeSeparators(QFileInfo(ToQString(sprite)).absoluteFilePath()))});
        maker.DoModal();
    });
    // A sprite that cannot be opened is told, and leaves no empty viewer behind.
    if (!viewer.InitDialog()) return false;
    viewer.DoModal();
    return true;
}

void CLauncherDlg::OpenViewer(const std::string& path) { RunViewer(ThePrompts(), path); }

void CLauncherDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedSprPath(*event->mimeData()) || DroppedFolderPath(*event->mimeData())) event->acceptProposedAction();
}

void CLauncherDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedSprPath(*event->mimeData()) || DroppedFolderPath(*event->mimeData())) event->acceptProposedAction();
}

void CLauncherDlg::OpenBatch(const std::string& folder) {
    CBatchDlg batch(ThePrompts(), folder, this);
    batch.exec();
}

void CLauncherDlg::dropEvent(QDropEvent* event) {
    if (const std::optional<std::string> folder = DroppedFolderPath(*event->mimeData())) {
        event->acceptProposedAction();
        // A folder of sprites goes to the batch export, after the drop has returned.
        QTimer::singleShot(0, this, [this, folder = *folder] { Guard([&] { OpenBatch(folder); }); });
        return;
    }
    const std::optional<std::string> path = DroppedSprPath(*event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    // The viewer runs modally; not inside the drop, which the file manager waits on.
    QTimer::singleShot(0, this, [this, path = *path] { Guard([&] { OpenViewer(path); }); });
}

void CLauncherDlg::OnImagesToSpr() {
    CSprMakeDlg maker(ThePrompts());
    maker.DoModal();
}

void CLauncherDlg::OnPalConvert() {
    CPalConvertDlg converter(ThePrompts());
    converter.DoModal();
}

}  // namespace zandrel
