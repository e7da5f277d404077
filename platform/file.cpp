#include "platform/file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>
#include <utility>

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

// The process's umask, read once: reading it means setting it, so not on every call.
mode_t Umask() {
    static const mode_t mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return current;
    }();
    return mask;
}

std::string CauseText(FileCause cause) {
    switch (cause) {
        case FileCause::None: return "没有错误";
        case FileCause::FileNotFound: return "找不到文件";
        case FileCause::BadPath: return "路径无效";
        case FileCause::TooManyOpenFiles: return "打开的文件太多";
        case FileCause::AccessDenied: return "拒绝访问";
        case FileCause::InvalidFile: return "文件句柄无效";
        case FileCause::RemoveCurrentDir: return "不能删除当前文件夹";
        case FileCause::DirectoryFull: return "文件夹已满";
        case FileCause::BadSeek: return "文件定位出错";
        case FileCause::HardIO: return "读写硬件出错";
        case FileCause::SharingViolation: return "文件正被使用，共享冲突";
        case FileCause::LockViolation: return "文件已被锁定";
        case FileCause::DiskFull: return "磁盘已满";
        case FileCause::EndOfFile: return "文件意外结束";
        case FileCause::NotRegularFile: return "不是普通文件";
        case FileCause::Generic: break;
    }
    return "未知错误";
}

}  // namespace

FileError::FileError(FileCause cause, int osError, std::string path)
    : std::runtime_error(path + ": file error " + std::to_string(static_cast<int>(cause))),
      m_cause(cause),
      m_nOsError(osError),
      m_strPath(std::move(path)) {}

std::string DescribeFileError(const FileError& error) {
    return "访问文件" + error.Path() + "时出错：" + CauseText(error.Cause()) + "。";
}

File File::OpenRead(const std::string& path) {
    File file;
    file.m_strPath = path;
    // Without waiting: opening a pipe waits for a writer that may never come. What is
    // opened is looked at before anything is read from it.
    file.m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.m_fd < 0) ThrowErrno(path);
    struct stat info {};
    if (::fstat(file.m_fd, &info) != 0) ThrowErrno(path);
    if (!S_ISREG(info.st_mode)) throw FileError(FileCause::NotRegularFile, S_ISDIR(info.st_mode) ? EISDIR : 0, path);
    const int flags = ::fcntl(file.m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(file.m_fd, F_SETFL, flags & ~O_NONBLOCK) != 0) ThrowErrno(path);
    if (!Held().Hold(info.st_dev, info.st_ino)) {
        throw FileError(FileCause::SharingViolation, EBUSY, path);
    }
    file.m_nDevice = info.st_dev;
    file.m_nInode = info.st_ino;
    file.m_nLength = static_cast<std::uint64_t>(info.st_size);
    return file;
}

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_strPath = std::move(other.m_strPath);
        m_nLength = other.m_nLength;
        m_nDevice = other.m_nDevice;
        m_nInode = other.m_nInode;
    }
    return *this;
}

File::~File() { Close(); }

void File::Close() {
    if (m_fd < 0) return;
    Held().Release(m_nDevice, m_nInode);
    ::close(m_fd);
    m_fd = -1;
}

void File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_fd < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::size_t chunk = std::min<std::size_t>(out.size() - done, std::size_t{1} << 30);
        const ssize_t got = ::pread(m_fd, out.data() + done, chunk, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(m_strPath);
        }
        if (got == 0) throw FileError(FileCause::EndOfFile, 0, m_strPath);
        done += static_cast<std::size_t>(got);
    }
}

std::vector<std::uint8_t> File::ReadAt(std::uint64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> bytes(count);
    ReadAt(offset, bytes);
    return bytes;
}

std::vector<std::uint8_t> File::ReadAll() const { return ReadAt(0, static_cast<std::size_t>(m_nLength)); }

OutputFile OutputFile::Create(const std::string& path) {
    OutputFile out;
    out.m_strPath = path;
    out.m_strTarget = path;

    struct stat info {};
    bool exists = ::lstat(path.c_str(), &info) == 0;
    if (exists && S_ISLNK(info.st_mode)) {
        // Writing through a link replaces the file it points at, not the link.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            out.m_strTarget = resolved;
            std::free(resolved);
        }
        exists = ::stat(out.m_strTarget.c_str(), &info) == 0;
    }
    // A new file gets the usual mode for new files; a replaced one keeps its own.
    mode_t mode = 0666;
    if (exists) {
        if (S_ISDIR(info.st_mode)) throw FileError(FileCause::AccessDenied, EISDIR, path);
        if (Held().IsHeld(info.st_dev, info.st_ino)) throw FileError(FileCause::SharingViolation, EBUSY, path);
        if (::access(out.m_strTarget.c_str(), W_OK) != 0) ThrowErrno(path);
        mode = info.st_mode & 07777;
    }

    // The temporary's name is this process's and a counter of its own: no two outputs
    // of this process meet, and O_EXCL keeps it off anything else's file.
    static std::atomic<unsigned long> counter{0};
    const std::string prefix = JoinPath(FolderOf(out.m_strTarget), ".zandrel-") + std::to_string(::getpid()) + "-";
    for (int attempt = 0; out.m_fd < 0; ++attempt) {
        std::string temp = prefix + std::to_string(counter++);
        out.m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (out.m_fd >= 0) {
            out.m_strTemp = std::move(temp);
        } else if (errno != EEXIST || attempt >= 100) {
            ThrowErrno(path);
        }
    }
    // Creation applied the umask; a replaced file's own bits are put back only when it
    // took any away.
    if (exists && (mode & Umask()) != 0 && ::fchmod(out.m_fd, mode) != 0) ThrowErrno(path);
    return out;
}

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_strPath = std::move(other.m_strPath);
        m_strTarget = std::move(other.m_strTarget);
        m_strTemp = std::exchange(other.m_strTemp, std::string());
    }
    return *this;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_strTemp.empty()) ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, std::size_t{1} << 30);
        const ssize_t put = ::write(m_fd, bytes.data() + done, chunk);
        if (put < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(m_strPath);
        }
        done += static_cast<std::size_t>(put);
    }
}

void OutputFile::Commit() {
    if (m_fd < 0) throw FileError(FileCause::InvalidFile, EBADF, m_strPath);
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) ThrowErrno(m_strPath);
#ifdef RENAME_EXCHANGE
    // Swapping the two names replaces the old file just as atomically as renaming over
    // it, without making the file system write the new one out at once (ext4 does on a
    // rename over a file); the temporary name then holds the old bytes and goes.
    if (::renameat2(AT_FDCWD, m_strTemp.c_str(), AT_FDCWD, m_strTarget.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
        return;
    }
#endif
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowErrno(m_strPath);
    m_strTemp.clear();
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    OutputFile out = OutputFile::Create(path);
    out.Write(bytes);
    out.Commit();
}

bool IsExistingFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace zandrel
