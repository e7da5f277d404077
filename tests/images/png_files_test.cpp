#include "formats/png_files.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <string>
#include <tuple>

#include "tests/images/qt_images.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::QtPng;

TEST(PngExport, IndexedKeepsIndicesAndPaletteWithIndexZeroClear) {
    const SprPalette palette = test::DistinctPalette();
    const test::TestFrame frame = test::PatternFrame(7, 3);
    const QImage image = test::QtDecode(EncodePngIndexed(frame.width, frame.height, frame.pixels, palette));
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.size(), QSize(7, 3));
    const QList<QRgb> table = image.colorTable();
    ASSERT_EQ(table.size(), 256);
    EXPECT_EQ(qAlpha(table[0]), 0);
    for (int i = 1; i < 256; ++i) {
        EXPECT_EQ(table[i], qRgba(palette[i].red, palette[i].green, palette[i].blue, 255)) << "entry " << i;
    }
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 7; ++x) EXPECT_EQ(image.pixelIndex(x, y), frame.pixels[y * 7 + x]) << x << "," << y;
    }
}

TEST(PngExport, RgbaIsUprightWithTheFramesOwnAlpha) {
    // Stored bottom row first, alpha, blue, green, red; 3 wide and 2 high so that a
    // flipped or transposed picture shows.
    const test::TestFrame frame = test::TrueColourFrame(3, 2, 7);
    const QImage image = test::QtDecode(EncodePngRgba(3, 2, frame.pixels)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* p = frame.pixels.data() + static_cast<std::ptrdiff_t>((1 - y) * 3 + x) * 4;
            EXPECT_EQ(image.pixel(x, y), qRgba(p[3], p[2], p[1], p[0])) << x << "," << y;
        }
    }
}

// One buffer and one thread's encoder memory for frame after frame, large after small
// and small after large, of both kinds: each file is its own frame and nothing of the
// one before.
TEST(PngExport, FramesEncodedIntoOneBufferEachDecodeToThemselves) {
    const PngEncoderMemory memory;
    const SprPalette palette = test::DistinctPalette();
    Bytes out{1, 2, 3};
    const std::tuple<std::uint16_t, std::uint16_t> sizes[] = {{3, 2}, {300, 200}, {1, 1}, {257, 3}, {2, 290}, {5, 5}};
    for (std::size_t n = 0; n < std::size(sizes); ++n) {
        const auto [width, height] = sizes[n];
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        if (n % 2 == 0) {
            const test::TestFrame frame = test::PatternFrame(width, height, static_cast<std::uint8_t>(n + 1));
            EncodePngIndexed(width, height, frame.pixels, palette, out);
            const QImage image = test::QtDecode(out);
            ASSERT_EQ(image.size(), QSize(width, height));
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) ASSERT_EQ(image.pixelIndex(x, y), frame.pixels[y * width + x]);
            }
            continue;
        }
        const test::TestFrame frame = test::TrueColourFrame(width, height, static_cast<std::uint8_t>(n));
        EncodePngRgba(width, height, frame.pixels, out);
        const QImage image = test::QtDecode(out).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p =
                    frame.pixels.data() + (static_cast<std::ptrdiff_t>(height - 1 - y) * width + x) * 4;
                ASSERT_EQ(image.pixel(x, y), qRgba(p[3], p[2], p[1], p[0])) << x << "," << y;
            }
        }
    }
}

// Noise is stored rather than searched, yet comes back whole; whatever repeats in it,
// rows or a narrow spread of indices, is still compressed.
TEST(PngExport, NoiseIsStoredAndWhatRepeatsIsStillCompressed) {
    constexpr int kWidth = 120;
    constexpr int kHeight = 150;
    std::uint32_t state = 12345;  // xorshift32
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<std::uint8_t>(state >> 24);
    };
    Bytes noise(std::size_t{kWidth} * kHeight);
    for (std::uint8_t& index : noise) index = next();
    Bytes rowsTwice = noise;  // each row of noise followed by a copy of itself
    for (std::ptrdiff_t y = 1; y < kHeight; y += 2) {
        std::copy_n(rowsTwice.begin() + (y - 1) * kWidth, kWidth, rowsTwice.begin() + y * kWidth);
    }
    Bytes sixteenValues = noise;
    for (std::uint8_t& index : sixteenValues) index &= 0x0F;

    const SprPalette palette = test::DistinctPalette();
    // The pixels, a filter byte a row and the colour chunks: what a stored picture takes.
    const std::size_t stored = noise.size() + kHeight + std::size_t{3} * 256 + 128;
    for (const auto& [name, pixels, mostBytes] :
         {std::tuple{"noise", &noise, stored}, std::tuple{"rows twice", &rowsTwice, stored * 6 / 10},
          std::tuple{"sixteen values", &sixteenValues, stored * 6 / 10}}) {
        SCOPED_TRACE(name);
        const Bytes png = EncodePngIndexed(kWidth, kHeight, *pixels, palette);
        EXPECT_LE(png.size(), mostBytes);
        const QImage image = test::QtDecode(png);
        ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ASSERT_EQ(image.pixelIndex(x, y), (*pixels)[static_cast<std::size_t>(y) * kWidth + x]);
            }
        }
    }
}

TEST(PngImport, IndexedSourcesGiveIndicesTableAndTheirTransparentEntry) {
    QImage image(5, 2, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 9; ++i) table.push_back(qRgba(10 * i, 20 * i, 5 * i, i == 6 ? 0 : 255));
    image.setColorTable(table);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, static_cast<uint>((x + 3 * y) % 9));
    }
    PngDecoded decoded = DecodePng(QtPng(image));
    ASSERT_EQ(decoded.problem, PngProblem::None);
    EXPECT_EQ(decoded.kind, PngKind::Indexed);
    EXPECT_EQ(decoded.transparentIndex, std::optional<std::uint8_t>(6));
    ASSERT_EQ(decoded.pixels.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(decoded.pixels[i], (i % 5 + 3 * (i / 5)) % 9);
    EXPECT_EQ(decoded.colourTable[std::size_t{4} * 8], 40);  // blue of entry 8
    EXPECT_EQ(decoded.colourTable[4 * 8 + 2], 80);           // red
    EXPECT_EQ(decoded.colourTable[4 * 9 + 2], 0);            // entries the file lacks are black

    table[6] = qRgb(1, 2, 3);  // nothing transparent: the build falls back to the top-left pixel
    image.setColorTable(table);
    decoded = DecodePng(QtPng(image));
    EXPECT_EQ(decoded.transparentIndex, std::nullopt);
}

TEST(PngImport, OneBitIndexedIsUnpackedToOneIndexAPixel) {
    QImage image(11, 2, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int x = 0; x < 11; ++x) {
        image.setPixel(x, 0, x % 3 == 0 ? 1 : 0);
        image.setPixel(x, 1, x == 10 ? 1 : 0);
    }
    const PngDecoded decoded = DecodePng(QtPng(image));
    ASSERT_EQ(decoded.problem, PngProblem::None);
    ASSERT_EQ(decoded.kind, PngKind::Indexed);
    const Bytes expected = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(decoded.pixels, expected);
}

TEST(PngImport, GreyAndSixteenBitBecomeEightBitRgba) {
    QImage grey(2, 1, QImage::Format_Grayscale16);
    reinterpret_cast<quint16*>(grey.scanLine(0))[0] = 0x1234;
    reinterpret_cast<quint16*>(grey.scanLine(0))[1] = 0xFFFF;
    PngDecoded decoded = DecodePng(QtPng(grey));
    ASSERT_EQ(decoded.problem, PngProblem::None);
    EXPECT_EQ(decoded.kind, PngKind::TrueColour);
    EXPECT_EQ(decoded.pixels, (Bytes{0x12, 0x12, 0x12, 255, 255, 255, 255, 255}));

    QImage deep(1, 2, QImage::Format_RGBA64);
    // Scaled to the nearest (value / 257): 0x10FF is 16.9, 0x8000 127.502, 0x7FFF 127.498.
    deep.setPixelColor(0, 0, QColor::fromRgba64(0x10FF, 0x8000, 0x7FFF, 0x8000));
    deep.setPixelColor(0, 1, QColor::fromRgba64(0xFFFF, 0, 0xFFFF, 0xFFFF));
    decoded = DecodePng(QtPng(deep));
    ASSERT_EQ(decoded.problem, PngProblem::None);
    EXPECT_EQ(decoded.kind, PngKind::TrueColour);
    EXPECT_EQ(decoded.pixels, (Bytes{0x11, 0x80, 0x7F, 0x80, 255, 0, 255, 255}));
}

TEST(PngImport, RefusesWhatIsNoSoundPng) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(qRgba(1, 2, 3, 4));
    const Bytes good = QtPng(image);
    ASSERT_EQ(DecodePng(good).problem, PngProblem::None);

    EXPECT_EQ(DecodePng({}).problem, PngProblem::NotPng);
    EXPECT_EQ(DecodePng(test::MakeBmp8(1, 1, Bytes{0}, test::DistinctPalette())).problem, PngProblem::NotPng);
    EXPECT_EQ(DecodePng(ByteSpan(good).first(kPngHeaderBytes - 1)).problem, PngProblem::NotPng);
    EXPECT_EQ(ReadPngHeader(ByteSpan(good).first(kPngHeaderBytes)).problem, PngProblem::None);

    Bytes cut(good.begin(), good.end() - 20);  // the pixels end early
    EXPECT_EQ(DecodePng(cut).problem, PngProblem::Damaged);
    Bytes flipped = good;
    flipped[flipped.size() - 20] ^= 0x40;  // in the pixel data or its checksum
    EXPECT_EQ(DecodePng(flipped).problem, PngProblem::Damaged);

    Bytes zeroWide = good;
    test::SetPngSize(zeroWide, 0, 16);
    EXPECT_EQ(DecodePng(zeroWide).problem, PngProblem::NoPixels);
    Bytes tooWide = good;
    test::SetPngSize(tooWide, 65536, 16);
    EXPECT_EQ(DecodePng(tooWide).problem, PngProblem::TooLarge);
    Bytes widest = good;
    test::SetPngSize(widest, 65535, 1);
    EXPECT_EQ(ReadPngHeader(widest).problem, PngProblem::None);
    // A small file that claims 65535 x 65535 pixels is refused before they are allocated.
    Bytes huge = good;
    test::SetPngSize(huge, 65535, 65535);
    EXPECT_EQ(ReadPngHeader(huge).problem, PngProblem::TooManyPixels);
    EXPECT_EQ(DecodePng(huge).problem, PngProblem::TooManyPixels);
}

TEST(PngImport, NoFrameOfMoreThanTheLimitIsDecodedHoweverWellItCompresses) {
    // A real bomb: 16384 x 16384 one-bit pixels squeeze into some 30 KB and would take
    // a gigabyte as RGBA.
    QImage bomb(16384, 16384, QImage::Format_Mono);
    bomb.fill(0);
    const Bytes bombFile = QtPng(bomb);
    ASSERT_LT(bombFile.size(), std::size_t{100} << 10);
    EXPECT_EQ(ReadPngHeader(bombFile).problem, PngProblem::TooManyPixels);
    EXPECT_EQ(DecodePng(bombFile).problem, PngProblem::TooManyPixels);

    // The limit is on the pixels, whatever the shape; the header says which side.
    QImage small(4, 4, QImage::Format_Mono);
    small.fill(0);
    const Bytes smallFile = QtPng(small);
    for (const auto& [width, height, over] : {std::tuple{4096u, 4096u, false}, std::tuple{4096u, 4097u, true},
                                              std::tuple{65535u, 256u, false}, std::tuple{65535u, 257u, true}}) {
        Bytes sized = smallFile;
        test::SetPngSize(sized, width, height);
        EXPECT_EQ(ReadPngHeader(sized).problem, over ? PngProblem::TooManyPixels : PngProblem::None)
            << width << "x" << height;
    }
}

TEST(PngImport, UnusedChunksAreSkippedHoweverManyOrBroken) {
    QImage image(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgba(x * 40, y * 80, 7, 255 - x));
    }
    const Bytes plain = QtPng(image);
    const PngDecoded expected = DecodePng(plain);
    ASSERT_EQ(expected.problem, PngProblem::None);

    // 100,000 comments, as some tools write, and one with a broken checksum.
    const std::string text("Comment\0made by hand", 20);  // keyword, NUL, text
    const ByteSpan comment(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    Bytes chatty = plain;
    test::InsertPngChunks(chatty, "tEXt", comment, 100000);
    test::InsertPngChunks(chatty, "zTXt", comment, 1, true);
    ASSERT_FALSE(test::QtDecode(chatty).isNull());
    const PngDecoded decoded = DecodePng(chatty);
    ASSERT_EQ(decoded.problem, PngProblem::None);
    EXPECT_EQ(decoded.pixels, expected.pixels);

    // A critical chunk with a broken checksum is still a damaged file.
    Bytes brokenPalette = plain;
    test::InsertPngChunks(brokenPalette, "PLTE", ByteSpan(comment).first(3), 1, true);
    EXPECT_EQ(DecodePng(brokenPalette).problem, PngProblem::Damaged);
}

}  // namespace
}  // namespace zandrel
