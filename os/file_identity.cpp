#include "os/file_identity.h"

#ifdef _WIN32
#include <windows.h>

#include "os/win32_path.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zandrel {

#ifdef _WIN32
namespace {

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !::GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // No access asked for, every sharing allowed: looking never disturbs a holder. A
    // folder opens only with the backup flag.
    const HANDLE handle =
        ::CreateFileW(Win32Path(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<FileIdentity> identity = IdentityOfHandle(handle);
    ::CloseHandle(handle);
    return identity;
}

std::optional<FileIdentity> IdentityOfStandardOutput() {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (::GetFileType(output) != FILE_TYPE_DISK) return std::nullopt;
    return IdentityOfHandle(output);
}
#else
std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> IdentityOfStandardOutput() {
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}
#endif

}  // namespace zandrel
