#include "os/utf16.h"

#include <cstdint>

namespace zandrel {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kSupplementaryFirst = 0x10000;

bool IsHighSurrogate(char32_t unit) { return unit >= kSurrogateFirst && unit < kLowSurrogateFirst; }
bool IsLowSurrogate(char32_t unit) { return unit >= kLowSurrogateFirst && unit <= kSurrogateLast; }

// The code point of the UTF-8 sequence at `text[at]` and the bytes it takes; a broken
// or overlong sequence is U+FFFD for its first byte alone. Surrogates are accepted:
// they are how lone units travel.
char32_t DecodeAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    length = 1;
    if (lead < 0x80) return lead;
    std::size_t count = 0;
    char32_t point = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        count = 2, point = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        count = 3, point = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        count = 4, point = lead & 0x07, least = kSupplementaryFirst;
    } else {
        return kReplacement;
    }
    if (text.size() - at < count) return kReplacement;
    for (std::size_t i = 1; i < count; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > kMaxCodePoint) return kReplacement;
    length = count;
    return point;
}

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < kSupplementaryFirst) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const char32_t point = DecodeAt(text, at, length);
        at += length;
        if (point < kSupplementaryFirst) {
            out += static_cast<char16_t>(point);
        } else {
            const char32_t offset = point - kSupplementaryFirst;
            out += static_cast<char16_t>(kSurrogateFirst + (offset >> 10));
            out += static_cast<char16_t>(kLowSurrogateFirst + (offset & 0x3FF));
        }
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char32_t unit = text[at];
        if (IsHighSurrogate(unit) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
            const char32_t low = text[++at];
            AppendUtf8(out, kSupplementaryFirst + ((unit - kSurrogateFirst) << 10) + (low - kLowSurrogateFirst));
        } else {
            AppendUtf8(out, unit);  // a lone surrogate too, as it came
        }
    }
    return out;
}

std::filesystem::path PathFromUtf8(std::string_view path) {
#ifdef _WIN32
    return std::filesystem::path(WideFromUtf8(path));
#else
    return std::filesystem::path(path);
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return Utf8FromWide(path.native());
#else
    return path.native();
#endif
}

#ifdef _WIN32
std::wstring WideFromUtf8(std::string_view text) {
    const std::u16string wide = Utf16FromUtf8(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string Utf8FromWide(std::wstring_view text) {
    return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
#endif

}  // namespace zandrel
