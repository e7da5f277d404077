#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_common.h"

namespace zandrel {
namespace {

using file_common::OsErrorMeaning;

// Said instead of the cause where the path or the OS error tells more.
constexpr const char* kEmptyPathText = "路径为空";
constexpr const char* kIsFolderText = "这是一个文件夹，不是文件";
constexpr const char* kPathTooLongText = "路径太长";

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
        case OsErrorMeaning::Other: break;
    }
    return CauseText(error.Cause());
}

}  // namespace

namespace file_common {

void RefuseEmptyPath(const std::string& path) {
    if (path.empty()) throw FileError(FileCause::BadPath, 0, path);
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
