#include "os/create_folders.h"

#include <filesystem>
#include <system_error>

#include "os/file.h"
#include "os/outcome.h"
#include "os/utf16.h"

namespace zandrel {
namespace {

FileCause CauseOf(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::permission_denied || condition == std::errc::read_only_file_system) {
        return FileCause::AccessDenied;
    }
    if (condition == std::errc::no_space_on_device) return FileCause::DiskFull;
    if (condition == std::errc::file_exists || condition == std::errc::not_a_directory ||
        condition == std::errc::filename_too_long || condition == std::errc::no_such_file_or_directory) {
        return FileCause::BadPath;
    }
    return FileCause::Generic;
}

}  // namespace

std::optional<Refusal> OutputFolderRefusal(const std::string& folder) {
    switch (CheckFolder(folder)) {
        case FolderState::Folder: return std::nullopt;
        case FolderState::EmptyPath: return Refusal{RefusalKind::Rule, kNoOutputFolderText};
        case FolderState::TooLong:
            return Refusal{RefusalKind::Rule, FormatText(kFolderPathTooLongFormat, folder.c_str())};
        case FolderState::Missing:
        case FolderState::NotAFolder:
        case FolderState::Unreachable: break;
    }
    return Refusal{RefusalKind::Rule, FormatText(kNotAFolderFormat, folder.c_str())};
}

void CreateFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(path), error);
    // A file of that name in the way reports no error on some systems: it must be a folder now.
    if (!error && !IsExistingFolder(path)) error = std::make_error_code(std::errc::not_a_directory);
    if (error) throw FileError(CauseOf(error), error.value(), path);
}

}  // namespace zandrel
