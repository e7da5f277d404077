#pragma once

// The prompts of the desktop program: Qt's file dialogs and message boxes, owned by the
// window that is active when they are asked.

#include <functional>
#include <optional>
#include <string>

#include "ui/prompts.h"

namespace zandrel {

class QtPrompts final : public Prompts {
public:
    using FolderChooser = std::function<std::optional<std::string>()>;

    // The output folder dialog belongs to a tool above this layer, which installs it.
    // Until then Qt's own folder chooser is asked.
    void SetFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }

    std::optional<std::string> OpenFile(std::string_view filter) override;
    std::vector<std::string> OpenFiles(std::string_view filter) override;
    std::optional<std::string> SaveFile(std::string_view filter, std::string_view initialName) override;
    std::optional<SaveChoice> SaveFileOfType(std::string_view filter, std::string_view initialName) override;
    std::optional<std::string> ChooseOutputFolder() override;
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    bool AskYesNo(std::string_view text) override;

private:
    FolderChooser m_folderChooser;
};

}  // namespace zandrel
