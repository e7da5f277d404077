#pragma once

// The output folder dialog: an edit field with a folder path above the folder tree.
// It opens at the process's current folder; selecting a folder in the tree puts its
// path in the field, and OK hands back whatever the field holds, exactly as typed.

#include <optional>
#include <string>

#include "folders/folder_tree_ctrl.h"
#include "ui/template_dialog.h"

namespace zandrel {

class CFolderDlg final : public TemplateDialog {
public:
    explicit CFolderDlg(Prompts& prompts, QWidget* parent = nullptr);
    ~CFolderDlg() override;

    // The chosen folder; read it after the dialog ended with Accepted.
    const std::string& OutputDir() const { return m_strOutputDir; }
    CFolderTreeCtrl& FolderTree() { return m_treeFolders; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void OnTreeSelChanged();
    // To the edit field (false) or from it (true).
    void UpdateData(bool saveAndValidate);
    // Focuses the path field with its text selected, for the user to mend it.
    void SelectPathField();

    std::string m_strOutputDir;
    CFolderTreeCtrl m_treeFolders;
};

// Runs the dialog; the folder on OK, nothing on Cancel.
std::optional<std::string> RunFolderDlg(Prompts& prompts, QWidget* parent);

// The process's current folder, or empty when it cannot be read (it was removed).
std::string CurrentFolder();

}  // namespace zandrel
