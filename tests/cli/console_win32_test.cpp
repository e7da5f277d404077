// The Windows command line's standard streams: UTF-8 bytes to files and pipes as they
// are, UTF-16 to a console, whole characters even where the buffer cuts one.

#include "cli/console_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "os/utf16.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

// Text whose three-byte characters fall across the buffer's every possible cut.
std::string LongChineseText() {
    std::string text;
    for (int line = 0; text.size() < 3 * 4096; ++line) {
        text += "文件名:中文" + std::string(static_cast<std::size_t>(line % 3), 'x') + ".spr|[256色压缩SPR]\n";
    }
    return text + "😀 end\n";  // and a four-byte one
}

TEST(StandardStream, AFileGetsTheUtf8BytesAsTheyAre) {
    test::TempDir dir;
    const std::string path = dir.Path("out.txt");
    const std::string text = LongChineseText();
    {
        const HANDLE file = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        StandardBuf buf(file);
        std::ostream out(&buf);
        out << text;
        out.flush();
        EXPECT_TRUE(out.good());
        EXPECT_EQ(buf.FailureReason(), "");
        ::CloseHandle(file);
    }
    const Bytes written = test::ReadBytes(path);
    EXPECT_EQ(std::string(written.begin(), written.end()), text);  // no carriage returns, nothing lost
}

TEST(StandardStream, AHandleThatCannotBeWrittenFailsTheStreamWithTheReason) {
    test::TempDir dir;
    const std::string path = dir.Path("read-only.txt");
    test::WriteBytes(path, Bytes{1});
    const HANDLE file = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        StandardBuf buf(file);
        std::ostream out(&buf);
        out << "text\n";
        EXPECT_TRUE(out.good());  // still buffered
        out.flush();
        EXPECT_FALSE(out.good());
        EXPECT_NE(buf.FailureReason(), "");
    }
    ::CloseHandle(file);
    EXPECT_EQ(test::ReadBytes(path), Bytes{1});
}

TEST(StandardStream, AConsoleGetsTheTextAsUtf16) {
    // The console's screen, read back character by character from where the text began.
    ::FreeConsole();
    if (!::AllocConsole()) GTEST_SKIP() << "no console to write to: error " << ::GetLastError();
    const HANDLE screen = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (screen == INVALID_HANDLE_VALUE || !::GetConsoleScreenBufferInfo(screen, &info)) {
        // Wine without a terminal gives a console that cannot be drawn on.
        GTEST_SKIP() << "no console screen to read back: error " << ::GetLastError();
    }
    // Characters cut by the buffer's end: a run of ASCII that leaves the next character
    // two bytes short of room.
    const std::string text = std::string(4095, 'a') + "中文";
    {
        StandardBuf buf(screen);
        std::ostream out(&buf);
        out << text;
        out.flush();
        EXPECT_TRUE(out.good()) << buf.FailureReason();
    }
    const std::wstring expected = WideFromUtf8(text);
    std::wstring shown(expected.size(), L'\0');
    DWORD read = 0;
    ASSERT_TRUE(::ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()),
                                              info.dwCursorPosition, &read));
    shown.resize(read);
    EXPECT_EQ(Utf8FromWide(shown), text);
    ::CloseHandle(screen);
    ::FreeConsole();
}

}  // namespace
}  // namespace zandrel
