#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "os/file.h"
#include "os/file_common.h"

namespace zandrel {
namespace {

FileCause CauseOfErrno(int error) {
    switch (error) {
        case ENOENT: return FileCause::FileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL: return FileCause::BadPath;
        case EMFILE:
        case ENFILE: return FileCause::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY: return FileCause::AccessDenied;
        case EBADF: return FileCause::InvalidFile;
        case ENXIO: return FileCause::NotRegularFile;  // a socket, a device without a driver
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return FileCause::DiskFull;
        case EIO: return FileCause::HardIO;
        default: return FileCause::Generic;
    }
}

[[noreturn]] void ThrowErrno(const std::string& path) {
    const int error = errno;
    throw FileError(CauseOfErrno(error), error, path);
}

// Files held without sharing, by identity, so that a second name for the same file
// (a link, another spelling of the path) is refused just the same.
class HeldFiles {
public:
    bool Hold(std::uint64_t device, std::uint64_t inode) {
        const std::lock_guard lock(m_mutex);
        return m_held.emplace(device, inode).second;
    }
    void Release(std::uint64_t device, std::uint64_t inode) {
        const std::lock_guard lock(m_mutex);
        m_held.erase({device, inode});
    }
    bool IsHeld(std::uint64_t device, std::uint64_t inode) {
        const std::lock_guard lock(m_mutex);
        return m_held.contains({device, inode});
    }

private:
    std::mutex m_mutex;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_held;
};

HeldFiles& Held() {
    static HeldFiles held;
    return held;
}

constexpr int kTemporaryNameAttempts = 100;
// How many symbolic links a chain may have, as the system allows on a path.
constexpr int kMaxLinkHops = 40;

// Offers fresh temporary names in `folder` to `take` until it takes one (it fails with
// EEXIST while the names are someone else's); returns the name taken. The names are
// this process's own; creating them exclusively keeps them off anything else's file.
std::string TakeTemporaryName(const std::string& folder, const std::string& path, const auto& take) {
    for (int attempt = 0;; ++attempt) {
        std::string temp = JoinPath(folder, file_common::NextTemporaryName());
        if (take(temp)) return temp;
        if (errno != EEXIST || attempt >= kTemporaryNameAttempts) ThrowErrno(path);
    }
}

// Removes what processes that are gone left in `folder`, the first time this process
// writes there. Only ordinary files go, by their own names (a link is removed as
// itself, never followed, and not even that: it is not ours); whatever fails is left
// as it is, for cleaning never fails an output.
// A folder is known by its device and inode, looked at already (`seen`) or here, and
// by its name as spelled.
void RemoveLeftBehindTemporaries(const std::string& folder, const file_common::FolderIdentity* seen) {
    file_common::FolderIdentity identity;
    if (seen != nullptr) {
        identity = *seen;
    } else {
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0) return;
        identity = {.device = info.st_dev, .inode = info.st_ino};
    }
    // The identity and the spelling together: a folder made anew where one was removed
    // may get its inode again, and is then told apart by its name (another spelling of
    // a folder already cleaned only costs one more look through it).
    if (!file_common::FirstWriteInto(std::to_string(identity.device) + ':' + std::to_string(identity.inode) + ':' +
                                     folder)) {
        return;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* const listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        if (file_common::IsLeftBehind(entry->d_name)) leftovers.emplace_back(entry->d_name);
    }
    for (const std::string& name : leftovers) {
        struct stat info {};
        if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
            ::unlinkat(fd, name.c_str(), 0);
        }
    }
    ::closedir(listing);
}

// When a process started, from field 22 of /proc/<pid>/stat, in clock ticks since the
// system started; 0 when there is no /proc to say. The fields are counted from the
// state, field 3, after the command name, which may itself hold spaces and ")".
constexpr const char* kProcFolder = "/proc/";
constexpr const char* kStatName = "/stat";
constexpr std::size_t kStartField = 22;
constexpr std::size_t kStateField = 3;
constexpr std::size_t kProcStatBytes = 4096;
constexpr int kDecimal = 10;

std::uint64_t StartOf(std::uint64_t pid) {
    const std::string path = kProcFolder + std::to_string(pid) + kStatName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::string stat(kProcStatBytes, '\0');
    const ssize_t got = ::read(fd, stat.data(), stat.size());
    ::close(fd);
    if (got <= 0) return 0;
    stat.resize(static_cast<std::size_t>(got));
    std::size_t at = stat.rfind(')');
    if (at == std::string::npos) return 0;
    // The first space after ")" begins field 3; each space after that, the next.
    for (std::size_t field = kStateField - 1; field < kStartField; ++field) {
        at = stat.find(' ', at);
        if (at == std::string::npos) return 0;
        ++at;
    }
    return std::strtoull(stat.c_str() + at, nullptr, kDecimal);
}

std::atomic<bool> g_useUnnamedTemporaries{true};

// Unnamed temporaries get their name through /proc; without it they cannot get one.
bool UnnamedTemporaries() {
#ifdef O_TMPFILE
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted && g_useUnnamedTemporaries;
#else
    return false;
#endif
}

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

std::int64_t NanosecondsOf(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

std::string ReadLink(const std::string& link) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
        if (length < 0) ThrowErrno(link);
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// The name at the end of a chain of symbolic links: the one an output replaces or
// creates, so that the links stay links.
std::string FinalNameOf(const std::string& path) {
    std::string name = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
        const std::string target = ReadLink(name);
        name = IsAbsolutePath(target) ? target : JoinPath(FolderOf(name), target);
    }
    throw FileError(FileCause::BadPath, ELOOP, path);
}

// Whether a link in `folder` may be followed. In a folder that anyone may write to and
// whose sticky bit keeps each name to its owner (/tmp), any user can plant a link to a
// file of someone else's choosing; only the folder owner's links and this user's own
// are taken to mean what they say.
bool IsTrustedLink(const struct stat& link, const std::string& folder, const std::string& path) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) ThrowErrno(path);
    const bool shared = (info.st_mode & S_ISVTX) && (info.st_mode & S_IWOTH);
    return !shared || link.st_uid == info.st_uid || link.st_uid == ::geteuid();
}

// The names of a path, last first, as a stack to resolve from.
void PushNamesOf(const std::string& path, std::vector<std::string>& pending) {
    std::size_t end = path.size();
    while (end > 0) {
        const std::size_t slash = path.rfind(kPathSeparator, end - 1);
        const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
        if (end > begin) pending.push_back(path.substr(begin, end - begin));
        if (slash == std::string::npos) break;
        end = slash;
    }
}

// What resolving a path one name at a time saw of it, for the output that follows.
// Where no link was on the way and every folder is there, what the last name is (or
// that nothing is there) and the folder that holds it are known, and need not be
// looked at again.
struct PathLook {
    bool direct = false;      // no link followed, every folder found
    bool nameFound = false;   // when direct: the last name is there, as `name` says
    bool folderSeen = false;  // when direct: `folder` is the folder that holds it
    struct stat name {};
    struct stat folder {};
};

// Refuses `path` when reaching it follows an untrusted link, in any of its folders or
// at any step of a chain; looked at before anything is opened, so that such a link
// and what it points to stay untouched. The path is resolved here as the system
// resolves it, one name at a time; where a name is missing there is nothing more to
// follow, and what is wrong is for the opening to say.
constexpr const char* kRootFolder = "/";
constexpr const char* kCurrentFolder = ".";

PathLook RefuseUntrustedLinks(const std::string& path) {
    PathLook look;
    std::vector<std::string> pending;
    PushNamesOf(path, pending);
    // Every name in `reached` is no link, so ".." after it is its folder's parent.
    std::string reached = IsAbsolutePath(path) ? kRootFolder : kCurrentFolder;
    int hops = 0;
    while (!pending.empty()) {
        const std::string name = std::move(pending.back());
        pending.pop_back();
        if (name == kCurrentFolder) continue;
        const std::string next = JoinPath(reached, name);
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) {
            // Only a missing last name leaves the rest known: the output then makes it.
            look.direct = hops == 0 && pending.empty() && errno == ENOENT;
            return look;
        }
        if (!S_ISLNK(info.st_mode)) {
            reached = next;
            if (pending.empty()) {
                look.direct = hops == 0;
                look.nameFound = true;
                look.name = info;
            } else {
                look.folderSeen = true;
                look.folder = info;
            }
            continue;
        }
        if (!IsTrustedLink(info, reached, path)) throw FileError(FileCause::UntrustedLink, EACCES, path);
        if (++hops > kMaxLinkHops) return look;
        const std::string target = ReadLink(next);
        PushNamesOf(target, pending);
        if (IsAbsolutePath(target)) reached = kRootFolder;
    }
    return look;
}

}  // namespace

namespace file_common {

OsErrorMeaning MeaningOfOsError(int osError) {
    switch (osError) {
        case EISDIR: return OsErrorMeaning::IsFolder;
        case ENAMETOOLONG: return OsErrorMeaning::PathTooLong;
        case EPIPE: return OsErrorMeaning::NoReader;
        default: return OsErrorMeaning::Other;
    }
}

ProcessLook LookAtProcess(std::uint64_t pid) {
    // Beyond the pids the system hands out; kill() takes 0 and negative numbers for
    // groups of processes.
    if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return {};
    // Without /proc this is all there is to tell: another user's process says EPERM.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return {.gone = true};
    return {.gone = false, .start = StartOf(pid)};
}

std::uint64_t ThisProcessId() { return static_cast<std::uint64_t>(::getpid()); }

std::string MachineName() {
    constexpr std::size_t kNameBytes = 256;
    std::string name(kNameBytes, '\0');
    // Cut short or not, the name ends at the first zero: the last byte stays one.
    if (::gethostname(name.data(), name.size() - 1) != 0) name[0] = '\0';
    name.resize(name.find('\0'));
    // Processes of another pid namespace (a container) on this host are not seen from
    // here, and their pids mean other processes.
    std::string space(kNameBytes, '\0');
    constexpr const char* kPidNamespace = "/proc/self/ns/pid";
    const ssize_t length = ::readlink(kPidNamespace, space.data(), space.size());
    if (length > 0) name += space.substr(0, static_cast<std::size_t>(length));
    return name;
}

}  // namespace file_common

File File::OpenRead(const std::string& path) {
    file_common::RefuseEmptyPath(path);
    File file;
    file.m_strPath = path;
    // Without waiting: opening a pipe waits for a writer that may never come. What is
    // opened is looked at before anything is read from it.
    file.m_hFile = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.m_hFile < 0) ThrowErrno(path);
    struct stat info {};
    if (::fstat(file.m_hFile, &info) != 0) ThrowErrno(path);
    if (!S_ISREG(info.st_mode)) throw FileError(FileCause::NotRegularFile, S_ISDIR(info.st_mode) ? EISDIR : 0, path);
    // The no-wait flag stays: an ordinary file's reads ignore it (ReadAt clears it
    // should one refuse to wait all the same).
    if (!Held().Hold(info.st_dev, info.st_ino)) {
        throw FileError(FileCause::SharingViolation, EBUSY, path);
    }
    file.m_nDevice = info.st_dev;
    file.m_nInode = info.st_ino;
    file.m_nLength = static_cast<std::uint64_t>(info.st_size);
    file.m_nModified = NanosecondsOf(info.st_mtim);
    file.m_nStatusChanged = NanosecondsOf(info.st_ctim);
    file.m_strWhole = path;
    if (!IsAbsolutePath(path)) {
        std::string current(PATH_MAX, '\0');
        if (::getcwd(current.data(), current.size()) != nullptr) {
            current.resize(std::strlen(current.c_str()));
            file.m_strWhole = JoinPath(current, path);
        }
    }
    return file;
}

void File::Close() {
    if (m_hFile < 0) return;
    Held().Release(m_nDevice, m_nInode);
    ::close(m_hFile);
    m_hFile = -1;
}

void File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_hFile < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    bool waits = false;
    std::size_t done = 0;
    while (done < out.size()) {
        const std::size_t chunk = std::min<std::size_t>(out.size() - done, std::size_t{1} << 30);
        const ssize_t got = ::pread(m_hFile, out.data() + done, chunk, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            // Of the flags that can change, the file was opened with none but no-wait.
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && !waits) {
                waits = ::fcntl(m_hFile, F_SETFL, 0) == 0;
                if (waits) continue;
            }
            ThrowErrno(m_strPath);
        }
        if (got == 0) throw FileError(FileCause::EndOfFile, 0, m_strPath);
        done += static_cast<std::size_t>(got);
    }
}

bool File::ChangedSinceOpen() const {
    if (m_hFile < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    struct stat now {};
    if (::fstat(m_hFile, &now) != 0) ThrowErrno(m_strPath);
    if (static_cast<std::uint64_t>(now.st_size) != m_nLength || NanosecondsOf(now.st_mtim) != m_nModified ||
        NanosecondsOf(now.st_ctim) != m_nStatusChanged) {
        return true;
    }
    // A file written elsewhere and renamed over the path leaves the open one as it was:
    // what was read is then not what the path names.
    struct stat named {};
    if (::stat(m_strWhole.c_str(), &named) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return true;
        ThrowErrno(m_strPath);
    }
    return named.st_dev != m_nDevice || named.st_ino != m_nInode;
}

OutputFile OutputFile::Create(const std::string& path) {
    file_common::RefuseEmptyPath(path);
    const PathLook look = RefuseUntrustedLinks(path);
    OutputFile out;
    out.m_strPath = path;
    // Without a link on the way the path's own look says all; the name receives the file.
    const file_common::FolderIdentity seen{.device = look.folder.st_dev, .inode = look.folder.st_ino};
    const file_common::FolderIdentity* folder = look.direct && look.folderSeen ? &seen : nullptr;

    struct stat info {};
    bool found = false;
    if (look.direct) {
        found = look.nameFound;
        info = look.name;
        errno = ENOENT;
    } else {
        found = ::stat(path.c_str(), &info) == 0;
    }
    if (found) {
        if (S_ISDIR(info.st_mode)) throw FileError(FileCause::AccessDenied, EISDIR, path);
        if (!S_ISREG(info.st_mode)) {
            // Renaming over a device or a pipe would put a plain file in its place
            // (even /dev/null, for root); it takes the bytes as they come instead.
            // Neither creating nor truncating: a device is what it is.
            out.m_kind = Kind::Stream;
            out.m_hFile = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (out.m_hFile == kNoFile) ThrowErrno(path);
            return out;
        }
        if (Held().IsHeld(info.st_dev, info.st_ino)) throw FileError(FileCause::SharingViolation, EBUSY, path);
        out.m_strTarget = look.direct ? path : FinalNameOf(path);
        if (::access(out.m_strTarget.c_str(), W_OK) != 0) ThrowErrno(path);
        out.m_bReplaces = true;
        const file_common::ReplacedFile replaced{.mode = info.st_mode, .owner = info.st_uid, .group = info.st_gid};
        out.StartTemporary(&replaced, folder);
    } else if (errno == ENOENT) {
        // Nothing there yet, or a link to nothing: its target is created.
        out.m_strTarget = look.direct ? path : FinalNameOf(path);
        out.StartTemporary(nullptr, folder);
    } else {
        ThrowErrno(path);
    }
    return out;
}

void OutputFile::StartTemporary(const file_common::ReplacedFile* replaced,
                                const file_common::FolderIdentity* folderSeen) {
    const std::string folder = FolderOf(m_strTarget);
    RemoveLeftBehindTemporaries(folder, folderSeen);
    // A new file gets the usual mode for new files, less the umask; a replaced one keeps
    // its own bits exactly, whatever the umask.
    const mode_t mode = replaced ? static_cast<mode_t>(replaced->mode & 07777 & ~(S_ISUID | S_ISGID)) : 0666;
    if (UnnamedTemporaries()) {
        m_hFile = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (m_hFile >= 0) m_kind = Kind::Unnamed;
        // Otherwise this file system has none (EOPNOTSUPP, EISDIR on older kernels),
        // or the folder cannot be written: the named way below says which.
    }
    if (m_hFile < 0) {
        m_kind = Kind::Named;
        m_strTemp = TakeTemporaryName(folder, m_strPath, [&](const std::string& temp) {
            m_hFile = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            return m_hFile >= 0;
        });
    }
    if (!replaced) return;
    // The old owner and group where this process may give them: root may, an owner
    // may give a group it belongs to, anyone else keeps the file as its own.
    const auto owner = static_cast<uid_t>(replaced->owner);
    const auto group = static_cast<gid_t>(replaced->group);
    if (::fchown(m_hFile, owner, group) != 0) {
        if (errno != EPERM && errno != EINVAL) ThrowErrno(m_strPath);
        ::fchown(m_hFile, static_cast<uid_t>(-1), group);
    }
    // After the owner: a change of owner may clear bits.
    if (::fchmod(m_hFile, mode) != 0) ThrowErrno(m_strPath);
}

void OutputFile::Discard() noexcept {
    if (m_hFile >= 0) ::close(m_hFile);
    m_hFile = -1;
    if (!m_strTemp.empty()) ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (m_hFile < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30);
        const ssize_t put = ::write(m_hFile, bytes.data() + done, chunk);
        if (put < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(m_strPath);
        }
        done += static_cast<std::size_t>(put);
    }
}

void OutputFile::FlushReplacement() {
    if (m_hFile < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    // A replaced file is gone once the name moves: the new content goes to disk first,
    // so that a power cut leaves the old file or the new one, never an empty one. New
    // files are not waited for; there was nothing to lose.
    if (m_bReplaces && ::fdatasync(m_hFile) != 0 && errno != EINVAL) ThrowErrno(m_strPath);
}

void OutputFile::PutInPlace() {
    if (m_hFile < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    switch (m_kind) {
        case Kind::Stream: break;
        case Kind::Unnamed: NameUnnamed(); break;
        case Kind::Named: {
            const int fd = std::exchange(m_hFile, -1);
            if (::close(fd) != 0) ThrowErrno(m_strPath);
            if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowErrno(m_strPath);
            m_strTemp.clear();
            return;
        }
    }
    const int fd = std::exchange(m_hFile, -1);
    if (::close(fd) != 0) {
        const int error = errno;
        // An unwritten new file does not keep the name it just got.
        if (m_kind == Kind::Unnamed && !m_bReplaces) ::unlink(m_strTarget.c_str());
        throw FileError(CauseOfErrno(error), error, m_strPath);
    }
}

void OutputFile::NameUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(m_hFile);
    if (!m_bReplaces) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_strTarget.c_str(), AT_SYMLINK_FOLLOW) == 0) return;
        // A file took the name since the start: it is replaced like any other.
        if (errno != EEXIST) ThrowErrno(m_strPath);
    }
    // A name cannot be linked over an existing one: the complete file gets a hidden
    // name first, which the rename then moves over the old file at once.
    m_strTemp = TakeTemporaryName(FolderOf(m_strTarget), m_strPath, [&](const std::string& temp) {
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowErrno(m_strPath);
    m_strTemp.clear();
}

void OutputBatch::Commit() {
    // Taken out first: whatever happens below, the batch is empty afterwards, and the
    // outputs not yet in place are dropped with `group`.
    std::vector<OutputFile> group = std::exchange(m_waiting, {});
    m_waiting.reserve(m_nGroupFiles);

    // One flush of each file system that holds a replaced file: it writes every waiting
    // file's content at once, where a flush a file waits for the disk once a file.
    std::vector<dev_t> flushed;
    for (OutputFile& out : group) {
        if (!out.m_bReplaces) continue;
        struct stat info {};
        if (::fstat(out.m_hFile, &info) != 0) ThrowErrno(out.m_strPath);
        if (std::find(flushed.begin(), flushed.end(), info.st_dev) != flushed.end()) continue;
        if (::syncfs(out.m_hFile) != 0) {
            if (errno != ENOSYS) ThrowErrno(out.m_strPath);
            // Without a file-system flush, each replaced file on its own.
            for (OutputFile& each : group) each.FlushReplacement();
            break;
        }
        flushed.push_back(info.st_dev);
    }
    for (OutputFile& out : group) out.PutInPlace();
}

FolderState CheckFolder(const std::string& path) {
    if (path.empty()) return FolderState::EmptyPath;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? FolderState::Folder : FolderState::NotAFolder;
    switch (errno) {
        case ENAMETOOLONG: return FolderState::TooLong;
        // A file on the way ("a.bmp/out") leaves no folder there either.
        case ENOENT:
        case ENOTDIR: return FolderState::Missing;
        default: return FolderState::Unreachable;
    }
}

void UseUnnamedTemporaries(bool use) { g_useUnnamedTemporaries = use; }

}  // namespace zandrel
