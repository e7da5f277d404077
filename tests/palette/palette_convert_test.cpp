#include "palette/palette_convert.h"

#include <gtest/gtest.h>

#include <utility>

#include "os/file.h"
#include "tests/test_files.h"

namespace zandrel {
namespace {

using test::TempDir;

TEST(PaletteConvert, RoundTripsAndNamesBothFiles) {
    TempDir dir;
    const SprPalette palette = test::DistinctPalette(8);
    ExportPalette(dir.Path("a.pal"), palette, PaletteFileFormat::Velmark);
    const Bytes original = test::ReadBytes(dir.Path("a.pal"));
    ASSERT_EQ(original.size(), 1024u);

    const Outcome there = ConvertPalette(dir.Path("a.pal"), dir.Path("b.pal"), PaletteFileFormat::Microsoft);
    ASSERT_TRUE(there.done);
    EXPECT_EQ(there.text, "Velmark格式的调色板文件" + dir.Path("a.pal") + "转换到Microsoft格式的调色板文件" +
                              dir.Path("b.pal") + "完成。");
    EXPECT_EQ(test::ReadBytes(dir.Path("b.pal")).size(), 1048u);

    const Outcome back = ConvertPalette(dir.Path("b.pal"), dir.Path("c"), PaletteFileFormat::Velmark);
    ASSERT_TRUE(back.done);
    EXPECT_EQ(back.text, "Microsoft格式的调色板文件" + dir.Path("b.pal") + "转换到Velmark格式的调色板文件" +
                             dir.Path("c") + "完成。");
    EXPECT_EQ(test::ReadBytes(dir.Path("c")), original);
}

TEST(PaletteConvert, RefusesAFileAlreadyInTheLayoutAndWritesNothing) {
    TempDir dir;
    ExportPalette(dir.Path("ms.pal"), test::DistinctPalette(), PaletteFileFormat::Microsoft);
    ExportPalette(dir.Path("v.pal"), test::DistinctPalette(), PaletteFileFormat::Velmark);
    // A RIFF palette longer than the layout is still one.
    Bytes longer = test::ReadBytes(dir.Path("ms.pal"));
    longer.resize(1100, 7);
    test::WriteBytes(dir.Path("long.pal"), longer);
    test::WriteBytes(dir.Path("out.pal"), Bytes(5000, 1));
    const std::pair<const char*, PaletteFileFormat> cases[] = {{"ms.pal", PaletteFileFormat::Microsoft},
                                                               {"long.pal", PaletteFileFormat::Microsoft},
                                                               {"v.pal", PaletteFileFormat::Velmark}};
    for (const auto& [name, layout] : cases) {
        const std::string layoutName = layout == PaletteFileFormat::Microsoft ? "Microsoft" : "Velmark";
        const std::string expected = "调色板文件" + dir.Path(name) + "已经是" + layoutName + "格式的，不用转换。";
        EXPECT_EQ(CheckPaletteConversion(dir.Path(name), layout).text, expected) << name;
        const Outcome refused = ConvertPalette(dir.Path(name), dir.Path("out.pal"), layout);
        EXPECT_FALSE(refused.done) << name;
        EXPECT_EQ(refused.text, expected) << name;
        EXPECT_EQ(test::ReadBytes(dir.Path("out.pal")), Bytes(5000, 1)) << name;
    }
    EXPECT_TRUE(CheckPaletteConversion(dir.Path("ms.pal"), PaletteFileFormat::Velmark).done);
    EXPECT_TRUE(CheckPaletteConversion(dir.Path("v.pal"), PaletteFileFormat::Microsoft).done);
}

TEST(PaletteConvert, TakesAFileThatTellsNothingAtTheDirectionsWord) {
    TempDir dir;
    // 1048 bytes without a RIFF header, and more than a Velmark palette.
    Bytes source(1048);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 7 + 1);
    test::WriteBytes(dir.Path("odd.pal"), source);
    // Overwriting a longer file leaves exactly the new layout's length.
    test::WriteBytes(dir.Path("out.pal"), Bytes(5000, 1));
    const Outcome done = ConvertPalette(dir.Path("odd.pal"), dir.Path("out.pal"), PaletteFileFormat::Microsoft);
    ASSERT_TRUE(done.done);
    EXPECT_EQ(done.text, "Velmark格式的调色板文件" + dir.Path("odd.pal") + "转换到Microsoft格式的调色板文件" +
                             dir.Path("out.pal") + "完成。");
    const Bytes out = test::ReadBytes(dir.Path("out.pal"));
    ASSERT_EQ(out.size(), 1048u);
    EXPECT_EQ(Bytes(out.begin() + 24, out.end()), Bytes(source.begin(), source.begin() + 1024));
    ASSERT_TRUE(ConvertPalette(dir.Path("odd.pal"), dir.Path("back.pal"), PaletteFileFormat::Velmark).done);
    EXPECT_EQ(test::ReadBytes(dir.Path("back.pal")), Bytes(source.begin() + 24, source.end()));
}

TEST(PaletteConvert, NeverDamagesTheSource) {
    TempDir dir;
    ExportPalette(dir.Path("a.pal"), test::DistinctPalette(), PaletteFileFormat::Velmark);
    const Bytes original = test::ReadBytes(dir.Path("a.pal"));
    try {
        ConvertPalette(dir.Path("a.pal"), dir.Path("a.pal"), PaletteFileFormat::Microsoft);
        ADD_FAILURE() << "converting a file onto itself went through";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Cause(), FileCause::SharingViolation);
    }
    EXPECT_EQ(test::ReadBytes(dir.Path("a.pal")), original);

    // Too short for a palette where the layout puts it: refused, nothing written.
    test::WriteBytes(dir.Path("short.pal"), Bytes(1030, 2));
    const Outcome refused = ConvertPalette(dir.Path("short.pal"), dir.Path("v.pal"), PaletteFileFormat::Velmark);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, "调色板文件" + dir.Path("short.pal") + "长度不足！应该至少有1048个字节");
    EXPECT_FALSE(test::Exists(dir.Path("v.pal")));
    EXPECT_THROW(ConvertPalette(dir.Path("gone.pal"), dir.Path("v.pal"), PaletteFileFormat::Velmark), FileError);
}

TEST(PaletteExport, WritesEachLayoutsLength) {
    TempDir dir;
    const SprPalette palette = test::DistinctPalette();
    ExportPalette(dir.Path("v"), palette, PaletteFileFormat::Velmark);
    ExportPalette(dir.Path("m"), palette, PaletteFileFormat::Microsoft);
    EXPECT_EQ(test::ReadBytes(dir.Path("v")), WritePaletteFile(palette, PaletteFileFormat::Velmark));
    EXPECT_EQ(test::ReadBytes(dir.Path("m")), WritePaletteFile(palette, PaletteFileFormat::Microsoft));
}

}  // namespace
}  // namespace zandrel
