#include "folders/folder_dlg.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <filesystem>
#include <system_error>

#include "os/create_folders.h"
#include "os/file.h"
#include "os/utf16.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/qt_text.h"

namespace zandrel {

CFolderDlg::CFolderDlg(Prompts& prompts, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddFolder), prompts, parent) {
    if (auto* tree = DlgItem<QTreeWidget>(kIdcFolderTree)) {
        OnSignal(tree, &QTreeWidget::currentItemChanged, &CFolderDlg::OnTreeSelChanged);
    }
}

CFolderDlg::~CFolderDlg() = default;

bool CFolderDlg::OnInitDialog() {
    UpdateData(false);
    if (m_treeFolders.Tree() != nullptr || m_treeFolders.SubclassDlgItem(DlgItem<QTreeWidget>(kIdcFolderTree))) {
        m_treeFolders.InitTree();
        m_strOutputDir = CurrentFolder();
        // On success the selection puts the tree's spelling of the path in the field;
        // otherwise the field keeps the current folder as the system gave it.
        m_treeFolders.SelectPath(m_strOutputDir);
    }
    UpdateData(false);
    return true;
}

void CFolderDlg::OnOK() {
    UpdateData(true);
    // A path that will not take the files keeps the dialog open, the path ready to mend.
    if (CheckFolder(m_strOutputDir) == FolderState::Missing) {
        if (!ThePrompts().AskYesNo(FormatText(kCreateFolderFormat, m_strOutputDir.c_str()))) return SelectPathField();
        try {
            CreateFolders(m_strOutputDir);
        } catch (const FileError& error) {
            ThePrompts().ReportFileError(error);
            return SelectPathField();
        }
    }
    if (const std::optional<Refusal> refusal = OutputFolderRefusal(m_strOutputDir)) {
        ThePrompts().ShowMessage(refusal->text, MessageIcon::None);
        return SelectPathField();
    }
    EndDialog(Accepted);
}

void CFolderDlg::SelectPathField() {
    auto* field = DlgItem<QLineEdit>(kIdcOutputDir);
    field->setFocus();
    field->selectAll();
}

void CFolderDlg::OnTreeSelChanged() {
    m_strOutputDir = m_treeFolders.PathFromItem(m_treeFolders.Tree()->currentItem());
    UpdateData(false);
}

void CFolderDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strOutputDir = ToStdString(DlgItem<QLineEdit>(kIdcOutputDir)->text());
    } else {
        SetDlgItemText(kIdcOutputDir, m_strOutputDir);
    }
}

std::optional<std::string> RunFolderDlg(Prompts& prompts, QWidget* parent) {
    CFolderDlg dialog(prompts, parent);
    if (dialog.DoModal() != QDialog::Accepted) return std::nullopt;
    return dialog.OutputDir();
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : Utf8FromPath(folder);
}

}  // namespace zandrel
