#pragma once

// Which file a path names, whatever its spelling: "a.bmp", "./a.bmp", a symbolic link
// to it and a second hard link all name the same file.

#include <cstdint>
#include <optional>
#include <string>

namespace zandrel {

// The device and inode; on Windows the volume's serial number and the file's index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The file that `path` names, links followed; nothing when there is none (or it
// cannot be looked at, in which case no other path can be found to name it either).
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The file the standard output writes to, when it is one (not a console).
std::optional<FileIdentity> IdentityOfStandardOutput();

}  // namespace zandrel
