#include "folders/folder_dlg.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <filesystem>
#include <system_error>

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
    EndDialog(Accepted);
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
