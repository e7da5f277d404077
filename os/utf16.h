#pragma once

// Text is UTF-8 everywhere in the program and UTF-16 only where Windows wants it: the
// two are converted here and nowhere else.
//
// Windows file names are sequences of 16-bit units that need not be valid UTF-16 (a
// lone surrogate is a legal name). Such a unit is carried through UTF-8 as the three
// bytes its code point would take, and turned back into the same unit, so that every
// name the system lists can be opened again. Bytes that are not UTF-8 at all become
// U+FFFD: no file can have been named by them.

#include <filesystem>
#include <string>
#include <string_view>

namespace zandrel {

std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

// A path for std::filesystem, and back: the library's own narrow strings are in the
// system's code page on Windows, never UTF-8, so these go through UTF-16 there.
std::filesystem::path PathFromUtf8(std::string_view path);
std::string Utf8FromPath(const std::filesystem::path& path);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t));
// The same, in the type the Win32 calls take.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
#endif

}  // namespace zandrel
