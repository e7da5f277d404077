#include "maker/source_preview.h"

#include <gtest/gtest.h>

#include "os/file.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::TempDir;

std::array<std::uint8_t, 4> PixelAt(const test::Seen& image, std::size_t x, std::size_t y) {
    const std::size_t at = (y * image.width + x) * 4;
    return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2], image.pixels[at + 3]};
}

TEST(SourcePreview, DrawsABmpThroughItsColourTable) {
    TempDir dir;
    const SprPalette palette = test::DistinctPalette();
    test::WriteBytes(dir.Path("a.bmp"), test::MakeBmp8(3, 2, Bytes{0, 1, 2, 3, 4, 5}, palette));
    const test::Seen image = test::SeenOf(DecodePreview(dir.Path("a.bmp")));
    ASSERT_TRUE(image.refusal.empty());
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    // Index 0 and the top-left pixel show their colour: the preview has no transparency.
    EXPECT_EQ(PixelAt(image, 0, 0),
              (std::array<std::uint8_t, 4>{palette[0].blue, palette[0].green, palette[0].red, 255}));
    EXPECT_EQ(PixelAt(image, 2, 1),
              (std::array<std::uint8_t, 4>{palette[5].blue, palette[5].green, palette[5].red, 255}));
}

TEST(SourcePreview, LaysATgaOverBlackUpright) {
    TempDir dir;
    // Stored bottom row first: blue, green, red, alpha.
    test::WriteBytes(dir.Path("a.tga"), test::MakeTga32(2, 2,
                                                        Bytes{255, 100, 7, 128, 100, 100, 100, 100,  //
                                                              9, 9, 9, 0, 1, 2, 3, 255}));
    const test::Seen image = test::SeenOf(DecodePreview(dir.Path("a.tga")));
    ASSERT_TRUE(image.refusal.empty());
    EXPECT_EQ(PixelAt(image, 0, 1), (std::array<std::uint8_t, 4>{128, 50, 3, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (std::array<std::uint8_t, 4>{39, 39, 39, 255}));
    EXPECT_EQ(PixelAt(image, 0, 0), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(image, 1, 0), (std::array<std::uint8_t, 4>{1, 2, 3, 255}));
}

TEST(SourcePreview, RefusesWhatItCannotShow) {
    TempDir dir;
    Bytes bmp = test::MakeBmp8(2, 1, Bytes{1, 2}, test::DistinctPalette());
    bmp[28] = 24;
    test::WriteBytes(dir.Path("deep.bmp"), bmp);
    EXPECT_EQ(DecodePreview(dir.Path("deep.bmp")).Refused().text, dir.Path("deep.bmp") + "不是256色无压缩BMP图!");
    bmp[28] = 8;
    bmp[30] = 1;
    test::WriteBytes(dir.Path("rle.bmp"), bmp);
    EXPECT_EQ(DecodePreview(dir.Path("rle.bmp")).Refused().text, dir.Path("rle.bmp") + "不是256色无压缩BMP图!");

    // Anything that does not begin with "BM" is tried as a TGA.
    Bytes tga = test::MakeTga32(1, 1, Bytes{1, 2, 3, 4});
    tga[17] = 0x28;
    test::WriteBytes(dir.Path("top.bmp"), tga);
    EXPECT_EQ(DecodePreview(dir.Path("top.bmp")).Refused().text, dir.Path("top.bmp") + "不是32位无压缩的TGA文件!");
    test::WriteBytes(dir.Path("empty.tga"), Bytes{});
    EXPECT_EQ(DecodePreview(dir.Path("empty.tga")).Refused().text, dir.Path("empty.tga") + "不是32位无压缩的TGA文件!");

    EXPECT_THROW((void)DecodePreview(dir.Path("gone.tga")), FileError);
}

}  // namespace
}  // namespace zandrel
