#include "formats/image_files.h"

#include <gtest/gtest.h>

#include <tuple>

#include "formats/pixels.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

Bytes Indices(std::size_t count, std::uint8_t first = 1) {
    Bytes indices(count);
    for (std::size_t i = 0; i < count; ++i) indices[i] = static_cast<std::uint8_t>(first + i);
    return indices;
}

void PutAt(Bytes& file, std::size_t offset, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(EncodeBmp8, LaysOutHeadersTableAndPaddedRowsBottomUp) {
    const SprPalette palette = test::DistinctPalette();
    const Bytes indices = Indices(30);  // 10 x 3, top row 1..10
    const Bytes file = EncodeBmp8(10, 3, indices, palette);
    ASSERT_EQ(file.size(), 1114u);
    EXPECT_EQ(GetU16(file, 0), kBmpType);
    EXPECT_EQ(GetU32(file, 2), 1114u);
    EXPECT_EQ(GetU32(file, 10), 1078u);
    EXPECT_EQ(GetU32(file, 14), 40u);
    EXPECT_EQ(GetU32(file, 18), 10u);
    EXPECT_EQ(GetU32(file, 22), 3u);
    EXPECT_EQ(GetU16(file, 26), 1);
    EXPECT_EQ(GetU16(file, 28), 8);
    EXPECT_EQ(GetU32(file, 30), 0u);
    EXPECT_EQ(GetU32(file, 34), 36u);
    EXPECT_EQ(GetU32(file, 38), 72u);
    EXPECT_EQ(GetU32(file, 42), 72u);
    EXPECT_EQ(GetU32(file, 46), 256u);
    EXPECT_EQ(GetU32(file, 50), 256u);
    // Red and blue change places and the fourth byte is 0, whatever the palette held.
    EXPECT_EQ(file[54 + 4 * 7], palette[7].blue);
    EXPECT_EQ(file[54 + 4 * 7 + 1], palette[7].green);
    EXPECT_EQ(file[54 + 4 * 7 + 2], palette[7].red);
    EXPECT_EQ(file[54 + 4 * 7 + 3], 0);
    // The bottom row (21..30) comes first, each row padded with two zero bytes.
    EXPECT_EQ(file[1078], 21);
    EXPECT_EQ(file[1078 + 9], 30);
    EXPECT_EQ(file[1078 + 10], 0);
    EXPECT_EQ(file[1078 + 11], 0);
    EXPECT_EQ(file[1078 + 24], 1);
    EXPECT_EQ(file.back(), 0);

    EXPECT_EQ(EncodeBmp8(8, 5, Indices(40), palette).size(), 1078u + 40u);
    const Bytes thirteen = EncodeBmp8(13, 1, Indices(13), palette);
    EXPECT_EQ(thirteen.size(), 1078u + 16u);
    EXPECT_EQ(thirteen[1078 + 12], 13);
}

TEST(EncodeBmp8, MatchesAFileLaidOutByHand) {
    const SprPalette palette = test::DistinctPalette(9);
    for (const std::uint16_t width : std::initializer_list<std::uint16_t>{1, 3, 4, 5, 13}) {
        const Bytes indices = Indices(std::size_t{width} * 3, 7);
        EXPECT_EQ(EncodeBmp8(width, 3, indices, palette), test::MakeBmp8(width, 3, indices, palette)) << width;
    }
}

TEST(FramesWithoutPixels, EncodeAsHeadersAndTableOrFooterOnly) {
    // An empty index buffer has no storage: nothing may be copied from it.
    const SprPalette palette = test::DistinctPalette();
    for (const auto& [width, height] : {std::pair<std::uint16_t, std::uint16_t>{0, 5}, {7, 0}, {0, 0}}) {
        const Bytes bmp = EncodeBmp8(width, height, Bytes{}, palette);
        EXPECT_EQ(bmp, test::MakeBmp8(width, height, Bytes{}, palette)) << width << "x" << height;
        EXPECT_EQ(bmp.size(), 1078u);

        Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        tga.insert(tga.end(), {static_cast<std::uint8_t>(width), 0, static_cast<std::uint8_t>(height), 0, 32, 8});
        tga.insert(tga.end(), 8, 0);
        tga.insert(tga.end(), kTgaSignature.begin(), kTgaSignature.end());
        EXPECT_EQ(EncodeTga32(width, height, Bytes{}), tga) << width << "x" << height;
    }
}

TEST(DecodeBmp8, ReadsRowsOfEveryPadding) {
    const SprPalette palette = test::DistinctPalette();
    for (const std::uint16_t width : std::initializer_list<std::uint16_t>{1, 2, 3, 4, 10, 13}) {
        const Bytes indices = Indices(std::size_t{width} * 4, 3);
        const Bmp8Decoded decoded = DecodeBmp8(test::MakeBmp8(width, 4, indices, palette));
        ASSERT_EQ(decoded.problem, Bmp8Problem::None) << width;
        EXPECT_EQ(decoded.image.width, width);
        EXPECT_EQ(decoded.image.height, 4);
        EXPECT_EQ(decoded.image.indices, indices) << width;
        EXPECT_EQ(decoded.image.colourTable, ColourTableOf(palette));
    }
}

TEST(DecodeBmp8, TableFollowsTheInfoHeaderAndPixelsFollowBfOffBits) {
    const SprPalette palette = test::DistinctPalette();
    Bytes file = test::MakeBmp8(2, 2, Bytes{1, 2, 3, 4}, palette);
    // A writer that counts 16 colours and puts the pixels elsewhere: the table is still
    // the 1024 bytes after the header, and the pixels come from bfOffBits.
    PutAt(file, 46, 16, 4);
    Bytes moved(file.begin(), file.begin() + 1078);
    moved.insert(moved.end(), 10, 0xAA);
    moved.insert(moved.end(), file.begin() + 1078, file.end());
    PutAt(moved, 10, 1088, 4);
    Bmp8Decoded decoded = DecodeBmp8(moved);
    ASSERT_EQ(decoded.problem, Bmp8Problem::None);
    EXPECT_EQ(decoded.image.indices, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(decoded.image.colourTable, ColourTableOf(palette));

    // A larger (version 5) info header moves the table behind it.
    Bytes v5(file.begin(), file.begin() + 54);
    PutAt(v5, 14, 124, 4);
    v5.insert(v5.end(), 84, 0);
    v5.insert(v5.end(), file.begin() + 54, file.end());
    PutAt(v5, 10, 1078 + 84, 4);
    decoded = DecodeBmp8(v5);
    ASSERT_EQ(decoded.problem, Bmp8Problem::None);
    EXPECT_EQ(decoded.image.colourTable, ColourTableOf(palette));
    EXPECT_EQ(decoded.image.indices, (Bytes{1, 2, 3, 4}));
}

TEST(DecodeBmp8, AShortColourTableReadsAsZeros) {
    // 2 x 1 pixels right after a 4-colour table: a small file of another writer.
    Bytes file = test::MakeBmp8(2, 1, Bytes{1, 2}, test::DistinctPalette());
    Bytes small(file.begin(), file.begin() + 54 + 16);
    small.insert(small.end(), {1, 2, 0, 0});
    PutAt(small, 10, 70, 4);
    const Bmp8Decoded decoded = DecodeBmp8(small);
    ASSERT_EQ(decoded.problem, Bmp8Problem::None);
    EXPECT_EQ(decoded.image.indices, (Bytes{1, 2}));
    EXPECT_EQ(decoded.image.colourTable[5], file[59]);
    EXPECT_EQ(decoded.image.colourTable[1023], 0);
}

TEST(DecodeBmp8, NamesEachWayAFileFailsTheReadingRule) {
    const Bytes good = test::MakeBmp8(4, 2, Indices(8), test::DistinctPalette());
    const auto with = [&](std::size_t offset, std::uint32_t value, std::size_t width) {
        Bytes file = good;
        PutAt(file, offset, value, width);
        return DecodeBmp8(file).problem;
    };
    EXPECT_EQ(with(0, 0x4D43, 2), Bmp8Problem::NotBmp);
    EXPECT_EQ(with(30, 1, 4), Bmp8Problem::Compressed);
    EXPECT_EQ(with(28, 24, 2), Bmp8Problem::NotEightBit);
    EXPECT_EQ(with(22, static_cast<std::uint32_t>(-2), 4), Bmp8Problem::TopDown);
    EXPECT_EQ(with(22, 0, 4), Bmp8Problem::NoPixels);
    EXPECT_EQ(with(18, 0, 4), Bmp8Problem::NoPixels);
    EXPECT_EQ(with(18, static_cast<std::uint32_t>(-4), 4), Bmp8Problem::NoPixels);
    EXPECT_EQ(with(18, 70000, 4), Bmp8Problem::TooLarge);
    EXPECT_EQ(with(22, 0x7FFFFFFF, 4), Bmp8Problem::TooLarge);
    EXPECT_EQ(with(18, 65535, 4), Bmp8Problem::PixelsOutsideFile);
    EXPECT_EQ(with(10, 0xFFFFFFF0, 4), Bmp8Problem::PixelsOutsideFile);
    EXPECT_EQ(DecodeBmp8(Bytes{'B', 'M', 0}).problem, Bmp8Problem::TooShort);
    EXPECT_EQ(DecodeBmp8(Bytes{'G', 'I', 'F'}).problem, Bmp8Problem::NotBmp);
    EXPECT_EQ(DecodeBmp8(Bytes{}).problem, Bmp8Problem::NotBmp);
}

TEST(FramePixelLimit, BmpAndTgaHeadersAskingForMoreAreRefusedBeforeTheirPixels) {
    // Only the headers: the files do not hold the pixels, so a size under the limit
    // fails later, for want of them.
    const Bytes bmp = test::MakeBmp8(4, 2, Indices(8), test::DistinctPalette());
    const Bytes tga = test::MakeTga32(3, 2, Bytes(24, 9));
    for (const auto& [width, height, over] : {std::tuple{4096u, 4096u, false}, std::tuple{4096u, 4097u, true},
                                              std::tuple{65535u, 256u, false}, std::tuple{65535u, 257u, true}}) {
        Bytes bmpSized = bmp;
        PutAt(bmpSized, 18, width, 4);
        PutAt(bmpSized, 22, height, 4);
        EXPECT_EQ(DecodeBmp8(bmpSized).problem, over ? Bmp8Problem::TooManyPixels : Bmp8Problem::PixelsOutsideFile)
            << width << "x" << height;
        Bytes tgaSized = tga;
        PutAt(tgaSized, kTgaWidthOffset, width, 2);
        PutAt(tgaSized, kTgaHeightOffset, height, 2);
        EXPECT_EQ(DecodeTga32(tgaSized).problem, over ? Tga32Problem::TooManyPixels : Tga32Problem::PixelsOutsideFile)
            << width << "x" << height;
    }
}

TEST(DecodeBmp8, AFileFailingSeveralChecksGetsTheFirstInOrder) {
    const Bytes good = test::MakeBmp8(4, 2, Indices(8), test::DistinctPalette());
    const auto with = [&](std::initializer_list<std::tuple<std::size_t, std::uint32_t, std::size_t>> fields) {
        Bytes file = good;
        for (const auto& [offset, value, width] : fields) PutAt(file, offset, value, width);
        return DecodeBmp8(file).problem;
    };
    const auto minus = [](std::int32_t value) { return static_cast<std::uint32_t>(value); };
    EXPECT_EQ(with({{0, 0x4D43, 2}, {30, 1, 4}}), Bmp8Problem::NotBmp);
    EXPECT_EQ(with({{30, 1, 4}, {28, 24, 2}}), Bmp8Problem::Compressed);  // an RLE-compressed 24-bit file
    EXPECT_EQ(with({{28, 24, 2}, {22, minus(-2), 4}}), Bmp8Problem::NotEightBit);
    EXPECT_EQ(with({{22, minus(-2), 4}, {18, 0, 4}}), Bmp8Problem::TopDown);
    EXPECT_EQ(with({{18, 0, 4}, {22, 70000, 4}}), Bmp8Problem::NoPixels);
    EXPECT_EQ(with({{18, 70000, 4}, {10, 0xFFFFFFF0, 4}}), Bmp8Problem::TooLarge);
}

TEST(DecodeBmp8, EveryCutIsRefusedOrReadInFull) {
    const Bytes indices = Indices(std::size_t{10} * 3);
    const Bytes file = test::MakeBmp8(10, 3, indices, test::DistinctPalette());
    for (std::size_t length = 0; length < file.size(); ++length) {
        const Bmp8Decoded decoded = DecodeBmp8(std::span(file).first(length));
        // The padding of the last row may be missing; everything else must be there.
        if (length >= file.size() - 2) {
            EXPECT_EQ(decoded.problem, Bmp8Problem::None) << length;
            EXPECT_EQ(decoded.image.indices, indices) << length;
        } else {
            EXPECT_NE(decoded.problem, Bmp8Problem::None) << length;
        }
    }
}

TEST(EncodeTga32, WritesHeaderPixelsAndFooter) {
    // Two pixels stored as alpha, blue, green, red.
    const Bytes sprPixels = {40, 10, 20, 30, 0, 1, 2, 3};
    const Bytes file = EncodeTga32(2, 1, sprPixels);
    ASSERT_EQ(file.size(), 52u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 8}));
    // Alpha 0 keeps its colour bytes: the export keeps alpha.
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 26), (Bytes{10, 20, 30, 40, 1, 2, 3, 0}));
    EXPECT_EQ(Bytes(file.begin() + 26, file.begin() + 34), Bytes(8, 0));
    const std::string signature(file.begin() + 34, file.end());
    EXPECT_EQ(signature, std::string("TRUEVISION-XFILE.\0", 18));
}

TEST(TestTga32Header, AcceptsOnlyUncompressed32BitBottomUp) {
    const Bytes good = test::MakeTga32(3, 2, Bytes(24, 9));
    ASSERT_TRUE(TestTga32Header(good));
    EXPECT_EQ(TestTga32Header(good)->width, 3);
    EXPECT_EQ(TestTga32Header(good)->height, 2);
    for (auto [offset, value] : std::initializer_list<std::pair<std::size_t, std::uint8_t>>{
             {0, 5}, {1, 1}, {2, 10}, {2, 3}, {5, 1}, {8, 1}, {11, 1}, {16, 24}, {17, 0x28}, {17, 0}}) {
        Bytes file = good;
        file[offset] = value;
        EXPECT_FALSE(TestTga32Header(file)) << offset << "=" << int(value);
    }
    // No footer is needed, and bytes after the pixels are ignored.
    Bytes trailing = good;
    trailing.insert(trailing.end(), 5, 0xFF);
    const Tga32Decoded decoded = DecodeTga32(trailing);
    ASSERT_EQ(decoded.problem, Tga32Problem::None);
    EXPECT_EQ(decoded.pixels, Bytes(24, 9));
}

TEST(DecodeTga32, EveryCutIsRefusedOrReadInFull) {
    Bytes pixels(std::size_t{3} * 2 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i);
    const Bytes file = test::MakeTga32(3, 2, pixels);
    for (std::size_t length = 0; length <= file.size(); ++length) {
        const Tga32Decoded decoded = DecodeTga32(std::span(file).first(length));
        if (length == file.size()) {
            ASSERT_EQ(decoded.problem, Tga32Problem::None);
            EXPECT_EQ(decoded.pixels, pixels);
        } else {
            EXPECT_NE(decoded.problem, Tga32Problem::None) << length;
        }
    }
}

}  // namespace
}  // namespace zandrel
