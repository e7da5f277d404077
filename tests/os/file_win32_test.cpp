// The file layer as Windows alone has it: sharing kept by the system against every
// handle and every process, replacing through ReplaceFileW, long and Chinese paths.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "os/file.h"
#include "os/file_identity.h"
#include "os/utf16.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::CauseOf;
using test::TempDir;

// A handle opened the way another program would open the file. Sharing is decided
// between handles, whichever process holds them: what one refuses, the other would.
class OtherHandle {
public:
    OtherHandle(const std::string& path, DWORD access, DWORD share)
        : m_handle(::CreateFileW(WideFromUtf8(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)),
          m_error(m_handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS) {}
    OtherHandle(const OtherHandle&) = delete;
    OtherHandle& operator=(const OtherHandle&) = delete;
    ~OtherHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
    }
    DWORD Error() const { return m_error; }

private:
    HANDLE m_handle;
    DWORD m_error;
};

// The names in a folder as the system lists them, in UTF-16.
std::vector<std::wstring> ListedNames(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(WideFromUtf8(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

struct CliRun {
    DWORD status = 0;
    std::string output;  // stdout and stderr together, as the bytes written
};

// zandrel-cli as a second process, its command line in UTF-16 as the system hands it
// over, both its streams into a file.
std::optional<CliRun> RunCli(const std::vector<std::string>& args) {
    const char* cli = std::getenv("ZANDREL_CLI");
    if (cli == nullptr) return std::nullopt;
    std::wstring command = L"\"" + WideFromUtf8(cli) + L"\"";
    for (const std::string& arg : args) command += L" \"" + WideFromUtf8(arg) + L"\"";

    TempDir outputs;
    const std::string outputPath = outputs.Path("output.txt");
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE output =
        ::CreateFileW(WideFromUtf8(outputPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return std::nullopt;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(output);
    if (!started) return std::nullopt;
    CliRun run;
    ::WaitForSingleObject(process.hProcess, 60'000);
    ::GetExitCodeProcess(process.hProcess, &run.status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    const Bytes bytes = test::ReadBytes(outputPath);
    run.output.assign(bytes.begin(), bytes.end());
    return run;
}

constexpr DWORD kCliDone = 0;
constexpr DWORD kCliFailed = 1;

// A small sprite for the command line to read.
void WriteSprite(const std::string& path) {
    test::WriteBytes(path,
                     test::MakeSprite(SprKind::Indexed256Rle, {test::PatternFrame(6, 4)}, test::DistinctPalette()));
}

TEST(Win32File, AHeldSourceRefusesEveryOtherHandleAndProcess) {
    TempDir dir;
    const std::string path = dir.Path("held.spr");
    WriteSprite(path);
    {
        const File held = File::OpenRead(path);
        EXPECT_EQ(OtherHandle(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE).Error(),
                  static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(CauseOf([&] { File::OpenRead(path); }), FileCause::SharingViolation);
        EXPECT_EQ(CauseOf([&] { OutputFile::Create(path); }), FileCause::SharingViolation);
        const std::optional<CliRun> run = RunCli({"info", path});
        if (!run) GTEST_SKIP() << "ZANDREL_CLI does not name a command line to run";
        EXPECT_EQ(run->status, kCliFailed);
        EXPECT_NE(run->output.find("文件正被使用，共享冲突"), std::string::npos) << run->output;
    }
    EXPECT_EQ(RunCli({"info", path})->status, kCliDone);
}

TEST(Win32File, ADestinationOpenElsewhereIsLeftUndamaged) {
    TempDir dir;
    const std::string path = dir.Path("out.pal");
    test::WriteBytes(path, Bytes{9, 9, 9});
    {
        // A viewer that shares reading but not deletion: the name cannot be replaced.
        const OtherHandle viewer(path, GENERIC_READ, FILE_SHARE_READ);
        ASSERT_EQ(viewer.Error(), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(CauseOf([&] { WriteWholeFile(path, Bytes{1, 2}); }), FileCause::SharingViolation);
    }
    {
        // Opened after the output began: the replace itself is refused.
        OutputFile out = OutputFile::Create(path);
        out.Write(Bytes{1, 2});
        const OtherHandle viewer(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_EQ(viewer.Error(), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(CauseOf([&] { out.Commit(); }), FileCause::SharingViolation);
    }
    EXPECT_EQ(test::ReadBytes(path), (Bytes{9, 9, 9}));
    EXPECT_EQ(ListedNames(dir.Root()), std::vector<std::wstring>{L"out.pal"});

    // The command line, a second process, against a destination this one holds.
    WriteSprite(dir.Path("a.spr"));
    {
        const File held = File::OpenRead(path);
        const std::optional<CliRun> run = RunCli({"palette", "export", dir.Path("a.spr"), path});
        if (!run) GTEST_SKIP() << "ZANDREL_CLI does not name a command line to run";
        EXPECT_EQ(run->status, kCliFailed) << run->output;
    }
    EXPECT_EQ(test::ReadBytes(path), (Bytes{9, 9, 9}));
    EXPECT_EQ(ListedNames(dir.Root()), (std::vector<std::wstring>{L"a.spr", L"out.pal"}));
}

TEST(Win32File, AReplacedFileKeepsItsAttributes) {
    TempDir dir;
    const std::string path = dir.Path("hidden.bmp");
    test::WriteBytes(path, Bytes{9});
    ASSERT_TRUE(::SetFileAttributesW(WideFromUtf8(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
    WriteWholeFile(path, Bytes{1, 2});
    EXPECT_EQ(test::ReadBytes(path), (Bytes{1, 2}));
    EXPECT_TRUE(::GetFileAttributesW(WideFromUtf8(path).c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // A read-only file is refused before anything is written.
    const std::string locked = dir.Path("locked.bmp");
    test::WriteBytes(locked, Bytes{9});
    ASSERT_TRUE(::SetFileAttributesW(WideFromUtf8(locked).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CauseOf([&] { OutputFile::Create(locked); }), FileCause::AccessDenied);
    ::SetFileAttributesW(WideFromUtf8(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ListedNames(dir.Root()), (std::vector<std::wstring>{L"hidden.bmp", L"locked.bmp"}));
}

TEST(Win32File, ABatchThatFailsLeavesEveryDestinationAsItWas) {
    TempDir dir;
    test::WriteBytes(dir.Path("old"), Bytes{9, 9});
    ASSERT_TRUE(::CreateDirectoryW(WideFromUtf8(dir.Path("folder")).c_str(), nullptr));
    const auto writeThree = [&] {
        OutputBatch batch;
        batch.WriteWholeFile(dir.Path("old"), Bytes{1});
        batch.WriteWholeFile(dir.Path("new"), Bytes{2});
        batch.WriteWholeFile(dir.Path("folder"), Bytes{3});
        batch.Commit();
    };
    EXPECT_EQ(CauseOf(writeThree), FileCause::AccessDenied);
    EXPECT_EQ(ListedNames(dir.Root()), (std::vector<std::wstring>{L"folder", L"old"}));
    EXPECT_EQ(test::ReadBytes(dir.Path("old")), (Bytes{9, 9}));
}

TEST(Win32File, CausesAndMessagesAsWindowsNamesThem) {
    TempDir dir;
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("missing.spr")); }), FileCause::FileNotFound);
    // Windows tells a missing folder from a missing file.
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Path("none/missing.spr")); }), FileCause::BadPath);
    EXPECT_EQ(CauseOf([&] { File::OpenRead(dir.Root()); }), FileCause::NotRegularFile);
    EXPECT_EQ(CauseOf([&] { File::OpenRead("NUL"); }), FileCause::NotRegularFile);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(dir.Root(), Bytes{1}); }), FileCause::AccessDenied);
    EXPECT_EQ(CauseOf([&] { WriteWholeFile(dir.Path("none/x.bmp"), Bytes{1}); }), FileCause::BadPath);
    // The null device takes an output and stays a device.
    WriteWholeFile("NUL", Bytes{1});
    EXPECT_TRUE(ListedNames(dir.Root()).empty());

    const FileError error(FileCause::SharingViolation, 0, "C:/sprites/a.pal");
    EXPECT_EQ(DescribeFileError(error), "访问文件C:\\sprites\\a.pal时出错：文件正被使用，共享冲突。");
}

// A pid whose process has ended and whose every handle is closed.
DWORD PidOfAProcessThatIsGone() {
    std::wstring command = L"cmd.exe /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &process)) {
        return 0;
    }
    ::WaitForSingleObject(process.hProcess, 60'000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return process.dwProcessId;
}

TEST(Win32File, AWriteRemovesTemporariesOfProcessesThatAreGone) {
    const std::string kPrefix = ".zandrel-";
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    ASSERT_TRUE(::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user));
    const std::uint64_t started = (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    const std::string pid = std::to_string(::GetCurrentProcessId());
    const std::string start = std::to_string(started);
    // The name this process gives its temporaries: the host's tag, pid and start.
    std::string tag;
    {
        TempDir probe;
        const OutputFile out = OutputFile::Create(probe.Path("a.bmp"));
        const std::vector<std::wstring> names = ListedNames(probe.Root());
        ASSERT_EQ(names.size(), 1u);
        const std::string name = Utf8FromWide(names[0]);
        tag = name.substr(kPrefix.size(), 8);
        ASSERT_TRUE(name.starts_with(kPrefix + tag + "-" + pid + "-" + start + "-")) << name;
    }
    const DWORD goneId = PidOfAProcessThatIsGone();
    ASSERT_NE(goneId, 0u) << "cmd.exe could not be started";
    const std::string gone = std::to_string(goneId);

    TempDir dir;
    const std::vector<std::string> removed = {
        kPrefix + tag + "-" + gone + "-4242-0",
        // The pid is this process's now, but the temporary's maker started earlier.
        kPrefix + tag + "-" + pid + "-" + std::to_string(started - 1) + "-0",
        kPrefix + gone + "-3",  // the older form
        // Far beyond the pids Windows hands out: no process at all to open. (Wine keeps
        // an ended process's object a while, as a held handle does.)
        kPrefix + tag + "-4294967292-4242-0",
    };
    const std::vector<std::string> kept = {kPrefix + tag + "-" + pid + "-" + start + "-7", kPrefix + pid + "-3"};
    for (const std::string& name : removed) test::WriteBytes(dir.Path(name), Bytes{1});
    for (const std::string& name : kept) test::WriteBytes(dir.Path(name), Bytes{1});
    WriteWholeFile(dir.Path("out.bmp"), Bytes{5});
    std::vector<std::wstring> expected = {L"out.bmp"};
    for (const std::string& name : kept) expected.push_back(WideFromUtf8(name));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListedNames(dir.Root()), expected);
}

TEST(Win32File, PathsLongerThanTheOrdinaryLimit) {
    TempDir dir;
    // The folders are made with the extended form directly, not by the code under test.
    std::string folder = dir.Root();
    std::wstring full = L"\\\\?\\" + WideFromUtf8(dir.Root());
    std::replace(full.begin(), full.end(), L'/', L'\\');
    while (folder.size() < MAX_PATH + 40) {
        folder += "\\a-folder-with-a-rather-long-name";
        full += L"\\a-folder-with-a-rather-long-name";
        ASSERT_TRUE(::CreateDirectoryW(full.c_str(), nullptr)) << ::GetLastError();
    }
    const std::string path = folder + "\\frame 0.bmp";
    ASSERT_GT(path.size(), std::size_t{MAX_PATH});

    WriteWholeFile(path, Bytes{1, 2, 3});
    WriteWholeFile(path, Bytes{4, 5});  // and replaced
    EXPECT_EQ(File::OpenRead(path).ReadAll(), (Bytes{4, 5}));
    EXPECT_TRUE(IsExistingFolder(folder));
    EXPECT_TRUE(IdentityOf(path).has_value());
    EXPECT_EQ(ListedNames(Utf8FromWide(full)), std::vector<std::wstring>{L"frame 0.bmp"});

    WriteSprite(folder + "\\a.spr");
    const std::optional<CliRun> run = RunCli({"palette", "export", folder + "\\a.spr", folder + "\\a.pal"});
    if (!run) GTEST_SKIP() << "ZANDREL_CLI does not name a command line to run";
    EXPECT_EQ(run->status, kCliDone) << run->output;
    EXPECT_TRUE(IdentityOf(folder + "\\a.pal").has_value());
}

TEST(Win32File, ChineseFileNames) {
    TempDir dir;
    const std::string sprite = dir.Path("精灵 一.spr");
    const Bytes bytes = test::MakeSprite(SprKind::Indexed256Rle, {test::PatternFrame(6, 4)}, test::DistinctPalette());
    WriteWholeFile(sprite, bytes);
    // The name on disk is the UTF-16 of the UTF-8 given, not its bytes in a code page.
    EXPECT_EQ(ListedNames(dir.Root()), std::vector<std::wstring>{L"\u7CBE\u7075 \u4E00.spr"});
    EXPECT_EQ(File::OpenRead(sprite).ReadAll(), bytes);

    // The command line takes such names from its UTF-16 command line, whatever the
    // console's code page, and writes them in UTF-8 to a file.
    const std::optional<CliRun> exported = RunCli({"palette", "export", sprite, dir.Path("调色板.pal")});
    if (!exported) GTEST_SKIP() << "ZANDREL_CLI does not name a command line to run";
    EXPECT_EQ(exported->status, kCliDone) << exported->output;
    const std::optional<CliRun> converted =
        RunCli({"palette", "convert", dir.Path("调色板.pal"), dir.Path("微软.pal"), "--to", "microsoft"});
    EXPECT_EQ(converted->status, kCliDone) << converted->output;
    EXPECT_NE(converted->output.find("调色板.pal转换到Microsoft格式的调色板文件"), std::string::npos)
        << converted->output;
    EXPECT_EQ(ListedNames(dir.Root()),
              (std::vector<std::wstring>{L"\u5FAE\u8F6F.pal", L"\u7CBE\u7075 \u4E00.spr", L"\u8C03\u8272\u677F.pal"}));
}

}  // namespace
}  // namespace zandrel
