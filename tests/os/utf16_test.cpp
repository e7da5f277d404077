#include "os/utf16.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

TEST(Utf16, CarriesEveryCharacterBothWays) {
    // ASCII, two- and three-byte sequences, and one beyond the 16-bit plane (a pair).
    const std::string text = "a/é\\精灵 \xF0\x9F\x98\x80.spr";
    const std::u16string wide = u"a/\u00E9\\\u7CBE\u7075 \xD83D\xDE00.spr";
    EXPECT_EQ(Utf16FromUtf8(text), wide);
    EXPECT_EQ(Utf8FromUtf16(wide), text);
    EXPECT_EQ(Utf16FromUtf8(""), u"");
}

TEST(Utf16, KeepsALoneSurrogateThatAWindowsNameMayHold) {
    const std::u16string lone = u"x\xD800y\xDC00";
    const std::string carried = Utf8FromUtf16(lone);
    EXPECT_EQ(carried, "x\xED\xA0\x80y\xED\xB0\x80");
    EXPECT_EQ(Utf16FromUtf8(carried), lone);
    // A high surrogate at the very end has no partner to wait for.
    EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(u"\xD83D")), u"\xD83D");
}

TEST(Utf16, TurnsBytesThatAreNoUtf8IntoReplacementCharacters) {
    // A stray continuation byte, a cut sequence, an overlong "/", a lead byte of five,
    // and a code point past U+10FFFF each become one U+FFFD, and what follows is kept.
    EXPECT_EQ(Utf16FromUtf8("\x80"
                            "a"),
              u"\xFFFD"
              u"a");
    EXPECT_EQ(Utf16FromUtf8("\xE7\xB2"), u"\xFFFD\xFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\xFFFD\xFFFD");
    EXPECT_EQ(Utf16FromUtf8("\xF8"
                            "b"),
              u"\xFFFD"
              u"b");
    EXPECT_EQ(Utf16FromUtf8("\xF4\x90\x80\x80"), u"\xFFFD\xFFFD\xFFFD\xFFFD");
    // The largest code point and the smallest three-byte one are whole characters.
    EXPECT_EQ(Utf16FromUtf8("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");
    EXPECT_EQ(Utf16FromUtf8("\xE0\xA0\x80"), u"\x0800");
}

}  // namespace
}  // namespace zandrel
