#include "formats/palette_files.h"

#include <gtest/gtest.h>

#include "tests/test_files.h"

namespace zandrel {
namespace {

Bytes Counting(std::size_t count, std::uint8_t first = 0) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * 3);
    return bytes;
}

TEST(WritePaletteFile, WritesEachLayoutExactly) {
    const SprPalette palette = test::DistinctPalette();
    Bytes raw;
    AppendSprPalette(raw, palette);

    const Bytes velmark = WritePaletteFile(palette, PaletteFileFormat::Velmark);
    EXPECT_EQ(velmark, raw);

    const Bytes microsoft = WritePaletteFile(palette, PaletteFileFormat::Microsoft);
    ASSERT_EQ(microsoft.size(), 1048u);
    EXPECT_EQ(Bytes(microsoft.begin(), microsoft.begin() + 24),
              (Bytes{0x52, 0x49, 0x46, 0x46, 0x10, 0x04, 0x00, 0x00, 0x50, 0x41, 0x4C, 0x20,
                     0x64, 0x61, 0x74, 0x61, 0x04, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01}));
    EXPECT_EQ(Bytes(microsoft.begin() + 24, microsoft.end()), raw);
}

TEST(ReadPaletteFile, GoesByLengthAlone) {
    // A 1024-byte file that begins with "RIFF" is still the raw layout.
    Bytes riffLike = Counting(1024);
    std::copy(kRiffPaletteHeader.begin(), kRiffPaletteHeader.end(), riffLike.begin());
    SprPalette palette{};
    ASSERT_EQ(ReadPaletteFile(riffLike, palette), PaletteReadResult::Loaded);
    EXPECT_EQ(palette[0].red, 'R');
    EXPECT_EQ(palette[5].reserved, riffLike[23]);

    // Any 1048-byte file is the RIFF layout, whatever its first 24 bytes hold.
    const Bytes anyHeader = Counting(1048, 9);
    ASSERT_EQ(ReadPaletteFile(anyHeader, palette), PaletteReadResult::Loaded);
    EXPECT_EQ(palette[0].red, anyHeader[24]);
    EXPECT_EQ(palette[255].reserved, anyHeader[1047]);
}

TEST(ReadPaletteFile, OtherLengthsLeaveThePaletteAlone) {
    const SprPalette before = test::DistinctPalette(4);
    for (std::size_t length : {0u, 88u, 1023u, 1025u, 1047u, 1049u, 2048u}) {
        SprPalette palette = before;
        EXPECT_EQ(ReadPaletteFile(Counting(length), palette), PaletteReadResult::WrongLength) << length;
        EXPECT_EQ(palette, before) << length;
    }
}

TEST(ConvertPaletteFile, AddsOrDropsTheHeaderAndCopiesTheRest) {
    const Bytes velmark = Counting(1024, 1);
    const std::optional<Bytes> microsoft = ConvertPaletteFile(velmark, PaletteFileFormat::Microsoft);
    ASSERT_TRUE(microsoft);
    EXPECT_EQ(*microsoft,
              WritePaletteFile(ParseSprPalette(std::span(velmark).first<1024>()), PaletteFileFormat::Microsoft));
    EXPECT_EQ(ConvertPaletteFile(*microsoft, PaletteFileFormat::Velmark), velmark);

    // Longer sources give their first palette's worth of bytes.
    const Bytes longVelmark = Counting(1500, 2);
    const Bytes fromLong = *ConvertPaletteFile(longVelmark, PaletteFileFormat::Microsoft);
    EXPECT_EQ(Bytes(fromLong.begin() + 24, fromLong.end()), Bytes(longVelmark.begin(), longVelmark.begin() + 1024));
    const Bytes longMicrosoft = Counting(1100, 3);
    EXPECT_EQ(ConvertPaletteFile(longMicrosoft, PaletteFileFormat::Velmark),
              Bytes(longMicrosoft.begin() + 24, longMicrosoft.begin() + 1048));

    // A source without a whole palette where the layout puts it is refused.
    EXPECT_FALSE(ConvertPaletteFile(Counting(1023), PaletteFileFormat::Microsoft));
    EXPECT_FALSE(ConvertPaletteFile(Counting(1024), PaletteFileFormat::Velmark));
    EXPECT_FALSE(ConvertPaletteFile(Bytes{}, PaletteFileFormat::Velmark));
}

}  // namespace
}  // namespace zandrel
