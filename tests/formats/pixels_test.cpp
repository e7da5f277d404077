// Every change of layout on pixels written out by hand: one pixel of each layout whose
// channels are all different tells any two channels apart, and two rows tell the
// orders of rows apart.

#include "formats/pixels.h"

#include <gtest/gtest.h>

namespace zandrel {
namespace {

TEST(Pixels, ChannelOrdersMoveEveryByteToItsPlace) {
    // Alpha 1, blue 2, green 3, red 4 in each layout's own order.
    const Bytes sprite{1, 2, 3, 4};
    const Bytes tga{2, 3, 4, 1};
    const Bytes png{4, 3, 2, 1};
    Bytes out(4);
    SpriteColourFromTga(tga, out);
    EXPECT_EQ(out, sprite);
    TgaColourFromSprite(sprite, out);
    EXPECT_EQ(out, tga);
    ReverseChannels(sprite, out);
    EXPECT_EQ(out, png);
    ReverseChannels(png, out);
    EXPECT_EQ(out, sprite);
}

TEST(Pixels, RowsFlipBetweenStridesAndLeaveThePaddingAlone) {
    // Three rows of two bytes, stored four apart, into rows three apart.
    const Bytes in{1, 2, 0, 0, 3, 4, 0, 0, 5, 6};
    Bytes out(8, 9);
    CopyRowsFlipped(in, 4, out, 3, 2, 3);
    EXPECT_EQ(out, (Bytes{5, 6, 9, 3, 4, 9, 1, 2}));
    CopyRowsFlipped({}, 4, {}, 3, 2, 0);  // no rows, no storage
}

TEST(Pixels, EveryTrueColourLayoutIsDrawnUprightOverBlack) {
    // Top row half transparent (alpha 128 over blue 200, green 100, red 50), bottom row
    // opaque blue 1, green 2, red 3.
    const Bytes expected{100, 50, 25, 255, 1, 2, 3, 255};
    EXPECT_EQ(Drawn(SpriteColourPicture{1, 2, {255, 1, 2, 3, 128, 200, 100, 50}}).pixels, expected);
    EXPECT_EQ(Drawn(TgaPicture{1, 2, {1, 2, 3, 255, 200, 100, 50, 128}}).pixels, expected);
    EXPECT_EQ(Drawn(PngColourPicture{1, 2, {50, 100, 200, 128, 3, 2, 1, 255}}).pixels, expected);

    // Straight keeps the colour as it is and the alpha beside it.
    EXPECT_EQ(Straight(SpriteColourPicture{1, 2, {255, 1, 2, 3, 128, 200, 100, 50}}).pixels,
              (Bytes{200, 100, 50, 128, 1, 2, 3, 255}));
}

TEST(Pixels, IndicesGoThroughThePaletteAndIndexZeroCanBeCleared) {
    SprPalette palette{};
    palette[0] = {10, 20, 30, 0};  // red, green, blue
    palette[7] = {40, 50, 60, 0};
    const IndexedPicture picture{2, 1, {7, 0}};
    EXPECT_EQ(Drawn(picture, DrawnColoursOf(palette)).pixels, (Bytes{60, 50, 40, 255, 30, 20, 10, 255}));
    EXPECT_EQ(Drawn(SpriteFrame(picture), palette).pixels, (Bytes{60, 50, 40, 255, 30, 20, 10, 255}));
    EXPECT_EQ(Straight(picture, palette, true).pixels, (Bytes{60, 50, 40, 255, 30, 20, 10, 0}));

    // The colour table holds blue, green, red, 0 and gives the palette back.
    const BmpColourTable table = ColourTableOf(palette);
    EXPECT_EQ((Bytes(table.begin() + 28, table.begin() + 32)), (Bytes{60, 50, 40, 0}));
    EXPECT_EQ(PaletteOf(table), palette);
    EXPECT_EQ(DrawnColoursOf(table), DrawnColoursOf(palette));
}

TEST(Pixels, CentringHalvesEachSideAndDropsTheRemainders) {
    EXPECT_EQ(CentredStart(204, 3), 101);  // not (204 - 3) / 2 = 100
    EXPECT_EQ(CentredStart(101, 4), 48);
    EXPECT_EQ(CentredStart(5, 5), 0);
    EXPECT_EQ(CentredStart(100, 640), -270);
}

}  // namespace
}  // namespace zandrel
