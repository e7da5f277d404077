#include "ui/qt_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "ui/filter.h"
#include "ui/qt_text.h"

namespace zandrel {
namespace {

// Modal questions belong to the window that asked them.
QWidget* Owner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// The program's filters show their descriptions as written; the appended patterns are
// Qt's business only.
constexpr QFileDialog::Options kFileDialogOptions = QFileDialog::HideNameFilterDetails;

// Room on a title bar beside its caption for the icon and the buttons.
constexpr int kTitleBarExtras = 120;

// A message box is at least as wide as its caption needs on its title bar: a short
// message would otherwise cut "Zandrel" to "Za...".
void WidenForCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// Where a file dialog opens: the process's current folder, which follows the last file
// chosen, never the folder Qt remembers from its own last dialog; a save dialog's name
// is put there unless it carries a folder of its own.
QString StartOf(std::string_view initialName = {}) {
    if (initialName.empty()) return QDir::currentPath();
    return QDir::current().filePath(ToQString(initialName));
}

std::string Chosen(const QString& path) {
    std::string chosen = ToStdString(QDir::toNativeSeparators(path));
    EnterFolderOf(chosen);
    return chosen;
}

}  // namespace

std::optional<std::string> QtPrompts::OpenFile(std::string_view filter) {
    const QString path = QFileDialog::getOpenFileName(Owner(), {}, StartOf(), ToQString(ToQtNameFilters(filter)),
                                                      nullptr, kFileDialogOptions);
    if (path.isEmpty()) return std::nullopt;
    return Chosen(path);
}

std::vector<std::string> QtPrompts::OpenFiles(std::string_view filter) {
    const QStringList paths = QFileDialog::getOpenFileNames(Owner(), {}, StartOf(), ToQString(ToQtNameFilters(filter)),
                                                            nullptr, kFileDialogOptions);
    std::vector<std::string> chosen;
    for (const QString& path : paths) chosen.push_back(Chosen(path));
    return chosen;
}

std::optional<std::string> QtPrompts::SaveFile(std::string_view filter, std::string_view initialName) {
    const QString path = QFileDialog::getSaveFileName(Owner(), {}, StartOf(initialName),
                                                      ToQString(ToQtNameFilters(filter)), nullptr, kFileDialogOptions);
    if (path.isEmpty()) return std::nullopt;
    return Chosen(path);
}

std::optional<Prompts::SaveChoice> QtPrompts::SaveFileOfType(std::string_view filter, std::string_view initialName) {
    const QString filters = ToQString(ToQtNameFilters(filter));
    QString selected;
    const QString path =
        QFileDialog::getSaveFileName(Owner(), {}, StartOf(initialName), filters, &selected, kFileDialogOptions);
    if (path.isEmpty()) return std::nullopt;
    return SaveChoice{Chosen(path), ChosenFilterIndex(filter, ToStdString(selected))};
}

std::optional<std::string> QtPrompts::ChooseOutputFolder() {
    if (m_folderChooser) return m_folderChooser();
    const QString folder = QFileDialog::getExistingDirectory(Owner(), {}, QDir::currentPath());
    if (folder.isEmpty()) return std::nullopt;
    return ToStdString(QDir::toNativeSeparators(folder));
}

void QtPrompts::ShowMessage(std::string_view text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QApplication::applicationName(), ToQString(text), QMessageBox::Ok, Owner());
    box.setTextFormat(Qt::PlainText);
    WidenForCaption(box);
    box.exec();
}

bool QtPrompts::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, Owner());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    WidenForCaption(box);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace zandrel
