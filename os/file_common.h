#pragma once

// Between file.cpp and the system's half of the file layer (file_posix.cpp,
// file_win32.cpp); the layer's users see only file.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace zandrel::file_common {

// What an OS error tells beyond its cause, for the sentence that reports it: a folder
// where a file was wanted is refused as "access denied" or as no ordinary file, and a
// path too long as a bad path, but the user is told which.
enum class OsErrorMeaning { Other, IsFolder, PathTooLong, NoReader };

// By the system's own numbering of errors; each half says what its numbers mean.
OsErrorMeaning MeaningOfOsError(int osError);

// An empty path names nothing; the system would report it as a missing file, or open
// the current folder's temporaries.
void RefuseEmptyPath(const std::string& path);

// Named temporaries, where there are no unnamed ones: ".zandrel-<host>-<pid>-<start>-<n>"
// beside the destination, <host> a hash of what tells this machine's processes apart,
// <start> when the process started as the system counts (0 when it does not say), <n>
// a counter of the process's own. A process killed while writing leaves its temporary
// behind; the name tells a later process whether its maker is gone. Older versions
// named them ".zandrel-<pid>-<n>".

inline constexpr std::string_view kTemporaryPrefix = ".zandrel-";

// A fresh name, without a folder: no two outputs of this process share one.
std::string NextTemporaryName();

// Whether `name` (without its folder) is a temporary left behind by a process of this
// machine that no longer runs. Only a process that provably is gone counts: its pid
// exists no more, or is another process's, started at another time.
bool IsLeftBehind(std::string_view name);

// Whether `folder` (one spelling for each folder: its whole path, or its identity in
// words) is written into for the first time by this process, as far as it remembers
// (the last few dozen folders), and so has yet to be rid of leftovers.
bool FirstWriteInto(const std::string& folder);

// A folder as the system tells folders apart (device and inode on POSIX), where the
// opening of an output has looked at it already.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// What an output keeps of the file it replaces, each half filling in its own: the
// permission bits, owner and group on POSIX, the attributes on Windows.
struct ReplacedFile {
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t attributes = 0;
};

// Supplied by each half.
struct ProcessLook {
    bool gone = false;        // the system says there is no such process
    std::uint64_t start = 0;  // when it started; 0 when that cannot be seen
};
ProcessLook LookAtProcess(std::uint64_t pid);
std::uint64_t ThisProcessId();
// What tells this machine's processes apart from those of another that shares the
// folder: its name, and where processes are counted apart (containers), which count.
std::string MachineName();

}  // namespace zandrel::file_common
