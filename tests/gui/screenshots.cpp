// The pictures in docs/: every dialog that the README shows, rendered offscreen under
// a title bar drawn by the style, as a window manager would frame it.
//
// Usage: zandrel-screenshots FOLDER   (make screenshots writes docs/)

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/launcher_dlg.h"
#include "folders/folder_dlg.h"
#include "maker/spr_make_dlg.h"
#include "palette/pal_convert_dlg.h"
#include "res/resource_ids.h"
#include "res/version.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/batch_dlg.h"
#include "viewer/palette_panel.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

QImage Framed(QWidget& dialog) {
    const QImage client = Grab(dialog);
    QStyleOptionTitleBar bar;
    bar.initFrom(&dialog);
    bar.text = dialog.windowTitle();
    bar.icon = dialog.windowIcon();
    bar.titleBarFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    bar.titleBarState = Qt::WindowActive;
    bar.state |= QStyle::State_Active;
    bar.subControls = QStyle::SC_TitleBarLabel | QStyle::SC_TitleBarSysMenu | QStyle::SC_TitleBarCloseButton;
    const int barHeight = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, &dialog);
    bar.rect = QRect(0, 0, client.width(), barHeight);
    QImage framed(client.width(), client.height() + barHeight, QImage::Format_RGB32);
    framed.fill(dialog.palette().color(QPalette::Window));
    QPainter painter(&framed);
    dialog.style()->drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, &dialog);
    painter.drawImage(0, barHeight, client);
    return framed;
}

class Screenshots {
public:
    explicit Screenshots(std::string folder) : m_strFolder(std::move(folder)) {}

    void Save(QWidget& dialog, const std::string& name) {
        dialog.show();
        Settle();
        const std::string path = m_strFolder + "/" + name + ".png";
        if (Framed(dialog).save(QString::fromStdString(path))) {
            std::printf("%s\n", path.c_str());
        } else {
            std::fprintf(stderr, "zandrel-screenshots: cannot write %s\n", path.c_str());
            m_bFailed = true;
        }
        dialog.hide();
    }
    bool Failed() const { return m_bFailed; }

private:
    std::string m_strFolder;
    bool m_bFailed = false;
};

// A folder of the tool's own at a fixed place, so that the paths the dialogs show are
// the same on every machine and every run: sprites/ with the samples, frames/ empty.
class Stage {
public:
    Stage() : m_root(std::filesystem::temp_directory_path() / "zandrel-screenshots") {
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root / "sprites");
        std::filesystem::create_directories(m_root / "frames");
        for (const char* sample : {"slime", "orb", "tiles"}) {
            const std::string name = std::string(sample) + ".spr";
            std::filesystem::copy_file(std::filesystem::path(ZANDREL_SAMPLES_DIR) / name, m_root / "sprites" / name);
        }
    }
    ~Stage() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    std::string Path(const std::string& name) const { return (m_root / name).string(); }

private:
    std::filesystem::path m_root;
};

void TakeAll(Screenshots& shots) {
    const Stage stage;
    ScriptedPrompts prompts;
    CLauncherDlg launcher(prompts);
    launcher.InitDialog();
    shots.Save(launcher, "launcher");

    CAboutDlg about(prompts);
    about.InitDialog();
    shots.Save(about, "about");

    const std::string slime = stage.Path("sprites/slime.spr");
    {
        CSprViewDlg viewer(prompts, slime);
        viewer.InitDialog();
        shots.Save(viewer, "viewer");
    }
    {
        // At 4x with the checkerboard behind the transparent pixels.
        CSprViewDlg viewer(prompts, slime);
        viewer.InitDialog();
        viewer.show();
        for (int step = 0; step < 3; ++step) PressKey(viewer, Qt::Key_Equal, Qt::ControlModifier);
        PressKey(viewer, Qt::Key_T);
        shots.Save(viewer, "viewer-zoom");
    }
    {
        // Grown, at 10x and panned, with the palette beside the preview, the pixels of the
        // index under the mouse outlined, and the previous frame beneath the second.
        CSprViewDlg viewer(prompts, slime);
        viewer.InitDialog();
        viewer.show();
        viewer.resize(viewer.width() + 100, viewer.height() + 60);
        viewer.DlgItem<QListWidget>(kIdcFrameList)->setCurrentRow(1);
        for (int step = 0; step < 9; ++step) PressKey(viewer, Qt::Key_Equal, Qt::ControlModifier);
        PressKey(viewer, Qt::Key_T);
        PressKey(viewer, Qt::Key_O);
        PressKey(viewer, Qt::Key_P);
        Settle();
        QWidget& preview = *viewer.GetDlgItem(kIdcPreview);
        Drag(preview, QPoint(100, 100), QPoint(90, 70));
        const QPoint at(preview.width() / 2 + 40, preview.height() / 2 - 10);
        MoveMouse(preview, at);
        // The index the status names under the mouse.
        const QRegularExpressionMatch index =
            QRegularExpression("索引 (\\d+)").match(QString::fromStdString(viewer.StatusText()));
        if (index.hasMatch() && viewer.ShownPalette() != nullptr) {
            ClickAt(viewer.ShownPalette()->Grid(), CPaletteGrid::SwatchRect(index.captured(1).toInt()).center());
        }
        MoveMouse(preview, at);
        shots.Save(viewer, "viewer-canvas");
    }

    // The maker with the slime's pictures, the third one previewed.
    std::vector<std::string> pictures;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "slime00" + std::to_string(i) + ".bmp";
        pictures.push_back(stage.Path("frames/" + name));
        WriteBytes(pictures.back(), ReadBytes(std::string(ZANDREL_SAMPLE_PICTURES_DIR) + "/" + name));
    }
    CSprMakeDlg maker(prompts);
    maker.InitDialog();
    maker.AddSources(pictures);
    maker.DlgItem<QListWidget>(kIdcImageList)->setCurrentRow(2);
    shots.Save(maker, "maker");

    // The folder dialog as it opens beside the sprites.
    const KeepCurrentFolder keep;
    std::filesystem::current_path(stage.Path("sprites"));
    CFolderDlg folders(prompts);
    folders.InitDialog();
    shots.Save(folders, "folders");

    // The converter as a user sees it after Browse: the source line filled, Convert enabled.
    CPalConvertDlg converter(prompts);
    converter.InitDialog();
    prompts.Answer("/home/modder/palettes/hero.pal");
    converter.findChild<QAbstractButton*>(QString::number(kIdcBrowse))->click();
    shots.Save(converter, "palconvert");

    // The batch export of the sprites folder as PNG, finished.
    CBatchDlg batch(prompts, stage.Path("sprites"));
    batch.SetOutputFolder(stage.Path("png"));
    batch.SetFormat(BatchFormat::Png);
    batch.Start();
    batch.WaitForEnd();
    shots.Save(batch, "batch");
}

}  // namespace
}  // namespace zandrel::test

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: zandrel-screenshots FOLDER\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(zandrel::kProductName);
    QApplication::setWindowIcon(zandrel::ZandrelIcon());
    // Whole before anything moves the current folder (the folder dialog's picture does).
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
    std::filesystem::create_directories(folder);
    zandrel::test::Screenshots shots(folder.string());
    zandrel::test::TakeAll(shots);
    return shots.Failed() ? 1 : 0;
}
