// What Windows itself reads from Zandrel.exe: the version resource that Explorer's
// properties show, and icon 128 at both sizes, equal to the icon the program draws.

#include <gtest/gtest.h>
#include <windows.h>

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "os/utf16.h"
#include "res/app_icon.h"

namespace zandrel::test {
namespace {

const std::wstring kProgram = WideFromUtf8(ZANDREL_PROGRAM_FILE);

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(WindowsResources, VersionNamesTheProgramInChinesePrc) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kProgram.c_str(), &ignored);
    ASSERT_GT(size, 0u) << ZANDREL_PROGRAM_FILE;
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(kProgram.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1, 0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);  // 0, 1
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);  // Chinese (PRC)
    EXPECT_EQ(translation[1], 1200);    // Unicode

    EXPECT_EQ(VersionString(block, L"InternalName"), L"Zandrel");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"Zandrel.EXE");
    EXPECT_EQ(Utf8FromWide(VersionString(block, L"ProductName")), "Zandrel 应用程序");
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1, 0, 0, 1");
}

// The colours of an icon as the system draws it on black, with the mask's holes black.
QImage IconPixels(HICON icon, int size) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    QImage image(size, size, QImage::Format_RGB32);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = size;
    header.bmiHeader.biHeight = -size;  // top row first
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows =
        GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(size), image.bits(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return rows == size ? image : QImage();
}

TEST(WindowsResources, IconHoldsTheProgramsIconAtBothSizes) {
    HMODULE module = LoadLibraryExW(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (const auto& [size, xpm] : {std::pair{32, kAppIcon32}, std::pair{16, kAppIcon16}}) {
        SCOPED_TRACE(size);
        auto* icon =
            static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr);
        const QImage drawn = IconPixels(icon, size);
        DestroyIcon(icon);
        ASSERT_FALSE(drawn.isNull());
        const QImage expected = QImage(xpm).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(expected.size(), QSize(size, size));
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb want = qAlpha(expected.pixel(x, y)) == 0 ? qRgb(0, 0, 0) : expected.pixel(x, y);
                ASSERT_EQ(drawn.pixel(x, y) & 0xFFFFFFu, want & 0xFFFFFFu) << x << "," << y;
            }
        }
    }
    FreeLibrary(module);
}

}  // namespace
}  // namespace zandrel::test
