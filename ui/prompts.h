#pragma once

// The prompts seam: every modal question and message of every tool goes through one
// Prompts. The desktop program installs the Qt one; tests install a scripted one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/outcome.h"

namespace zandrel {

class FileError;

class Prompts {
public:
    virtual ~Prompts() = default;

    // File questions take filters in the program's "desc|*.ext||" form and answer with
    // the chosen path exactly as chosen, or nothing when cancelled. A confirmed choice
    // leaves the process's current folder at the chosen file's folder.
    virtual std::optional<std::string> OpenFile(std::string_view filter) = 0;
    virtual std::vector<std::string> OpenFiles(std::string_view filter) = 0;
    // Asks before replacing an existing file.
    virtual std::optional<std::string> SaveFile(std::string_view filter, std::string_view initialName) = 0;
    // The same, for a save whose file type follows the filter entry the user picked:
    // the answer says which one, counted from 0.
    struct SaveChoice {
        std::string path;
        std::size_t filterIndex = 0;
    };
    virtual std::optional<SaveChoice> SaveFileOfType(std::string_view filter, std::string_view initialName) = 0;
    // The output folder of an export; opens at the current folder.
    virtual std::optional<std::string> ChooseOutputFolder() = 0;

    // A message box with the program's name as caption and an OK button.
    virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
    // A question with Yes and No buttons, Yes the default; true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;

    // An operation's text, when it has one.
    void Show(const Outcome& outcome);
    // The standard error box: stop icon, the file and the cause.
    void ReportFileError(const FileError& error);
};

// Makes the folder of `path` the process's current folder, as a confirmed file dialog
// does.
void EnterFolderOf(const std::string& path);

}  // namespace zandrel
