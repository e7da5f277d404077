#include "formats/paint_palettes.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/palette_files.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

ByteSpan Text(const std::string& text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

SprPaletteEntry Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {r, g, b, 0}; }

// The palette read back with only the colours, the reserved bytes cleared.
SprPalette ColoursOf(SprPalette palette) {
    for (SprPaletteEntry& entry : palette) entry.reserved = 0;
    return palette;
}

TEST(PaintPalettes, ReadHandWrittenFilesAndFillTheRestWithBlack) {
    const std::string jasc = "JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 128 255\r\n1 2 3\r\n";
    const PaintPaletteRead fromJasc = ReadJascPalette(Text(jasc));
    ASSERT_EQ(fromJasc.problem, PaintPaletteProblem::None);
    EXPECT_EQ(fromJasc.colours, 3u);
    EXPECT_EQ(fromJasc.palette[0], Rgb(255, 0, 0));
    EXPECT_EQ(fromJasc.palette[1], Rgb(0, 128, 255));
    EXPECT_EQ(fromJasc.palette[2], Rgb(1, 2, 3));
    EXPECT_EQ(fromJasc.palette[3], Rgb(0, 0, 0));
    EXPECT_EQ(fromJasc.palette[255], Rgb(0, 0, 0));

    // Name, columns, comments, blank lines, names after the colours, LF or CR LF, a BOM.
    const std::string gimp =
        "\xEF\xBB\xBFGIMP Palette\nName: Slime\r\nColumns: 4\n# comment\n\n"
        "255   0   0\tRed one\n  0 128 255 Sky\n# between\n\t1 2 3\n";
    const PaintPaletteRead fromGimp = ReadGimpPalette(Text(gimp));
    ASSERT_EQ(fromGimp.problem, PaintPaletteProblem::None);
    EXPECT_EQ(fromGimp.colours, 3u);
    EXPECT_EQ(fromGimp.palette, fromJasc.palette);

    Bytes act(768);
    for (std::size_t i = 0; i < act.size(); ++i) act[i] = static_cast<std::uint8_t>(i % 251);
    const PaintPaletteRead fromAct = ReadActPalette(act);
    ASSERT_EQ(fromAct.problem, PaintPaletteProblem::None);
    EXPECT_EQ(fromAct.palette[255], Rgb(765 % 251, 766 % 251, 767 % 251));
    // 772 bytes: the count (big-endian) says how many are used; the transparent index
    // is not a colour.
    act.insert(act.end(), {0x00, 0x02, 0xFF, 0xFF});
    const PaintPaletteRead counted = ReadActPalette(act);
    ASSERT_EQ(counted.problem, PaintPaletteProblem::None);
    EXPECT_EQ(counted.colours, 2u);
    EXPECT_EQ(counted.palette[1], Rgb(3, 4, 5));
    EXPECT_EQ(counted.palette[2], Rgb(0, 0, 0));
}

TEST(PaintPalettes, RefusalsNameTheLineAtFault) {
    struct Case {
        const char* text;
        PaintPaletteProblem problem;
        std::size_t line;
    };
    std::string jascFull = "JASC-PAL\n0100\n256\n";
    for (int i = 0; i < 256; ++i) jascFull += "1 2 3\n";
    const Case jascCases[] = {
        {"JASC-PAL\n0101\n1\n0 0 0\n", PaintPaletteProblem::BadLine, 2},
        {"JASC-PAL\n0100\nmany\n0 0 0\n", PaintPaletteProblem::BadLine, 3},
        {"JASC-PAL\n0100\n257\n0 0 0\n", PaintPaletteProblem::TooManyColours, 3},
        {"JASC-PAL\n0100\n2\n0 0 0\n256 0 0\n", PaintPaletteProblem::BadLine, 5},
        {"JASC-PAL\n0100\n2\n0 0 0\n1 2\n", PaintPaletteProblem::BadLine, 5},
        {"JASC-PAL\n0100\n2\n0 0 0\n1 2 3 4\n", PaintPaletteProblem::BadLine, 5},
        {"JASC-PAL\n0100\n2\n0 0 -1\n1 2 3\n", PaintPaletteProblem::BadLine, 4},
        {"JASC-PAL\n0100\n3\n0 0 0\n1 2 3\n", PaintPaletteProblem::EndsEarly, 6},
        {"JASC-PAL\n0100\n1\n0 0 0\n\n1 2 3\n", PaintPaletteProblem::BadLine, 6},
        {"JASC-PALETTE\n0100\n1\n0 0 0\n", PaintPaletteProblem::BadLine, 1},
    };
    for (const Case& c : jascCases) {
        const PaintPaletteRead read = ReadJascPalette(Text(c.text));
        EXPECT_EQ(read.problem, c.problem) << c.text;
        EXPECT_EQ(read.where, c.line) << c.text;
    }
    EXPECT_EQ(ReadJascPalette(Text(jascFull)).problem, PaintPaletteProblem::None);

    std::string gimpFull = "GIMP Palette\nName: x\n";
    for (int i = 0; i < 256; ++i) gimpFull += "1 2 3 c\n";
    EXPECT_EQ(ReadGimpPalette(Text(gimpFull)).colours, 256u);
    const Case gimpCases[] = {
        {"GIMP Palette\n0 0 0\nName: late\n", PaintPaletteProblem::BadLine, 3},
        {"GIMP Palette\n# ok\n0 0 0x\n", PaintPaletteProblem::BadLine, 3},
        {"GIMP Palette\n0 0\n", PaintPaletteProblem::BadLine, 2},
        {"GIMP Palette\n0 300 0\n", PaintPaletteProblem::BadLine, 2},
        {"GIMP Palettes\n0 0 0\n", PaintPaletteProblem::BadLine, 1},
    };
    for (const Case& c : gimpCases) {
        const PaintPaletteRead read = ReadGimpPalette(Text(c.text));
        EXPECT_EQ(read.problem, c.problem) << c.text;
        EXPECT_EQ(read.where, c.line) << c.text;
    }
    const PaintPaletteRead tooMany = ReadGimpPalette(Text(gimpFull + "# fine\n4 5 6\n"));
    EXPECT_EQ(tooMany.problem, PaintPaletteProblem::TooManyColours);
    EXPECT_EQ(tooMany.where, 2u + 256u + 2u);

    for (const std::size_t count : {std::size_t{0}, std::size_t{257}, std::size_t{0xFFFF}}) {
        Bytes act(768, 9);
        act.insert(act.end(), {static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count & 0xFF), 0, 0});
        const PaintPaletteRead read = ReadActPalette(act);
        EXPECT_EQ(read.problem, PaintPaletteProblem::BadActCount) << count;
        EXPECT_EQ(read.where, count);
    }
}

TEST(PaintPalettes, EveryFormatRoundTripsTheColoursAndIsToldByContent) {
    const SprPalette palette = test::DistinctPalette(3);
    for (const PaletteFileFormat format : {PaletteFileFormat::Jasc, PaletteFileFormat::Gimp, PaletteFileFormat::Act}) {
        const Bytes file = WritePaletteFile(palette, format, "hero");
        const PaletteFileRead read = ReadAnyPaletteFile(file);
        ASSERT_TRUE(read.Loaded()) << static_cast<int>(format);
        EXPECT_EQ(read.format, format);
        EXPECT_EQ(read.palette, ColoursOf(palette));
        // Every cut of the file is read within its bytes (the sanitizers watch);
        // a JASC palette without its last line falls short of its count.
        std::size_t loaded = 0;
        for (std::size_t length = 0; length < file.size(); ++length) {
            loaded += ReadAnyPaletteFile(ByteSpan(file).first(length)).Loaded() ? 1 : 0;
        }
        EXPECT_LT(loaded, file.size()) << static_cast<int>(format);
    }
    EXPECT_EQ(WritePaletteFile(palette, PaletteFileFormat::Act).size(), 772u);
    const Bytes jasc = WritePaletteFile(palette, PaletteFileFormat::Jasc);
    const std::size_t lastLine = std::string(jasc.begin(), jasc.end() - 2).rfind('\n') + 1;
    const PaintPaletteRead shortOfOne = ReadJascPalette(ByteSpan(jasc).first(lastLine));
    EXPECT_EQ(shortOfOne.problem, PaintPaletteProblem::EndsEarly);
    EXPECT_EQ(shortOfOne.where, 3u + 256u);
}

TEST(PaletteFiles, LengthsOfTheLayoutsWinOverContent) {
    std::string gimp = "GIMP Palette\n0 0 0\n";
    gimp.resize(1024, '\n');
    EXPECT_EQ(PaletteFileFormatOf(1024, Text(gimp).first(16)), PaletteFileFormat::Velmark);
    EXPECT_EQ(PaletteFileFormatOf(1048, Text("JASC-PAL\r\n0100")), PaletteFileFormat::Microsoft);
    EXPECT_EQ(PaletteFileFormatOf(768, Text("JASC-PAL\r\n0100")), PaletteFileFormat::Jasc);
    EXPECT_EQ(PaletteFileFormatOf(768, Text("anything")), PaletteFileFormat::Act);
    EXPECT_EQ(PaletteFileFormatOf(772, Text("anything")), PaletteFileFormat::Act);
    const std::string riff("RIFF\x10\x04\0\0PAL ", 12);
    for (const std::uint64_t length : {0u, 767u, 769u, 771u, 773u, 1023u, 1025u, 1047u, 1049u}) {
        EXPECT_EQ(PaletteFileFormatOf(length, Text(riff)), std::nullopt) << length;
    }
    EXPECT_EQ(PaletteFileFormatOf(kMaxTextPaletteFileBytes, Text("GIMP Palette\n")), PaletteFileFormat::Gimp);
    EXPECT_EQ(PaletteFileFormatOf(kMaxTextPaletteFileBytes + 1, Text("GIMP Palette\n")), std::nullopt);
}

}  // namespace
}  // namespace zandrel
