// The preview's zoom, checkerboard and rate steps, on plain pixel buffers.

#include "viewer/preview_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace zandrel::test {
namespace {

struct Bgr {
    int blue, green, red;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

// The pixel at (x, y) of the control, or -1s where the picture does not reach.
Bgr At(const PlacedPicture& placed, int x, int y) {
    const DrawnPicture& picture = placed.picture;
    if (x < placed.x || y < placed.y || x >= placed.x + picture.width || y >= placed.y + picture.height) {
        return {-1, -1, -1};
    }
    const std::size_t offset = (static_cast<std::size_t>(y - placed.y) * picture.width + (x - placed.x)) * 4;
    EXPECT_EQ(picture.pixels[offset + 3], 255);
    return {picture.pixels[offset], picture.pixels[offset + 1], picture.pixels[offset + 2]};
}

// An opaque frame whose pixel (x, y) has blue x, green y and red 7.
StraightPicture Numbered(std::uint16_t width, std::uint16_t height) {
    StraightPicture frame{width, height, Bytes(std::size_t{width} * height * 4)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &frame.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
            p[3] = 255;
        }
    }
    return frame;
}

TEST(PreviewViewTest, SteppingWrapsRoundAtBothEnds) {
    EXPECT_EQ(SteppedFrame(0, 3, 1), 1);
    EXPECT_EQ(SteppedFrame(2, 3, 1), 0);
    EXPECT_EQ(SteppedFrame(0, 3, -1), 2);
    EXPECT_EQ(SteppedFrame(1, 3, -1), 0);
    EXPECT_EQ(SteppedFrame(0, 1, 1), 0);
    EXPECT_EQ(SteppedFrame(0, 1, -1), 0);
    EXPECT_EQ(SteppedFrame(5, 0, 1), 5);
}

TEST(PreviewViewTest, ZoomMakesBlocksCentredByIntegerHalvings) {
    for (int zoom : {1, 2, 3, 16}) {
        SCOPED_TRACE(zoom);
        const StraightPicture frame = Numbered(3, 2);
        // An even width and an odd picture width tell halving each apart from halving the
        // difference.
        const PlacedPicture placed = PlacePicture(frame, zoom, false, 204, 101);
        const int left = 204 / 2 - 3 * zoom / 2;
        const int top = 101 / 2 - 2 * zoom / 2;
        EXPECT_EQ(placed.x, left);
        EXPECT_EQ(placed.y, top);
        EXPECT_EQ(placed.picture.width, 3 * zoom);
        EXPECT_EQ(placed.picture.height, 2 * zoom);
        for (int y = 0; y < 2 * zoom; ++y) {
            for (int x = 0; x < 3 * zoom; ++x) {
                ASSERT_EQ(At(placed, left + x, top + y), (Bgr{x / zoom, y / zoom, 7})) << x << "," << y;
            }
        }
        EXPECT_EQ(At(placed, left - 1, top), (Bgr{-1, -1, -1}));
        EXPECT_EQ(At(placed, left + 3 * zoom, top), (Bgr{-1, -1, -1}));
    }
}

TEST(PreviewViewTest, PictureLargerThanControlIsCutEvenlyAtItsEdges) {
    // 40 x 40 at 16 is 640 x 640 in a 100 x 50 control: the origin lies at 50 - 320 = -270
    // across and 25 - 320 = -295 down.
    const PlacedPicture placed = PlacePicture(Numbered(40, 40), 16, false, 100, 50);
    EXPECT_EQ(placed.x, 0);
    EXPECT_EQ(placed.y, 0);
    EXPECT_EQ(placed.picture.width, 100);
    EXPECT_EQ(placed.picture.height, 50);
    EXPECT_EQ(At(placed, 0, 0), (Bgr{270 / 16, 295 / 16, 7}));
    EXPECT_EQ(At(placed, 99, 49), (Bgr{369 / 16, 344 / 16, 7}));
    // Across the block edge at picture column 272.
    EXPECT_EQ(At(placed, 1, 0).blue, 16);
    EXPECT_EQ(At(placed, 2, 0).blue, 17);

    EXPECT_TRUE(PlacePicture(Numbered(4, 4), 2, false, 0, 0).picture.pixels.empty());
    EXPECT_TRUE(PlacePicture(Numbered(0, 0), 2, false, 50, 50).picture.pixels.empty());
}

TEST(PreviewViewTest, CheckerboardShowsThroughTransparencyInScreenSquares) {
    SprPalette palette{};
    palette[0] = {10, 20, 30, 0};
    palette[1] = {255, 0, 0, 0};
    // 4 x 4, all index 0 but for a red pixel at (1, 0).
    Bytes indices(16, 0);
    indices[1] = 1;
    const StraightPicture cleared = Straight(IndexedPicture{4, 4, indices}, palette, true);
    const PlacedPicture placed = PlacePicture(cleared, 4, true, 16, 16);  // fills the control
    ASSERT_EQ(placed.picture.width, 16);
    const Bgr light{kCheckerLight, kCheckerLight, kCheckerLight};
    const Bgr dark{kCheckerDark, kCheckerDark, kCheckerDark};
    EXPECT_EQ(At(placed, 0, 0), light);
    EXPECT_EQ(At(placed, 3, 7), light);  // squares are 8 screen pixels, whatever the zoom
    EXPECT_EQ(At(placed, 0, 8), dark);
    EXPECT_EQ(At(placed, 8, 8), light);
    EXPECT_EQ(At(placed, 9, 1), dark);
    EXPECT_EQ(At(placed, 4, 0), (Bgr{0, 0, 255}));  // the opaque pixel covers its square

    // Without the checkerboard index 0 keeps its colour.
    const PlacedPicture plain = PlacePicture(Straight(IndexedPicture{4, 4, indices}, palette, false), 1, true, 4, 4);
    EXPECT_EQ(At(plain, 0, 0), (Bgr{30, 20, 10}));
}

TEST(PreviewViewTest, TrueColourAlphaBlendsOverSquaresOrBlackAndRowsTurnUpright) {
    // Stored bottom row first, alpha, blue, green, red: bottom half-transparent, top clear.
    const Bytes stored{128, 200, 100, 50, 0, 90, 90, 90};
    const StraightPicture frame = Straight(SpriteColourPicture{1, 2, stored});
    const PlacedPicture checked = PlacePicture(frame, 1, true, 1, 2);
    EXPECT_EQ(At(checked, 0, 0), (Bgr{kCheckerLight, kCheckerLight, kCheckerLight}));
    const auto over = [](int colour) { return (colour * 128 + kCheckerLight * 127) / 255; };
    EXPECT_EQ(At(checked, 0, 1), (Bgr{over(200), over(100), over(50)}));

    // Over black: as the unscaled preview shows it, 200, 100, 50 at 128 is 100, 50, 25.
    const PlacedPicture black = PlacePicture(frame, 2, false, 2, 4);
    EXPECT_EQ(At(black, 0, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(At(black, 1, 3), (Bgr{100, 50, 25}));
}

TEST(PreviewViewTest, RateHalvesAndDoublesWithinItsBounds) {
    ViewOptions view;
    std::vector<int> rates;
    for (int i = 0; i < 4; ++i) rates.push_back((view.Faster(), view.rate));
    for (int i = 0; i < 7; ++i) rates.push_back((view.Slower(), view.rate));
    EXPECT_EQ(rates, (std::vector<int>{20, 40, 60, 60, 30, 15, 7, 3, 1, 1, 1}));
}

TEST(PreviewViewTest, FitTakesTheLargestZoomOrTheSmallestShrinkThatShowsTheFrameWhole) {
    EXPECT_EQ(FitScale(40, 30, 300, 300), (Scale{7, 1}));  // 300 / 40
    EXPECT_EQ(FitScale(40, 30, 320, 240), (Scale{8, 1}));  // exactly
    EXPECT_EQ(FitScale(2, 2, 300, 300), (Scale{16, 1}));   // at most 16x
    EXPECT_EQ(FitScale(300, 300, 300, 300), (Scale{1, 1}));
    EXPECT_EQ(FitScale(600, 100, 300, 300), (Scale{1, 2}));  // 300 fits exactly
    EXPECT_EQ(FitScale(601, 100, 300, 300), (Scale{1, 3}));  // 301 would not
    EXPECT_EQ(FitScale(640, 480, 205, 205), (Scale{1, 4}));  // 160 x 120; at 1/3, 214 is too wide
    EXPECT_EQ(FitScale(0, 5, 300, 300), (Scale{1, 1}));

    // Zooming in from below 1x goes through the shrinks, out stays below.
    ViewOptions view;
    view.shrink = 3;
    view.ZoomIn();
    EXPECT_EQ(view.ZoomText(), "1/2×");
    view.ZoomIn();
    view.ZoomIn();
    EXPECT_EQ(view.ScaleOf(), (Scale{2, 1}));
}

TEST(PreviewViewTest, PanMovesOnlyWhatIsLargerThanTheControlAndNeverPastItsEdges) {
    EXPECT_EQ(OriginOf(100, 40, 25), 30);    // fits: centred, the pan ignored
    EXPECT_EQ(OriginOf(100, 300, 0), -100);  // centred by halvings
    EXPECT_EQ(OriginOf(100, 300, 60), -40);
    EXPECT_EQ(OriginOf(100, 300, 500), 0);  // the left edge stays at the control's
    EXPECT_EQ(OriginOf(100, 300, -500), -200);
    EXPECT_EQ(UsablePan(100, 300, 500), 100);
    EXPECT_EQ(UsablePan(100, 40, 25), 0);

    // The same pan shows the same frame pixel under the same point as it moved.
    const Scale zoom{4, 1};
    const int origin = OriginOf(100, zoom.Scaled(75), -30);
    EXPECT_EQ(FramePointAt(50, 7, origin, 0, zoom, 75, 2), (FramePoint{(50 - origin) / 4, 1}));
    EXPECT_EQ(FramePointAt(origin - 1, 0, origin, 0, zoom, 75, 2), std::nullopt);
    EXPECT_EQ(FramePointAt(2, 0, 0, 0, Scale{1, 3}, 7, 1), (FramePoint{6, 0}));
    EXPECT_EQ(FramePointAt(3, 0, 0, 0, Scale{1, 3}, 7, 1), std::nullopt);  // 7 at 1/3 is 3 wide
}

TEST(PreviewViewTest, FadedNeighboursShowThroughTransparencyAndBeyondTheFrame) {
    // A 1 x 1 frame, transparent, over a 3 x 1 neighbour of blue 200.
    const StraightPicture frame{1, 1, Bytes{50, 60, 70, 0}};
    const StraightPicture neighbour{3, 1, Bytes{200, 0, 0, 255, 200, 0, 0, 255, 200, 0, 0, 255}};
    Scene scene{{&frame, 3, 0}, Scale{2, 1}, false, {{&neighbour, 1, 0}}, nullptr};
    PlacedScene placed = PlaceScene(scene, 10, 4);
    EXPECT_EQ(placed.x, 1);
    EXPECT_EQ(placed.picture.width, 6);
    EXPECT_EQ(placed.picture.height, 2);
    EXPECT_FALSE(placed.gaps);
    const std::uint8_t faded = 200 * kOnionOpacity / 255;
    EXPECT_EQ(Bytes(placed.picture.pixels.begin() + 8, placed.picture.pixels.begin() + 12),
              (Bytes{faded, 0, 0, 255}));  // under the clear frame

    // A neighbour that sticks out below leaves the corners beside it to the control.
    const StraightPicture tall{1, 2, Bytes{0, 0, 0, 255, 0, 0, 0, 255}};
    scene = Scene{{&neighbour, 0, 0}, Scale{1, 1}, false, {{&tall, 1, 0}}, nullptr};
    placed = PlaceScene(scene, 10, 4);
    EXPECT_TRUE(placed.gaps);
    EXPECT_EQ(placed.picture.height, 2);
    EXPECT_EQ(Bytes(placed.picture.pixels.begin() + 12, placed.picture.pixels.begin() + 16), (Bytes{0, 0, 0, 0}));
}

TEST(PreviewViewTest, InspectorTellsIndexAndColourOrColourAndAlpha) {
    const SprPalette palette = [] {
        SprPalette p{};
        p[9] = {0xAB, 0x01, 0xFF, 0};
        return p;
    }();
    EXPECT_EQ(DescribePixel(IndexedPicture{2, 1, Bytes{0, 9}}, palette, {1, 0}), "(1,0) 索引 9 #AB01FF");
    // Alpha, blue, green, red; the bottom row first, so (0, 0) is the second stored row.
    const SpriteColourPicture colour{1, 2, Bytes{1, 2, 3, 4, 200, 0x10, 0x20, 0x30}};
    EXPECT_EQ(DescribePixel(colour, palette, {0, 0}), "(0,0) #302010 透明度 200");
    EXPECT_EQ(DescribePixel(colour, palette, {0, 1}), "(0,1) #040302 透明度 1");
}

}  // namespace
}  // namespace zandrel::test
