#pragma once

// The file layer. Every failure is a FileError carrying a cause number (2 not found,
// 5 access denied, 11 sharing violation, ... as the program's messages name them), the
// OS error and the path.
//
// A source is held without sharing: while a File holds it, any other opening of the
// same file by this process (same device and inode, whatever the spelling of the
// path) is refused with a sharing violation. A source must be an ordinary file: a
// folder, a pipe or a device is refused at once, never waited on.
//
// An output that is an ordinary file (or a new one) is written to a temporary file
// beside it and given its name only when complete, so a failure never leaves a
// half-written file under the chosen name and never damages the file that was there.
// The temporary has no name at all where the system allows (a killed process leaves
// nothing behind); elsewhere it has a hidden one, ".zandrel-…", and a process's first
// output into a folder removes those there whose process is gone. A replaced file's
// content is on disk before the name moves, and the new file keeps the old one's owner,
// group and permission bits, less set-user-id and set-group-id. Only the name written
// to is replaced: other hard links keep the old content. A symbolic link stays a link
// and the file it points to (at the end of a chain, created if missing) is replaced.
// A device or a pipe is written straight into and never renamed over (a socket cannot
// be opened and is refused).

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "os/paths.h"

namespace zandrel {

namespace file_common {
struct ReplacedFile;
struct FolderIdentity;
}  // namespace file_common

// What the system hands out for an open file: a descriptor, or on Windows a HANDLE
// (which is pointer-sized, and whose invalid value is -1 too).
#ifdef _WIN32
using NativeFile = std::intptr_t;
#else
using NativeFile = int;
#endif
inline constexpr NativeFile kNoFile = -1;

enum class FileCause : int {
    None = 0,
    Generic = 1,
    FileNotFound = 2,
    BadPath = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidFile = 6,
    RemoveCurrentDir = 7,
    DirectoryFull = 8,
    BadSeek = 9,
    HardIO = 10,
    SharingViolation = 11,
    LockViolation = 12,
    DiskFull = 13,
    EndOfFile = 14,
    // Beyond the numbering above: a folder, a pipe, a device or a socket where an
    // ordinary file was wanted.
    NotRegularFile = 15,
    // A symbolic link that another user put in a folder anyone may write to (such as
    // /tmp): an output refuses to follow it, lest it replace a file the link chose.
    UntrustedLink = 16,
};

class FileError : public std::runtime_error {
public:
    FileError(FileCause cause, int osError, std::string path);

    FileCause Cause() const { return m_cause; }
    int OsError() const { return m_nOsError; }
    const std::string& Path() const { return m_strPath; }

private:
    FileCause m_cause;
    int m_nOsError;
    std::string m_strPath;
};

// The sentence that reports a file error to the user: the file and the cause.
std::string DescribeFileError(const FileError& error);

class File {
public:
    // Opens an existing file for reading and holds it without sharing.
    static File OpenRead(const std::string& path);

    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool IsOpen() const { return m_hFile != kNoFile; }
    const std::string& Path() const { return m_strPath; }
    std::uint64_t Length() const { return m_nLength; }

    // Fills all of `out` from `offset`; a file that ends first is an end-of-file error.
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    std::vector<std::uint8_t> ReadAt(std::uint64_t offset, std::size_t count) const;
    std::vector<std::uint8_t> ReadAll() const;

    // Whether the file is no longer what was opened: its size or its modification or
    // status-change time differs, or its path now names another file or none. Asked
    // after the reads, it tells whether they may have seen a file being rewritten. On
    // Windows the file is held without sharing, and only its size and modification
    // time are compared.
    bool ChangedSinceOpen() const;

    // Closing a file that is not open does nothing.
    void Close();

private:
    NativeFile m_hFile = kNoFile;
    std::string m_strPath;
    std::uint64_t m_nLength = 0;
    // When the file was last written, as it was at the opening: nanoseconds since 1970
    // on POSIX, 100-nanosecond steps since 1601 on Windows.
    std::int64_t m_nModified = 0;
    // The rest is for POSIX alone and stays empty on Windows, where the system holds the
    // file itself and no one can rename or replace it meanwhile. What the file is held by:
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
    // The status-change time (owner, bits, links, content), as it was at the opening.
    std::int64_t m_nStatusChanged = 0;
    // The path made whole at the opening: the current folder may move meanwhile (every
    // confirmed file dialog moves it), and the path must still name the same place.
    std::string m_strWhole;
};

class OutputFile {
public:
    // Starts a new file for `path`; refused while a File holds the file at that path,
    // and (on POSIX) when reaching it would follow a link that another user put in a
    // sticky folder anyone may write to, whatever the system's own protection of them.
    static OutputFile Create(const std::string& path);

    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Without Commit the temporary file is removed and the destination stays as it was.
    ~OutputFile();

    const std::string& Path() const { return m_strPath; }
    void Write(std::span<const std::uint8_t> bytes);
    // Puts the written bytes in place under the destination's name.
    void Commit();

private:
    friend class OutputBatch;

    enum class Kind {
        Stream,   // a device or a pipe, written straight into
        Unnamed,  // a temporary without a name, linked in when complete
        Named,    // a temporary under a hidden name, renamed when complete
    };

    // `replaced`: what the new file keeps of the one it replaces; null for a new file.
    // `folder`: the destination's folder, when the opening has looked at it already.
    void StartTemporary(const file_common::ReplacedFile* replaced, const file_common::FolderIdentity* folder = nullptr);
    // Commit's two steps: a replaced file's new content to disk, then the name moved.
    void FlushReplacement();
    void PutInPlace();
    void NameUnnamed();
    void Discard() noexcept;

    Kind m_kind = Kind::Named;
    NativeFile m_hFile = kNoFile;
    bool m_bReplaces = false;  // an existing file is replaced
    std::string m_strPath;     // as the caller named it, for messages
    std::string m_strTarget;   // the name that receives the file (a link's target)
    std::string m_strTemp;     // the hidden temporary name, while there is one
};

// Writes a whole file in one go.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Many outputs put in place together, with one flush for a group of them instead of
// one a file. A complete output waits in the batch under no name of its own; when the
// group is full, or at Commit, the replaced files' new content goes to disk in one
// flush of each file system concerned and then every name moves. A failure before the
// names move (the flush) leaves every destination of the group as it was and removes
// the group's temporaries; whatever waits in the batch when it is destroyed without
// Commit is dropped the same way. Groups are small so that their open files stay far
// below the system's limit.
class OutputBatch {
public:
    static constexpr std::size_t kDefaultGroupFiles = 64;

    explicit OutputBatch(std::size_t groupFiles = kDefaultGroupFiles);
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;
    ~OutputBatch();

    // Takes a complete output; the group is committed when this one fills it.
    void Add(OutputFile&& out);
    // A whole file at `path`, through the batch.
    void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);
    // Puts every waiting output in place.
    void Commit();

    std::size_t Waiting() const { return m_waiting.size(); }

private:
    std::size_t m_nGroupFiles;
    std::vector<OutputFile> m_waiting;
};

// What a path names, as a place to write files into.
enum class FolderState {
    Folder,
    EmptyPath,
    TooLong,      // the path, or a name in it, is longer than the system takes
    Missing,      // nothing there, or a folder on the way is missing
    NotAFolder,   // a file, a device, anything else that is there
    Unreachable,  // cannot be looked at: no permission, a loop of links, a failing disk
};

FolderState CheckFolder(const std::string& path);
bool IsExistingFolder(const std::string& path);

// Outputs start as unnamed temporaries where the system offers them; turned off, they
// start under a hidden name as on systems without them. For tests of both ways.
void UseUnnamedTemporaries(bool use);

}  // namespace zandrel
