#include "palette/palette_convert.h"

#include <gtest/gtest.h>

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

TEST(PaletteConvert, TakesTheDirectionAtItsWord) {
    TempDir dir;
    ExportPalette(dir.Path("ms.pal"), test::DistinctPalette(), PaletteFileFormat::Microsoft);
    const Bytes source = test::ReadBytes(dir.Path("ms.pal"));
    // Overwriting a longer file leaves exactly the new layout's length.
    test::WriteBytes(dir.Path("out.pal"), Bytes(5000, 1));
    ASSERT_TRUE(ConvertPalette(dir.Path("ms.pal"), dir.Path("out.pal"), PaletteFileFormat::Microsoft).done);
    const Bytes out = test::ReadBytes(dir.Path("out.pal"));
    ASSERT_EQ(out.size(), 1048u);
    EXPECT_EQ(Bytes(out.begin() + 24, out.end()), Bytes(source.begin(), source.begin() + 1024));
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
    const Outcome refused = ConvertPalette(dir.Path("a.pal"), dir.Path("v.pal"), PaletteFileFormat::Velmark);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, "调色板文件" + dir.Path("a.pal") + "长度不足！应该至少有1048个字节");
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
