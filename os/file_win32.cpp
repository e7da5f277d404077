#include <windows.h>

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "os/file.h"
#include "os/file_common.h"
#include "os/utf16.h"
#include "os/win32_path.h"

// On Windows the system itself keeps a source from being shared: it is opened with no
// sharing at all, so that no other handle (of this process or another) can open it
// while it is held. An output is written to a temporary file beside the destination
// and moved over it by ReplaceFileW, which keeps the replaced file's attributes and
// security, as the POSIX half keeps owner and permission bits.

namespace zandrel {
namespace {

// Not in every SDK's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;
// "Not supported on a directory": what a folder where a file was wanted is reported
// with, where the system itself says only "access denied".
constexpr DWORD kErrorDirectoryNotSupported = 336;

FileCause CauseOfError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND: return FileCause::FileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY: return FileCause::BadPath;
        case ERROR_TOO_MANY_OPEN_FILES: return FileCause::TooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD: return FileCause::AccessDenied;
        case ERROR_INVALID_HANDLE: return FileCause::InvalidFile;
        case ERROR_CURRENT_DIRECTORY: return FileCause::RemoveCurrentDir;
        case ERROR_CANNOT_MAKE: return FileCause::DirectoryFull;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK: return FileCause::BadSeek;
        case ERROR_NOT_READY:
        case ERROR_CRC:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE: return FileCause::HardIO;
        case ERROR_SHARING_VIOLATION:
        case ERROR_SHARING_BUFFER_EXCEEDED:
        // A replace whose destination could not be taken away: another program has it open.
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT: return FileCause::SharingViolation;
        case ERROR_LOCK_VIOLATION:
        case ERROR_LOCK_FAILED:
        case ERROR_DRIVE_LOCKED: return FileCause::LockViolation;
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL:
        case kErrorDiskQuotaExceeded:
        case ERROR_FILE_TOO_LARGE: return FileCause::DiskFull;
        case ERROR_HANDLE_EOF: return FileCause::EndOfFile;
        default: return FileCause::Generic;
    }
}

// The longest name Windows file systems take, and the longest path even in the
// extended form, in UTF-16 units.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kLongestPath = 32767;

bool IsTooLong(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.size() > kLongestPath) return true;
    std::size_t name = 0;
    for (const wchar_t c : wide) {
        name = (c == L'\\' || c == L'/') ? 0 : name + 1;
        if (name > kLongestName) return true;
    }
    return false;
}

// The errors by which the system says that a path names nothing it can find.
bool IsNameError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_PATHNAME || error == ERROR_FILENAME_EXCED_RANGE;
}

[[noreturn]] void ThrowError(DWORD error, const std::string& path) {
    // A name too long is reported as one not found or invalid, depending on the file
    // system and the form of the path: said as what it is.
    if (IsNameError(error) && IsTooLong(path)) error = ERROR_FILENAME_EXCED_RANGE;
    throw FileError(CauseOfError(error), static_cast<int>(error), path);
}

[[noreturn]] void ThrowLastError(const std::string& path) { ThrowError(::GetLastError(), path); }

HANDLE HandleOf(NativeFile file) { return reinterpret_cast<HANDLE>(file); }
NativeFile NativeOf(HANDLE handle) { return reinterpret_cast<NativeFile>(handle); }

// The ordinary Win32 calls take paths up to MAX_PATH characters; a folder must leave
// room for a file name of 8.3 characters within it.
constexpr std::size_t kOrdinaryPathLimit = MAX_PATH - 12;
constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kUncPrefix = L"\\\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

// The path completed from the current folder, as the system completes it; the path
// as it was when it cannot be.
std::wstring FullPathOf(const std::wstring& wide) {
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;  // the call that uses it will say what is wrong
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return wide;
    full.resize(length);
    return full;
}

}  // namespace

std::wstring Win32Path(const std::string& path, PathForm form) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.starts_with(kExtendedPrefix) || wide.starts_with(kDevicePrefix)) return wide;
    // A short relative path may name a long one in a deep current folder: the length
    // that counts is the completed path's.
    const std::wstring full = FullPathOf(wide);
    if (full.size() < kOrdinaryPathLimit) return form == PathForm::Whole ? full : wide;
    // The extended form is taken as it stands: it must be whole, with "\" only and no
    // "." or "..", which the completion sees to.
    if (full.starts_with(kExtendedPrefix)) return full;
    if (full.starts_with(kUncPrefix)) return std::wstring(kExtendedUncPrefix) + full.substr(kUncPrefix.size());
    return std::wstring(kExtendedPrefix) + full;
}

namespace {

// The temporary's name is this process's and a counter of its own, in the
// destination's folder; created exclusively, it is never anything else's file.
constexpr int kTemporaryNameAttempts = 100;

// The destination's path without its name, to which a temporary's name is joined,
// whatever the folder is written as ("" for the current folder, "C:" for a drive's).
std::string FolderPartOf(const std::string& target) {
    return target.substr(0, target.size() - FileNameOf(target).size());
}

// Removes what processes that are gone left in the folder (`folder` as FolderPartOf
// gives it), the first time this process writes there. Only files go: a link or a
// folder under such a name is not ours. A live process's temporary could not go
// anyway: it is open without sharing. Whatever fails is left as it is, for cleaning
// never fails an output.
void RemoveLeftBehindTemporaries(const std::string& folder) {
    constexpr std::string_view kAnyName = "*";
    constexpr std::string_view kItself = ".";
    if (!file_common::FirstWriteInto(Utf8FromWide(Win32Path(folder + std::string(kItself), PathForm::Whole)))) {
        return;
    }
    const std::string pattern = folder + std::string(file_common::kTemporaryPrefix) + std::string(kAnyName);
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Win32Path(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> leftovers;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        std::string name = Utf8FromWide(found.cFileName);
        if (file_common::IsLeftBehind(name)) leftovers.push_back(std::move(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    for (const std::string& name : leftovers) ::DeleteFileW(Win32Path(folder + name).c_str());
}

// The file at the end of a chain of symbolic links, as a path: the one an output
// replaces, so that the links stay links. `probe` is an open handle to it.
std::string FinalPathOf(HANDLE probe, const std::string& path) {
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(probe, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
        if (length == 0) return path;  // the link's own name then: it is replaced like a file
        if (length < final.size()) {
            final.resize(length);
            return Utf8FromWide(final);
        }
        final.resize(length);
    }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

// In 100-nanosecond steps since 1601, as the system counts.
std::int64_t TimeOf(const FILETIME& time) {
    return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (IsOpen()) ::CloseHandle(m_handle);
    }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// The replaced file's hidden, system and archive bits go to the new file. ReplaceFileW
// carries them over too, but not every implementation of it does.
void KeepAttributes(HANDLE temporary, DWORD replaced) {
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((replaced & kKept) == 0) return;
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are
    basic.FileAttributes = replaced & kKept;
    // Worth no failure of the output: the content is what matters.
    ::SetFileInformationByHandle(temporary, FileBasicInfo, &basic, sizeof basic);
}

}  // namespace

namespace file_common {

OsErrorMeaning MeaningOfOsError(int osError) {
    switch (static_cast<DWORD>(osError)) {
        case kErrorDirectoryNotSupported: return OsErrorMeaning::IsFolder;
        case ERROR_FILENAME_EXCED_RANGE: return OsErrorMeaning::PathTooLong;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA: return OsErrorMeaning::NoReader;
        default: return OsErrorMeaning::Other;
    }
}

ProcessLook LookAtProcess(std::uint64_t pid) {
    // 0 is the idle process, which OpenProcess refuses as if there were none.
    if (pid == 0 || pid > std::numeric_limits<DWORD>::max()) return {};
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    // Refused for want of rights, the process is there all the same.
    if (process == nullptr) return {.gone = ::GetLastError() == ERROR_INVALID_PARAMETER};
    ProcessLook look;
    DWORD code = 0;
    // Ended, and kept only while someone holds a handle to it.
    if (::GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) look.gone = true;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!look.gone && ::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        look.start = static_cast<std::uint64_t>(TimeOf(created));
    }
    ::CloseHandle(process);
    return look;
}

std::uint64_t ThisProcessId() { return ::GetCurrentProcessId(); }

std::string MachineName() {
    std::wstring name(MAX_COMPUTERNAME_LENGTH + 1, L'\0');
    DWORD length = static_cast<DWORD>(name.size());
    if (!::GetComputerNameW(name.data(), &length)) return {};
    name.resize(length);
    return Utf8FromWide(name);
}

}  // namespace file_common

File File::OpenRead(const std::string& path) {
    file_common::RefuseEmptyPath(path);
    File file;
    file.m_strPath = path;
    const std::wstring wide = Win32Path(path);
    // No sharing: nothing else may open the file while it is held, not even to read.
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A folder cannot be opened as a file at all, and says so as "access denied".
        if (error == ERROR_ACCESS_DENIED && IsExistingFolder(path)) {
            throw FileError(FileCause::NotRegularFile, kErrorDirectoryNotSupported, path);
        }
        ThrowError(error, path);
    }
    file.m_hFile = NativeOf(handle);
    // "NUL", "CON", a pipe: opened like files, but not files.
    if (::GetFileType(handle) != FILE_TYPE_DISK) throw FileError(FileCause::NotRegularFile, 0, path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) ThrowLastError(path);
    file.m_nLength = SizeOf(info);
    file.m_nModified = TimeOf(info.ftLastWriteTime);
    return file;
}

void File::Close() {
    if (m_hFile == kNoFile) return;
    ::CloseHandle(HandleOf(m_hFile));
    m_hFile = kNoFile;
}

void File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, ERROR_INVALID_HANDLE, m_strPath);
    std::size_t done = 0;
    while (done < out.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, std::size_t{1} << 30));
        const std::uint64_t at = offset + done;
        // The position goes with each read, as pread's does: no shared file pointer.
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!::ReadFile(HandleOf(m_hFile), out.data() + done, chunk, &got, &position)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) throw FileError(FileCause::EndOfFile, 0, m_strPath);
            ThrowError(error, m_strPath);
        }
        if (got == 0) throw FileError(FileCause::EndOfFile, 0, m_strPath);
        done += got;
    }
}

bool File::ChangedSinceOpen() const {
    if (m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, ERROR_INVALID_HANDLE, m_strPath);
    // Held without sharing, the file cannot be renamed or replaced meanwhile: what it
    // is now is what the handle shows.
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(HandleOf(m_hFile), &info)) ThrowLastError(m_strPath);
    return SizeOf(info) != m_nLength || TimeOf(info.ftLastWriteTime) != m_nModified;
}

OutputFile OutputFile::Create(const std::string& path) {
    file_common::RefuseEmptyPath(path);
    OutputFile out;
    out.m_strPath = path;
    out.m_strTarget = path;
    const std::wstring wide = Win32Path(path);

    // A look at what is there. Reading is asked for so that a file held without
    // sharing, here or elsewhere, refuses at once rather than after the whole output
    // is written; everything else is shared, so that the look disturbs no one. Folders
    // open only with the backup flag.
    const Handle probe(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!probe.IsOpen()) {
        const DWORD error = ::GetLastError();
        // Nothing there yet: a new file.
        if (error != ERROR_FILE_NOT_FOUND) ThrowError(error, path);
        out.StartTemporary(nullptr);
        return out;
    }
    if (::GetFileType(probe.Get()) != FILE_TYPE_DISK) {
        // A device or a pipe takes the bytes as they come; moving a file over it would
        // fail or put a file in its place. Neither created nor truncated.
        out.m_kind = Kind::Stream;
        const HANDLE stream = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (stream == INVALID_HANDLE_VALUE) ThrowLastError(path);
        out.m_hFile = NativeOf(stream);
        return out;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(probe.Get(), &info)) ThrowLastError(path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        throw FileError(FileCause::AccessDenied, kErrorDirectoryNotSupported, path);
    }
    // Refused now, not after the output is written: a read-only file cannot be replaced.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        throw FileError(FileCause::AccessDenied, ERROR_ACCESS_DENIED, path);
    // The probe opened the file at the end of any links: that is the one replaced.
    const DWORD own = ::GetFileAttributesW(wide.c_str());
    if (own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT)) {
        out.m_strTarget = FinalPathOf(probe.Get(), path);
    }
    out.m_bReplaces = true;
    const file_common::ReplacedFile replaced{.attributes = info.dwFileAttributes};
    out.StartTemporary(&replaced);
    return out;
}

void OutputFile::StartTemporary(const file_common::ReplacedFile* replaced,
                                const file_common::FolderIdentity* /*folder*/) {
    const std::string folder = FolderPartOf(m_strTarget);
    RemoveLeftBehindTemporaries(folder);
    for (int attempt = 0;; ++attempt) {
        std::string temp = folder + file_common::NextTemporaryName();
        const HANDLE handle = ::CreateFileW(Win32Path(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_kind = Kind::Named;
            m_hFile = NativeOf(handle);
            m_strTemp = std::move(temp);
            KeepAttributes(handle, replaced ? replaced->attributes : 0);
            return;
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= kTemporaryNameAttempts) {
            ThrowError(error, m_strPath);
        }
    }
}

void OutputFile::Discard() noexcept {
    if (m_hFile != kNoFile) ::CloseHandle(HandleOf(m_hFile));
    m_hFile = kNoFile;
    if (!m_strTemp.empty()) ::DeleteFileW(Win32Path(m_strTemp).c_str());
    m_strTemp.clear();
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, ERROR_INVALID_HANDLE, m_strPath);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(m_hFile), bytes.data() + done, chunk, &put, nullptr)) ThrowLastError(m_strPath);
        if (put == 0) throw FileError(FileCause::DiskFull, ERROR_DISK_FULL, m_strPath);
        done += put;
    }
}

void OutputFile::FlushReplacement() {
    if (m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, ERROR_INVALID_HANDLE, m_strPath);
    // A replaced file is gone once the new one takes its name: the new content goes to
    // disk first, so that a power cut leaves the old file or the new one.
    if (m_bReplaces && m_kind != Kind::Stream && !::FlushFileBuffers(HandleOf(m_hFile))) ThrowLastError(m_strPath);
}

void OutputFile::PutInPlace() {
    if (m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, ERROR_INVALID_HANDLE, m_strPath);
    const HANDLE handle = HandleOf(std::exchange(m_hFile, kNoFile));
    if (!::CloseHandle(handle)) ThrowLastError(m_strPath);
    if (m_kind == Kind::Stream) return;

    // Whole paths: a replace of a bare file name fails on some systems.
    const std::wstring temp = Win32Path(m_strTemp, PathForm::Whole);
    const std::wstring target = Win32Path(m_strTarget, PathForm::Whole);
    // A new file takes its name unless one has appeared there since the start, which
    // is then replaced like any other.
    if (!m_bReplaces) {
        if (::MoveFileExW(temp.c_str(), target.c_str(), 0)) {
            m_strTemp.clear();
            return;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) ThrowError(error, m_strPath);
    }
    // A program that has the destination open without sharing its deletion keeps it:
    // asked first, so that the replace is not even begun (a failed one may leave
    // files of its own behind).
    {
        const Handle taken(
            ::CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = taken.IsOpen() ? ERROR_SUCCESS : ::GetLastError();
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) ThrowError(error, m_strPath);
    }
    // The replaced file's attributes and security go to the new one. On failure the
    // destination is as it was, and the temporary is removed with the output.
    if (!::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        // The destination went meanwhile, or its file system cannot replace: a move,
        // written through, over whatever is there.
        const bool movable = error == ERROR_FILE_NOT_FOUND || error == ERROR_NOT_SUPPORTED ||
                             error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
        if (!movable) ThrowError(error, m_strPath);
        if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ThrowLastError(m_strPath);
        }
    }
    m_strTemp.clear();
}

void OutputBatch::Commit() {
    // Taken out first: whatever happens below, the batch is empty afterwards, and the
    // outputs not yet in place are dropped with `group`.
    std::vector<OutputFile> group = std::exchange(m_waiting, {});
    m_waiting.reserve(m_nGroupFiles);
    // Windows has no flush of a whole file system for an ordinary user: each replaced
    // file goes to disk on its own, all of them before any name moves.
    for (OutputFile& out : group) out.FlushReplacement();
    for (OutputFile& out : group) out.PutInPlace();
}

FolderState CheckFolder(const std::string& path) {
    if (path.empty()) return FolderState::EmptyPath;
    const DWORD attributes = ::GetFileAttributesW(Win32Path(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderState::Folder : FolderState::NotAFolder;
    }
    const DWORD error = ::GetLastError();
    if (IsNameError(error) && IsTooLong(path)) return FolderState::TooLong;
    if (error == ERROR_FILENAME_EXCED_RANGE) return FolderState::TooLong;
    // What an open would call a missing file or a bad path (a name that cannot exist,
    // "a?b", among them) names no folder.
    switch (CauseOfError(error)) {
        case FileCause::FileNotFound:
        case FileCause::BadPath: return FolderState::Missing;
        default: return FolderState::Unreachable;
    }
}

// Windows has no unnamed temporaries: outputs always start under a name.
void UseUnnamedTemporaries(bool) {}

}  // namespace zandrel
