#include "formats/spr_file.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::MakeSprite;
using test::PatternFrame;

Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

TEST(SprHeader, RoundTripsAndClassifiesKinds) {
    const Bytes bytes = {'S', 'P', 1, 2, 3, 0, 5, 0};
    const SprHeader header = ParseSprHeader(std::span<const std::uint8_t, 8>(bytes.data(), 8));
    EXPECT_EQ(header.magic, kSprMagic);
    EXPECT_EQ(header.indexedCount, 3);
    EXPECT_EQ(header.trueColorCount, 5);
    // A file with palettised frames is palettised whatever the other count says.
    EXPECT_EQ(SprKindOf(header), SprKind::Indexed256Rle);
    EXPECT_EQ(SprFrameCountOf(header), 3);
    Bytes again;
    AppendSprHeader(again, header);
    EXPECT_EQ(again, bytes);

    EXPECT_EQ(SprKindOf({kSprMagic, 0, 2, 4, 0}), SprKind::Indexed256);
    EXPECT_EQ(SprKindOf({kSprMagic, 2, 9, 4, 0}), SprKind::Indexed256Rle);
    EXPECT_EQ(SprKindOf({kSprMagic, 1, 2, 0, 0}), SprKind::TrueColor32);
    EXPECT_EQ(SprFrameCountOf({kSprMagic, 1, 2, 0, 0}), 0);
}

TEST(SprEncodeRle, WritesZeroRunsAsPairsCutAt255) {
    EXPECT_EQ(SprEncodeRle(Bytes{5, 0, 0, 0, 7}), (Bytes{5, 0, 3, 7}));
    EXPECT_EQ(SprEncodeRle(Zeros(600)), (Bytes{0, 255, 0, 255, 0, 90}));
    EXPECT_EQ(SprEncodeRle(Zeros(255)), (Bytes{0, 255}));
    EXPECT_EQ(SprEncodeRle(Zeros(256)), (Bytes{0, 255, 0, 1}));
    EXPECT_EQ(SprEncodeRle(Zeros(300)), (Bytes{0, 255, 0, 45}));
    EXPECT_EQ(SprEncodeRle(Bytes{9, 0}), (Bytes{9, 0, 1}));
    EXPECT_TRUE(SprEncodeRle(Bytes{}).empty());
}

TEST(SprEncodeRle, RunsCrossRowEnds) {
    // Two rows of four: the row ends in two zeros and the next begins with three.
    const Bytes indices = {1, 2, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(SprEncodeRle(indices), (Bytes{1, 2, 0, 5, 3}));
}

TEST(SprDecodeRle, ExpandsPairsAndLiterals) {
    Bytes out(5);
    EXPECT_EQ(SprDecodeRle(Bytes{5, 0, 3, 7}, out).problem, RleProblem::None);
    EXPECT_EQ(out, (Bytes{5, 0, 0, 0, 7}));

    // 0x00 0x00 stands for no pixels, 0x00 0x01 for one.
    Bytes two(2, 0xEE);
    EXPECT_EQ(SprDecodeRle(Bytes{0, 0, 4, 0, 1}, two).problem, RleProblem::None);
    EXPECT_EQ(two, (Bytes{4, 0}));
}

TEST(SprDecodeRle, RefusesDataThatDoesNotFitTheFrame) {
    Bytes out(4, 0xEE);
    EXPECT_EQ(SprDecodeRle(Bytes{1, 2, 3, 4, 5}, out).problem, RleProblem::RunPastFrame);
    EXPECT_EQ(SprDecodeRle(Bytes{1, 0, 9}, out).problem, RleProblem::RunPastFrame);
    EXPECT_EQ(SprDecodeRle(Bytes{1, 2, 3}, out).problem, RleProblem::ShortOfPixels);
    const RleDecodeResult missing = SprDecodeRle(Bytes{1, 2, 0}, out);
    EXPECT_EQ(missing.problem, RleProblem::MissingCount);
    EXPECT_EQ(missing.offset, 2u);
    EXPECT_EQ(SprDecodeRle(Bytes{}, std::span<std::uint8_t>()).problem, RleProblem::None);
    EXPECT_EQ(SprDecodeRle(Bytes{0, 0}, std::span<std::uint8_t>()).problem, RleProblem::None);
}

TEST(SprDecodeRle, ARunOnePastTheFrameIsRefused) {
    // Found by mutating the bounds: a zero run that ends exactly at the frame's end
    // fits, one pixel more does not, also when the frame has no pixels at all.
    Bytes out(4, 0xEE);
    EXPECT_EQ(SprDecodeRle(Bytes{1, 2, 0, 2}, out).problem, RleProblem::None);
    const RleDecodeResult past = SprDecodeRle(Bytes{1, 2, 0, 3}, out);
    EXPECT_EQ(past.problem, RleProblem::RunPastFrame);
    EXPECT_EQ(past.offset, 2u);
    EXPECT_EQ(SprDecodeRle(Bytes{0, 1}, std::span<std::uint8_t>()).problem, RleProblem::RunPastFrame);
    EXPECT_EQ(SprDecodeRle(Bytes{7}, std::span<std::uint8_t>()).problem, RleProblem::RunPastFrame);

    // A stretch of literals long enough to be copied at once, one longer than the frame.
    Bytes nine(9, 0xEE);
    const Bytes ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(SprDecodeRle(std::span(ten).first(9), nine).problem, RleProblem::None);
    EXPECT_EQ(SprDecodeRle(ten, nine).problem, RleProblem::RunPastFrame);
}

TEST(SprDecodeRle, RoundTripsWhatTheEncoderWrites) {
    std::mt19937 random(7);
    for (int zeroPercent : {0, 5, 50, 95, 100}) {
        Bytes indices(5000);
        for (std::uint8_t& index : indices) {
            index = static_cast<int>(random() % 100) < zeroPercent ? 0 : static_cast<std::uint8_t>(1 + random() % 255);
        }
        const Bytes encoded = SprEncodeRle(indices);
        EXPECT_LE(encoded.size(), 2 * indices.size());
        EXPECT_LE(indices.size(), SprMaxRlePixels(encoded.size()));
        Bytes decoded(indices.size());
        ASSERT_EQ(SprDecodeRle(encoded, decoded).problem, RleProblem::None) << zeroPercent;
        EXPECT_EQ(decoded, indices) << zeroPercent;
    }
}

TEST(SprDecodeRle, EveryCutOfValidDataIsRefused) {
    const Bytes indices = PatternFrame(13, 7).pixels;
    const Bytes encoded = SprEncodeRle(indices);
    for (std::size_t length = 0; length < encoded.size(); ++length) {
        Bytes out(indices.size());
        EXPECT_NE(SprDecodeRle(std::span(encoded).first(length), out).problem, RleProblem::None) << length;
    }
}

TEST(SprMaxRlePixels, BoundsWhatDataCanDecodeTo) {
    EXPECT_EQ(SprMaxRlePixels(0), 0u);
    EXPECT_EQ(SprMaxRlePixels(1), 1u);
    EXPECT_EQ(SprMaxRlePixels(2), 255u);
    EXPECT_EQ(SprMaxRlePixels(5), 511u);
}

TEST(SprIndexFrames, FindsEveryRecordOfEachKind) {
    const SprPalette palette = test::DistinctPalette();
    const std::vector<test::TestFrame> frames = {PatternFrame(3, 2), {0, 5, {}}, PatternFrame(4, 1)};
    for (SprKind kind : {SprKind::Indexed256, SprKind::Indexed256Rle}) {
        const Bytes file = MakeSprite(kind, frames, palette);
        MemorySource source(file);
        const SprFrameIndex index = SprIndexFrames(source, ParseSprHeader(std::span(file).first<8>()), 999);
        ASSERT_EQ(index.problem, SprIndexProblem::None);
        ASSERT_EQ(index.frames.size(), 3u);
        EXPECT_EQ(index.frames[0].offset, 8u);
        // A frame of width 0 has no data: the next record follows its head directly.
        const std::size_t head = kind == SprKind::Indexed256Rle ? 6 : 4;
        EXPECT_EQ(index.frames[1].dataBytes, 0u);
        EXPECT_EQ(index.frames[2].offset, index.frames[1].offset + head);
        EXPECT_EQ(index.frames[2].dataOffset + index.frames[2].dataBytes, file.size() - kPaletteBytes);
    }

    const Bytes trueColour = MakeSprite(SprKind::TrueColor32, {test::TrueColourFrame(2, 3)}, palette);
    MemorySource source(trueColour);
    const SprFrameIndex index = SprIndexFrames(source, ParseSprHeader(std::span(trueColour).first<8>()), 999);
    ASSERT_EQ(index.frames.size(), 1u);
    EXPECT_EQ(index.frames[0].dataBytes, 24u);
}

TEST(SprIndexFrames, KeepsTheFramesBeforeADamagedOne) {
    const std::vector<test::TestFrame> frames = {PatternFrame(5, 5), PatternFrame(6, 6), PatternFrame(7, 7)};
    const Bytes whole = MakeSprite(SprKind::Indexed256Rle, frames, test::DistinctPalette());
    const SprHeader header = ParseSprHeader(std::span(whole).first<8>());
    MemorySource wholeSource(whole);
    const SprFrameIndex complete = SprIndexFrames(wholeSource, header, 999);

    // Cut the file anywhere and keep a palette block's worth of bytes after the cut:
    // only records that end before the palette block may be offered.
    for (std::size_t cut = 8; cut < whole.size() - kPaletteBytes; ++cut) {
        Bytes file(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        file.resize(cut + kPaletteBytes, 0);
        MemorySource source(file);
        const SprFrameIndex index = SprIndexFrames(source, header, 999);
        EXPECT_EQ(index.problem, SprIndexProblem::TruncatedFrame) << cut;
        for (std::size_t i = 0; i < index.frames.size(); ++i) {
            EXPECT_LE(index.frames[i].dataOffset + index.frames[i].dataBytes, cut) << cut;
            EXPECT_EQ(index.frames[i].offset, complete.frames[i].offset);
        }
    }
}

TEST(SprIndexFrames, StopsAtTheCallersLimit) {
    std::vector<test::TestFrame> frames(1000, test::TestFrame{1, 1, Bytes{7}});
    const Bytes file = MakeSprite(SprKind::Indexed256, frames, test::DistinctPalette());
    MemorySource source(file);
    const SprFrameIndex index = SprIndexFrames(source, ParseSprHeader(std::span(file).first<8>()), 999);
    EXPECT_EQ(index.problem, SprIndexProblem::TooManyFrames);
    EXPECT_EQ(index.declaredCount, 1000);
    EXPECT_EQ(index.frames.size(), 999u);
    EXPECT_EQ(index.frames[998].offset, 8u + 998u * 5u);
}

TEST(SprIndexFrames, FindsADamagedEndPastTheCallersLimit) {
    std::vector<test::TestFrame> frames(1001, test::TestFrame{1, 1, Bytes{7}});
    const Bytes whole = MakeSprite(SprKind::Indexed256, frames, test::DistinctPalette());
    const SprHeader header = ParseSprHeader(std::span(whole).first<8>());
    MemorySource wholeSource(whole);
    const SprFrameIndex intact = SprIndexFrames(wholeSource, header, 999);
    EXPECT_EQ(intact.completeCount, 1001);

    // The last record loses its pixel: the end of the file is damaged.
    Bytes cut(whole.begin(), whole.end() - kPaletteBytes - 1);
    cut.resize(cut.size() + kPaletteBytes, 0);
    MemorySource source(cut);
    const SprFrameIndex index = SprIndexFrames(source, header, 999);
    EXPECT_EQ(index.problem, SprIndexProblem::TruncatedFrame);
    EXPECT_EQ(index.completeCount, 1000);
    EXPECT_EQ(index.frames.size(), 999u);
    EXPECT_EQ(index.problemOffset, 8u + 1000u * 5u);
}

TEST(SprIndexFrames, AClaimedHugeFrameIsRefusedWithoutReadingIt) {
    Bytes file;
    AppendSprHeader(file, {kSprMagic, 0, 2, 1, 0});
    PutU16(file, 0xFFFF);
    PutU16(file, 0xFFFF);
    file.resize(2048, 0);
    MemorySource source(file);
    const SprFrameIndex index = SprIndexFrames(source, ParseSprHeader(std::span(file).first<8>()), 999);
    EXPECT_EQ(index.problem, SprIndexProblem::TruncatedFrame);
    EXPECT_TRUE(index.frames.empty());
}

TEST(SprPalette, CopiesEveryByteOfEveryEntry) {
    const SprPalette palette = test::DistinctPalette(3);
    Bytes bytes;
    AppendSprPalette(bytes, palette);
    ASSERT_EQ(bytes.size(), kPaletteBytes);
    EXPECT_EQ(bytes[4 * 9 + 3], palette[9].reserved);
    EXPECT_EQ(ParseSprPalette(std::span(bytes).first<kPaletteBytes>()), palette);
}

}  // namespace
}  // namespace zandrel
