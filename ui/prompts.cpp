#include "ui/prompts.h"

#include <filesystem>
#include <system_error>

#include "os/file.h"
#include "os/paths.h"
#include "os/utf16.h"

namespace zandrel {

void Prompts::Show(const Outcome& outcome) {
    if (outcome.text.empty()) return;
    // A failure is told with the stop icon, as a file error is.
    const bool failed = !outcome.done && outcome.kind == RefusalKind::Failure;
    ShowMessage(outcome.text, failed ? MessageIcon::Stop : MessageIcon::None);
}

void Prompts::ReportFileError(const FileError& error) { ShowMessage(DescribeFileError(error), MessageIcon::Stop); }

void EnterFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    std::error_code ignored;
    // A folder that vanished since it was chosen leaves the current folder where it
    // was; the next folder dialog then opens there, which is all that depends on it.
    std::filesystem::current_path(PathFromUtf8(folder), ignored);
}

}  // namespace zandrel
