#include "os/file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "os/file_common.h"

namespace zandrel {
namespace {

using file_common::OsErrorMeaning;

// Said instead of the cause where the path or the OS error tells more.
constexpr const char* kEmptyPathText = "路径为空";
constexpr const char* kIsFolderText = "这是一个文件夹，不是文件";
constexpr const char* kPathTooLongText = "路径太长";
constexpr const char* kNoReaderText = "管道另一端的程序已经不再读取";

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
        case FileCause::UntrustedLink: return "拒绝跟随其他用户在公共文件夹中放置的链接";
        case FileCause::Generic: break;
    }
    return "未知错误";
}

// The cause numbers stay as the program's messages have always shown them; the
// sentence says what is true.
std::string ReasonOf(const FileError& error) {
    if (error.Path().empty()) return kEmptyPathText;
    switch (file_common::MeaningOfOsError(error.OsError())) {
        case OsErrorMeaning::IsFolder: return kIsFolderText;
        case OsErrorMeaning::PathTooLong: return kPathTooLongText;
        case OsErrorMeaning::NoReader: return kNoReaderText;
        case OsErrorMeaning::Other: break;
    }
    return CauseText(error.Cause());
}

using file_common::kTemporaryPrefix;

constexpr char kTemporaryNameSeparator = '-';
// The parts after the prefix: host, pid, start, counter; the older form had pid, counter.
constexpr std::size_t kTemporaryNameParts = 4;
constexpr std::size_t kOlderTemporaryNameParts = 2;

// The host's part of a temporary's name: FNV-1a of the machine's name in 32 bits, as
// hexadecimal digits; the same on every system and compiler, which std::hash is not.
constexpr std::uint32_t kFnvOffsetBasis = 2166136261u;
constexpr std::uint32_t kFnvPrime = 16777619u;
constexpr std::string_view kHexDigits = "0123456789abcdef";
constexpr std::size_t kHostTagDigits = 8;
constexpr unsigned kBitsPerHexDigit = 4;

std::string HostTagOf(std::string_view machine) {
    std::uint32_t hash = kFnvOffsetBasis;
    for (const char c : machine) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= kFnvPrime;
    }
    std::string tag(kHostTagDigits, kHexDigits[0]);
    for (std::size_t digit = kHostTagDigits; digit-- > 0; hash >>= kBitsPerHexDigit) {
        tag[digit] = kHexDigits[hash % kHexDigits.size()];
    }
    return tag;
}

const std::string& HostTag() {
    static const std::string tag = HostTagOf(file_common::MachineName());
    return tag;
}

// What a temporary's name says of the process that made it.
struct TemporaryMaker {
    std::string_view host;  // none in the older form
    std::uint64_t pid = 0;
    std::uint64_t start = 0;  // 0: not said
};

std::optional<std::uint64_t> DecimalOf(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool IsHostTag(std::string_view text) {
    return text.size() == kHostTagDigits && text.find_first_not_of(kHexDigits) == std::string_view::npos;
}

// Nothing when `name` is not a temporary of this program's, in either form.
std::optional<TemporaryMaker> MakerOf(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix)) return std::nullopt;
    std::vector<std::string_view> parts;
    for (std::string_view rest = name.substr(kTemporaryPrefix.size());;) {
        const std::size_t separator = rest.find(kTemporaryNameSeparator);
        parts.push_back(rest.substr(0, separator));
        if (separator == std::string_view::npos) break;
        rest.remove_prefix(separator + 1);
    }
    TemporaryMaker maker;
    std::optional<std::uint64_t> pid;
    if (parts.size() == kTemporaryNameParts) {
        const std::optional<std::uint64_t> start = DecimalOf(parts[2]);
        if (!IsHostTag(parts[0]) || !start || !DecimalOf(parts[3])) return std::nullopt;
        maker.host = parts[0];
        pid = DecimalOf(parts[1]);
        maker.start = *start;
    } else if (parts.size() == kOlderTemporaryNameParts) {
        if (!DecimalOf(parts[1])) return std::nullopt;
        pid = DecimalOf(parts[0]);
    }
    if (!pid) return std::nullopt;
    maker.pid = *pid;
    return maker;
}

}  // namespace

namespace file_common {

void RefuseEmptyPath(const std::string& path) {
    if (path.empty()) throw FileError(FileCause::BadPath, 0, path);
}

std::string NextTemporaryName() {
    static std::atomic<unsigned long> counter{0};
    static std::mutex mutex;
    static std::uint64_t namedFor = 0;
    static std::string prefix;
    const std::uint64_t pid = ThisProcessId();
    std::string name;
    {
        const std::lock_guard lock(mutex);
        // A child of fork has a pid and a start of its own.
        if (pid != namedFor) {
            prefix = std::string(kTemporaryPrefix) + HostTag() + kTemporaryNameSeparator + std::to_string(pid) +
                     kTemporaryNameSeparator + std::to_string(LookAtProcess(pid).start) + kTemporaryNameSeparator;
            namedFor = pid;
        }
        name = prefix;
    }
    return name + std::to_string(counter++);
}

bool IsLeftBehind(std::string_view name) {
    const std::optional<TemporaryMaker> maker = MakerOf(name);
    if (!maker) return false;
    // Another machine's processes cannot be looked at from here. The older form names
    // no machine: only a pid that is nobody's here says that its maker is gone.
    if (!maker->host.empty() && maker->host != HostTag()) return false;
    const ProcessLook look = LookAtProcess(maker->pid);
    if (look.gone) return true;
    // The pid has been given to another process since.
    return maker->start != 0 && look.start != 0 && look.start != maker->start;
}

bool FirstWriteInto(const std::string& folder) {
    // The folders written into lately, the latest first. A batch writes into thousands
    // of folders, each for a while: what is kept stays small, and a folder forgotten
    // and written into again is only looked through once more.
    constexpr std::size_t kRemembered = 64;
    static std::mutex mutex;
    static std::vector<std::string> recent;
    const std::lock_guard lock(mutex);
    if (const auto it = std::find(recent.begin(), recent.end(), folder); it != recent.end()) {
        std::rotate(recent.begin(), it, it + 1);
        return false;
    }
    if (recent.size() == kRemembered) recent.pop_back();
    recent.insert(recent.begin(), folder);
    return true;
}

}  // namespace file_common

FileError::FileError(FileCause cause, int osError, std::string path)
    : std::runtime_error(path + ": file error " + std::to_string(static_cast<int>(cause))),
      m_cause(cause),
      m_nOsError(osError),
      m_strPath(std::move(path)) {}

std::string DescribeFileError(const FileError& error) {
    // As the system writes paths: a path typed with "/" on Windows is shown with "\".
    return "访问文件" + WithNativeSeparators(error.Path()) + "时出错：" + ReasonOf(error) + "。";
}

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_hFile = std::exchange(other.m_hFile, kNoFile);
        m_strPath = std::move(other.m_strPath);
        m_nLength = other.m_nLength;
        m_nModified = other.m_nModified;
        m_nDevice = other.m_nDevice;
        m_nInode = other.m_nInode;
        m_nStatusChanged = other.m_nStatusChanged;
        m_strWhole = std::move(other.m_strWhole);
    }
    return *this;
}

File::~File() { Close(); }

std::vector<std::uint8_t> File::ReadAt(std::uint64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> bytes(count);
    ReadAt(offset, bytes);
    return bytes;
}

std::vector<std::uint8_t> File::ReadAll() const { return ReadAt(0, static_cast<std::size_t>(m_nLength)); }

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile::~OutputFile() { Discard(); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_kind = other.m_kind;
        m_hFile = std::exchange(other.m_hFile, kNoFile);
        m_bReplaces = other.m_bReplaces;
        m_strPath = std::move(other.m_strPath);
        m_strTarget = std::move(other.m_strTarget);
        m_strTemp = std::exchange(other.m_strTemp, std::string());
    }
    return *this;
}

void OutputFile::Commit() {
    FlushReplacement();
    PutInPlace();
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    OutputFile out = OutputFile::Create(path);
    out.Write(bytes);
    out.Commit();
}

OutputBatch::OutputBatch(std::size_t groupFiles) : m_nGroupFiles(std::max<std::size_t>(groupFiles, 1)) {
    m_waiting.reserve(m_nGroupFiles);
}

// Dropping the waiting outputs removes their temporaries.
OutputBatch::~OutputBatch() = default;

void OutputBatch::Add(OutputFile&& out) {
    if (out.m_hFile == kNoFile) throw FileError(FileCause::InvalidFile, EBADF, out.m_strPath);
    m_waiting.push_back(std::move(out));
    if (m_waiting.size() >= m_nGroupFiles) Commit();
}

void OutputBatch::WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    OutputFile out = OutputFile::Create(path);
    out.Write(bytes);
    Add(std::move(out));
}

bool IsExistingFolder(const std::string& path) { return CheckFolder(path) == FolderState::Folder; }

}  // namespace zandrel
