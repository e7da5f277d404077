#include "maker/sprite_build.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "formats/image_files.h"
#include "os/utf16.h"
#include "tests/test_files.h"
#include "viewer/sprite_model.h"

namespace zandrel {
namespace {

using test::TempDir;

class SpriteBuild : public ::testing::Test {
protected:
    std::string Bmp(const std::string& name, std::uint16_t width, std::uint16_t height, const Bytes& indices,
                    const SprPalette& palette) {
        test::WriteBytes(m_dir.Path(name), test::MakeBmp8(width, height, indices, palette));
        return m_dir.Path(name);
    }
    std::string Tga(const std::string& name, std::uint16_t width, std::uint16_t height, const Bytes& bgra) {
        test::WriteBytes(m_dir.Path(name), test::MakeTga32(width, height, bgra));
        return m_dir.Path(name);
    }
    // Loads what a build wrote and reads frame `index` back.
    test::Seen ReadBack(const std::string& path, std::size_t index) {
        EXPECT_TRUE(m_sprite.LoadSprite(path).done);
        return test::SeenOf(m_sprite.ReadFrame(index));
    }

    TempDir m_dir;
    SprPalette m_palette = test::DistinctPalette();
    SpriteModel m_sprite;
};

TEST(SourceKind, GoesByTheLastThreeCharacters) {
    EXPECT_EQ(SourceKindOf("/a/hero000.bmp"), SourceKind::Bmp);
    EXPECT_EQ(SourceKindOf("/a/hero000.BmP"), SourceKind::Bmp);
    EXPECT_EQ(SourceKindOf("x.tga"), SourceKind::Tga);
    EXPECT_EQ(SourceKindOf("xtga"), SourceKind::Tga);
    EXPECT_EQ(SourceKindOf("x.Png"), SourceKind::Png);
    EXPECT_EQ(SourceKindOf("x.jpg"), SourceKind::Neither);
    EXPECT_EQ(SourceKindOf("mp"), SourceKind::Neither);
    EXPECT_EQ(SourceKindOf(""), SourceKind::Neither);

    EXPECT_EQ(CheckSourceKinds({"a.jpg", "b.bmp"}).Refused().text, "只支持BMP或TGA格式!");
    EXPECT_EQ(CheckSourceKinds({"a.bmp", "b.tga"}).Refused().text, "列表中的文件类型不一致!");
    // A later entry of neither kind still counts as a mix.
    EXPECT_EQ(CheckSourceKinds({"a.tga", "b.tga", "c.jpg"}).Refused().text, "列表中的文件类型不一致!");
    EXPECT_EQ(*CheckSourceKinds({"a.tga", "b.TGA"}), SourceKind::Tga);
    EXPECT_TRUE(CheckSourceKinds({"a.tga", "b.TGA"}));
}

TEST(InitialSaveName, DropsTheFrameNumberAndExtension) {
    EXPECT_EQ(InitialSaveName("C:\\out\\hero000.bmp"), "C:\\out\\hero");
    EXPECT_EQ(InitialSaveName("/out/英雄000.bmp"), "/out/英雄");
    EXPECT_EQ(InitialSaveName("/out/英雄.bmp"), "/out");
    EXPECT_EQ(InitialSaveName("a00.bmp"), "");
    EXPECT_EQ(InitialSaveName("bmp"), "");
}

TEST_F(SpriteBuild, TopLeftIndexZeroKeepsPaletteAndPixels) {
    const Bytes indices = {0, 1, 2, 3, 0, 0, 0, 4};  // 4 x 2
    const std::string out = m_dir.Path("out.spr");
    const Outcome built = BuildSprite({Bmp("a.bmp", 4, 2, indices, m_palette)}, out);
    ASSERT_TRUE(built.done);
    EXPECT_EQ(built.text, out + "转换完成!");

    const Bytes file = test::ReadBytes(out);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{'S', 'P', 1, 2, 1, 0, 0, 0}));
    EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 14), (Bytes{4, 0, 2, 0, 8, 0}));
    EXPECT_EQ(Bytes(file.begin() + 14, file.end() - 1024), (Bytes{0, 1, 1, 2, 3, 0, 3, 4}));
    // The palette block: red, green, blue and a zero in place of the reserved byte.
    SprPalette expected = m_palette;
    for (SprPaletteEntry& entry : expected) entry.reserved = 0;
    EXPECT_EQ(ParseSprPalette(std::span(file).last<1024>()), expected);
}

TEST_F(SpriteBuild, TopLeftIndexBecomesTransparentIndexZero) {
    const Bytes first = {5, 0, 1, 5};   // top-left 5
    const Bytes second = {7, 1, 0, 7};  // top-left 7
    const std::string out = m_dir.Path("out.spr");
    ASSERT_TRUE(BuildSprite({Bmp("a.bmp", 2, 2, first, m_palette), Bmp("b.BMP", 2, 2, second, m_palette)}, out).done);

    EXPECT_EQ(ReadBack(out, 0).pixels, (Bytes{0, 5, 1, 0}));
    EXPECT_EQ(m_sprite.Palette()[0].red, m_palette[5].red);
    EXPECT_EQ(m_sprite.Palette()[5].blue, m_palette[0].blue);
    // The second source's own top-left index becomes transparent, and its index 0
    // goes where the palette now keeps that colour: every pixel keeps its colour.
    EXPECT_EQ(ReadBack(out, 1).pixels, (Bytes{0, 1, 5, 0}));
    EXPECT_EQ(m_sprite.Palette()[7].green, m_palette[7].green);
}

TEST_F(SpriteBuild, LaterTopLeftIndexKeepsTheFirstTransparentColourOnlyWhereThePaletteHasItTwice) {
    // The second source uses index 5, the first source's top-left colour, which the
    // sprite keeps in its transparent entry 0.
    const Bytes first = {5, 1, 1, 1};
    const Bytes second = {7, 5, 2, 7};
    const std::string out = m_dir.Path("out.spr");
    test::WriteBytes(out, Bytes{1, 2, 3});
    const std::string b = Bmp("b.bmp", 2, 2, second, m_palette);
    const Outcome refused = BuildSprite({Bmp("a.bmp", 2, 2, first, m_palette), b}, out);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.kind, RefusalKind::Failure);
    EXPECT_EQ(refused.text, b + "左上角的颜色和第一幅图的不同，图中却又用到了第一幅图左上角的颜色："
                                "这些像素在SPR里无法保持原色，请让每幅图左上角的颜色都相同!");
    EXPECT_EQ(test::ReadBytes(out), (Bytes{1, 2, 3}));

    // With the colour of entry 5 in entry 9 as well, the pixel takes entry 9.
    SprPalette twins = m_palette;
    twins[9] = {m_palette[5].red, m_palette[5].green, m_palette[5].blue, 77};
    ASSERT_TRUE(BuildSprite({Bmp("a.bmp", 2, 2, first, twins), Bmp("b.bmp", 2, 2, second, twins)}, out).done);
    EXPECT_EQ(ReadBack(out, 1).pixels, (Bytes{0, 9, 2, 0}));

    // A first source with top-left index 0 keeps its palette; a later one with
    // another top-left index must then not use index 0.
    const Bytes zeroFirst = {0, 3, 3, 3};
    const std::string other = m_dir.Path("other.spr");  // `out` is held by the model now
    EXPECT_FALSE(
        BuildSprite({Bmp("a.bmp", 2, 2, zeroFirst, m_palette), Bmp("c.bmp", 2, 2, {4, 0, 4, 4}, m_palette)}, other)
            .done);
    ASSERT_TRUE(
        BuildSprite({Bmp("a.bmp", 2, 2, zeroFirst, m_palette), Bmp("c.bmp", 2, 2, {4, 6, 4, 4}, m_palette)}, other)
            .done);
    EXPECT_EQ(ReadBack(other, 1).pixels, (Bytes{0, 6, 0, 0}));
}

// Sources with the same top-left index give the bytes they always gave. The BMPs and
// the sprite are written out here byte by byte.
TEST_F(SpriteBuild, SourcesWithOneTopLeftIndexGiveTheSameBytesAsAlways) {
    const auto bmp = [](std::initializer_list<std::uint8_t> rowsBottomFirst) {
        Bytes file = {'B', 'M', 0x46, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0,        // 1094 bytes, pixels at 1078
                      40,  0,   0,    0,    2, 0, 0, 0, 2, 0, 0,    0,    1, 0, 8, 0,  // 2 x 2, 8 bits
                      0,   0,   0,    0,    8, 0, 0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 256; ++i) {
            file.insert(file.end(), {std::uint8_t(i), std::uint8_t(i ^ 0x55), std::uint8_t(255 - i), 0});
        }
        file.insert(file.end(), rowsBottomFirst);
        return file;
    };
    test::WriteBytes(m_dir.Path("a.bmp"), bmp({1, 5, 0, 0, 5, 0, 0, 0}));  // top row 5 0, bottom row 1 5
    test::WriteBytes(m_dir.Path("b.bmp"), bmp({0, 9, 0, 0, 5, 5, 0, 0}));  // top row 5 5, bottom row 0 9
    const std::string out = m_dir.Path("out.spr");
    ASSERT_TRUE(BuildSprite({m_dir.Path("a.bmp"), m_dir.Path("b.bmp")}, out).done);

    Bytes expected = {'S', 'P', 1, 2, 2, 0, 0, 0, 2, 0, 2, 0, 6, 0, 0, 1, 5, 1, 0, 1,  // 0 5 / 1 0
                      2,   0,   2, 0, 4, 0, 0, 2, 5, 9};                               // 0 0 / 5 9
    for (int i = 0; i < 256; ++i) {
        const int from = i == 0 ? 5 : i == 5 ? 0 : i;  // entries 0 and 5 exchanged
        expected.insert(expected.end(), {std::uint8_t(255 - from), std::uint8_t(from ^ 0x55), std::uint8_t(from), 0});
    }
    EXPECT_EQ(test::ReadBytes(out), expected);
}

TEST_F(SpriteBuild, RefusesToWriteOntoItsOwnSources) {
    const std::string a = Bmp("a.bmp", 2, 1, Bytes{1, 2}, m_palette);
    const std::string b = Bmp("b.bmp", 2, 1, Bytes{3, 4}, m_palette);
    const Bytes before = test::ReadBytes(b);
    std::filesystem::create_hard_link(PathFromUtf8(b), PathFromUtf8(m_dir.Path("hard.spr")));
    std::vector<std::string> outputs{b, m_dir.Root() + "/./b.bmp", m_dir.Path("hard.spr")};
    std::vector<std::string> entries{"a.bmp", "b.bmp", "hard.spr", "t.tga"};
#ifndef _WIN32
    // Symbolic links are a privilege on Windows.
    std::filesystem::create_symlink(b, m_dir.Path("link.spr"));
    outputs.push_back(m_dir.Path("link.spr"));
    entries.insert(entries.begin() + 3, "link.spr");
#endif
    for (const std::string& output : outputs) {
        const Outcome outcome = BuildSprite({a, b}, output);
        EXPECT_FALSE(outcome.done) << output;
        EXPECT_EQ(outcome.kind, RefusalKind::Failure);
        EXPECT_EQ(outcome.text, "SPR文件" + output + "就是列表中的源图" + b + "，不能覆盖源图!");
        EXPECT_EQ(test::ReadBytes(b), before);
    }
    const std::string t = Tga("t.tga", 1, 1, Bytes{1, 2, 3, 4});
    EXPECT_FALSE(BuildSprite({t, t}, t).done);
    EXPECT_EQ(test::ReadBytes(t), test::MakeTga32(1, 1, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(m_dir.Entries(), entries);
}

TEST_F(SpriteBuild, DropsRowPaddingAndRunsZerosAcrossRows) {
    Bytes indices(std::size_t{10} * 40, 0);  // 10 x 40, zeros but for a mark per row after the first
    for (std::size_t row = 31; row < 40; ++row) indices[row * 10 + 9] = static_cast<std::uint8_t>(row);
    const std::string out = m_dir.Path("out.spr");
    ASSERT_TRUE(BuildSprite({Bmp("a.bmp", 10, 40, indices, m_palette)}, out).done);
    const Bytes file = test::ReadBytes(out);
    EXPECT_EQ(GetU16(file, 8), 10);
    EXPECT_EQ(GetU16(file, 10), 40);
    // 319 zeros before the first mark: one full run and one of 64.
    EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 19), (Bytes{0, 255, 0, 64, 31}));
    EXPECT_EQ(ReadBack(out, 0).pixels, indices);
}

TEST_F(SpriteBuild, RefusalsNameTheSourceAndLeaveTheDestinationAlone) {
    const std::string out = m_dir.Path("out.spr");
    test::WriteBytes(out, Bytes{1, 2, 3});
    const std::string good = Bmp("good.bmp", 2, 1, Bytes{1, 2}, m_palette);
    Bytes file = test::MakeBmp8(2, 1, Bytes{1, 2}, m_palette);

    const auto refusal = [&](const std::string& name, const Bytes& bytes) {
        test::WriteBytes(m_dir.Path(name), bytes);
        const Outcome outcome = BuildSprite({good, m_dir.Path(name)}, out);
        EXPECT_FALSE(outcome.done) << name;
        EXPECT_EQ(outcome.kind, RefusalKind::Failure) << name;
        EXPECT_EQ(test::ReadBytes(out), (Bytes{1, 2, 3})) << name;
        return outcome.text;
    };
    const auto patched = [&](std::size_t offset, std::uint8_t value) {
        Bytes copy = file;
        copy[offset] = value;
        return copy;
    };
    const std::string path = m_dir.Path("x.bmp");
    EXPECT_EQ(refusal("x.bmp", patched(0, 'X')), path + "不是一个合法的BMP文件!");
    EXPECT_EQ(refusal("x.bmp", patched(30, 1)), path + "被压缩了!");
    EXPECT_EQ(refusal("x.bmp", patched(28, 24)), path + "不是256色BMP图!");
    EXPECT_EQ(refusal("x.bmp", patched(25, 0xFF)), path + "是从上到下存储的BMP图，不支持!");
    EXPECT_EQ(refusal("x.bmp", patched(18, 0)), path + "的宽度或高度无效!");
    EXPECT_EQ(refusal("x.bmp", Bytes(file.begin(), file.end() - 3)), path + "不完整：文件里的数据比文件头说的少!");

    const Outcome missing = BuildSprite({good, m_dir.Path("gone.bmp")}, out);
    EXPECT_EQ(missing.text, "无法打开BMP文件!:" + m_dir.Path("gone.bmp"));
    const Outcome cannotCreate = BuildSprite({good}, m_dir.Path("none/out.spr"));
    EXPECT_EQ(cannotCreate.text, "无法创建SPR文件:" + m_dir.Path("none/out.spr") + "!");
    EXPECT_EQ(cannotCreate.kind, RefusalKind::Failure);
    // No temporary file is left behind by any of them.
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"good.bmp", "out.spr", "x.bmp"}));
}

TEST_F(SpriteBuild, RefusesWhatTheFieldsCannotHold) {
    // 300 x 300 nonzero indices but for the top-left one encode to over 90000 bytes:
    // more than rleSize can say.
    Bytes indices(90000, 3);
    indices[0] = 0;
    const std::string out = m_dir.Path("out.spr");
    const Outcome outcome = BuildSprite({Bmp("big.bmp", 300, 300, indices, m_palette)}, out);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.text, m_dir.Path("big.bmp") + "压缩后超过65535个字节，放不进SPR文件!");
    EXPECT_FALSE(test::Exists(out));

    // More pixels than 65535 bytes of runs can stand for (32767 * 255 + 1): refused from
    // the headers, so a file with nothing but its headers gets the same answer.
    Bytes huge = test::MakeBmp8(1, 1, Bytes{0}, m_palette);
    huge.resize(kBmpPixelOffset);
    const auto sized = [&](std::uint16_t width, std::uint16_t height) {
        huge[18] = static_cast<std::uint8_t>(width & 0xFF);
        huge[19] = static_cast<std::uint8_t>(width >> 8);
        huge[22] = static_cast<std::uint8_t>(height & 0xFF);
        huge[23] = static_cast<std::uint8_t>(height >> 8);
        test::WriteBytes(m_dir.Path("huge.bmp"), huge);
        return BuildSprite({m_dir.Path("huge.bmp")}, out).text;
    };
    EXPECT_EQ(sized(223, 37469), m_dir.Path("huge.bmp") + "压缩后超过65535个字节，放不进SPR文件!");  // one too many
    EXPECT_EQ(sized(2890, 2891), m_dir.Path("huge.bmp") + "不完整：文件里的数据比文件头说的少!");
    EXPECT_FALSE(test::Exists(out));

    const std::vector<std::string> tooMany(65536, m_dir.Path("a.tga"));
    EXPECT_FALSE(BuildTrueColourSprite(ImageSources(tooMany), out).done);
    EXPECT_FALSE(test::Exists(out));
}

TEST_F(SpriteBuild, LargeFramesEncodeAsOneStreamWhateverTheyAreReadIn) {
    // 600 x 600 pixels, read and encoded a piece at a time: zero stretches longer than a
    // piece, and stretches that a piece's end falls into, encode as in one stream.
    const std::uint16_t side = 600;
    Bytes indices(std::size_t{side} * side, 0);
    for (std::size_t i = 200000; i < indices.size(); i += 65000) indices[i] = 9;
    for (std::size_t i = 131000; i < 131100; ++i) indices[i] = static_cast<std::uint8_t>(i % 3);
    indices[0] = 0;
    const std::string out = m_dir.Path("out.spr");
    ASSERT_TRUE(BuildSprite({Bmp("large.bmp", side, side, indices, m_palette)}, out).done);
    const Bytes file = test::ReadBytes(out);
    const Bytes encoded = test::RleByHand(indices);
    ASSERT_EQ(GetU16(file, 12), encoded.size());
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), file.begin() + 14));
    EXPECT_EQ(ReadBack(out, 0).pixels, indices);
}

TEST_F(SpriteBuild, RecordsComeOutWholeHoweverTheBytesAreGathered) {
    // Frames of three pieces each with records of some 45000 bytes: the gathered bytes
    // are written out while a record is half encoded, and its length is filled in later.
    const std::uint16_t width = 500;
    const std::uint16_t height = 300;
    std::vector<std::string> sources;
    std::vector<Bytes> frames;
    for (std::uint8_t f = 0; f < 5; ++f) {
        Bytes indices(std::size_t{width} * height, 0);
        for (std::size_t i = 3 + f; i < indices.size(); i += 10 + f) {
            indices[i] = static_cast<std::uint8_t>(1 + (i + f) % 200);
        }
        frames.push_back(indices);
        sources.push_back(Bmp("f" + std::to_string(f) + ".bmp", width, height, indices, m_palette));
    }
    // Small records between large ones.
    frames.push_back(Bytes{0, 4, 0});
    sources.push_back(Bmp("small.bmp", 3, 1, frames.back(), m_palette));

    const std::string out = m_dir.Path("out.spr");
    ASSERT_TRUE(BuildSprite(sources, out).done);
    Bytes expected = {'S', 'P', 1, 2, static_cast<std::uint8_t>(frames.size()), 0, 0, 0};
    for (const Bytes& indices : frames) {
        const Bytes encoded = SprEncodeRle(indices);
        const bool small = indices.size() == 3;
        PutU16(expected, small ? 3 : width);
        PutU16(expected, small ? 1 : height);
        PutU16(expected, static_cast<std::uint16_t>(encoded.size()));
        PutBytes(expected, encoded);
    }
    const Bytes file = test::ReadBytes(out);
    ASSERT_EQ(file.size(), expected.size() + kPaletteBytes);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin()));
}

TEST_F(SpriteBuild, AFrameOf65535EncodedBytesIsTheLargestAccepted) {
    // A lone zero takes two bytes and every other index one: n indices give n + 1 bytes.
    const auto build = [&](std::uint16_t width, std::uint16_t height) {
        Bytes indices(std::size_t{width} * height, 3);
        indices[0] = 0;
        return BuildSprite({Bmp("edge.bmp", width, height, indices, m_palette)}, m_dir.Path("edge.spr"));
    };
    const Outcome largest = build(217, 302);  // 65534 indices
    ASSERT_TRUE(largest.done);
    EXPECT_EQ(GetU16(test::ReadBytes(m_dir.Path("edge.spr")), 12), 65535u);
    const Outcome over = build(257, 255);  // 65535 indices
    EXPECT_FALSE(over.done);
    EXPECT_EQ(over.text, m_dir.Path("edge.bmp") + "压缩后超过65535个字节，放不进SPR文件!");
    // The refused build left the earlier sprite as it was.
    EXPECT_EQ(GetU16(test::ReadBytes(m_dir.Path("edge.spr")), 12), 65535u);
}

TEST_F(SpriteBuild, TrueColourSourcesKeepRowsAndMoveAlphaFirst) {
    const std::string a = Tga("a.tga", 2, 1, Bytes{10, 20, 30, 40, 1, 2, 3, 0});
    const std::string b = Tga("b.tga", 1, 2, Bytes{5, 6, 7, 8, 9, 10, 11, 12});
    const std::string out = m_dir.Path("out.spr");
    const Outcome built = BuildSprite({a, b}, out);
    ASSERT_TRUE(built.done);
    EXPECT_TRUE(built.text.empty());
    const Bytes file = test::ReadBytes(out);
    Bytes expected = {'S', 'P', 1, 2, 0, 0, 2, 0};
    PutBytes(expected, Bytes{2, 0, 1, 0, 40, 10, 20, 30, 0, 1, 2, 3});
    PutBytes(expected, Bytes{1, 0, 2, 0, 8, 5, 6, 7, 12, 9, 10, 11});
    expected.resize(expected.size() + 1024, 0);
    EXPECT_EQ(file, expected);
}

// Long enough lists to keep four threads busy beyond their window of records, with the
// same file listed again and again under two names (each thread holds its source
// without sharing) and frames of a sprite among the files. The expected bytes are
// written here: records by RleByHand, the palette by the rule.
TEST_F(SpriteBuild, GivesTheSameBytesOnOneThreadOrFour) {
    // The first source's top-left index is 5; some later ones have 7, which then becomes
    // transparent while their 0 goes where the palette keeps the first one's colour 0.
    const auto spriteIndices = [](Bytes indices) {
        const std::uint8_t t = indices[0];
        for (std::uint8_t& index : indices) index = index == t ? 0 : index == 0 ? 5 : index;
        return indices;
    };
    std::vector<BuildSource> sources;
    Bytes records;
    const auto add = [&](const BuildSource& source, std::uint16_t width, std::uint16_t height, const Bytes& indices) {
        sources.push_back(source);
        const Bytes encoded = test::RleByHand(spriteIndices(indices));
        PutU16(records, width);
        PutU16(records, height);
        PutU16(records, static_cast<std::uint16_t>(encoded.size()));
        PutBytes(records, encoded);
    };
    const std::vector<test::TestFrame> spriteFrames = {test::Filled(3, 2, 0), {2, 2, {0, 9, 9, 0}}};
    // Two sprites of the same frames, taken in turns: the threads share the one sprite
    // that is open.
    const std::array<std::string, 2> sprites = {m_dir.Path("s.spr"), m_dir.Path("t.spr")};
    for (const std::string& sprite : sprites) {
        test::WriteBytes(sprite, test::MakeSprite(SprKind::Indexed256Rle, spriteFrames, test::DistinctPalette(4)));
    }
    for (std::uint8_t f = 0; f < 14; ++f) {
        const auto width = static_cast<std::uint16_t>(3 + f % 4);
        const auto height = static_cast<std::uint16_t>(2 + f % 3);
        Bytes indices(std::size_t{width} * height);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            indices[i] = static_cast<std::uint8_t>((i + f) % 3 == 0 ? 0 : 10 + (i * 7 + f) % 20);
        }
        indices[0] = f % 3 == 1 ? 7 : 5;
        // Later colour tables differ; the first one's is the sprite's.
        const std::string path = Bmp("f" + std::to_string(f) + ".bmp", width, height, indices,
                                     f % 4 == 2 ? test::DistinctPalette(9) : m_palette);
        add({path, std::nullopt}, width, height, indices);
        if (f == 4) {
            for (int again = 0; again < 6; ++again) {
                add({again % 2 == 0 ? path : m_dir.Path("./f4.bmp"), std::nullopt}, width, height, indices);
            }
        }
        // A frame of a sprite in every run of sources that a thread takes up.
        const std::uint16_t k = f % 2;
        add({sprites[f / 2 % 2], k}, spriteFrames[k].width, spriteFrames[k].height, spriteFrames[k].pixels);
    }
    Bytes expected = {'S', 'P', 1, 2, static_cast<std::uint8_t>(sources.size()), 0, 0, 0};
    PutBytes(expected, records);
    SprPalette palette = m_palette;
    std::swap(palette[0], palette[5]);
    for (const SprPaletteEntry& entry : palette) PutBytes(expected, Bytes{entry.red, entry.green, entry.blue, 0});

    for (const unsigned threads : {1u, 4u}) {
        const std::string out = m_dir.Path("out" + std::to_string(threads) + ".spr");
        ASSERT_TRUE(BuildSprite(sources, out, threads).done) << threads;
        EXPECT_EQ(test::ReadBytes(out), expected) << threads;
    }
}

TEST_F(SpriteBuild, GivesTheSameTrueColourBytesOnOneThreadOrFour) {
    const std::vector<test::TestFrame> spriteFrames = {test::TrueColourFrame(2, 3, 4), test::TrueColourFrame(1, 1, 9)};
    const std::string sprite = m_dir.Path("s.spr");
    test::WriteBytes(sprite, test::MakeSprite(SprKind::TrueColor32, spriteFrames, test::DistinctPalette()));
    std::vector<BuildSource> sources;
    Bytes expected = {'S', 'P', 1, 2, 0, 0, 0, 0};  // the frame count in the last two
    const auto record = [&](std::uint16_t width, std::uint16_t height, const Bytes& abgr) {
        PutU16(expected, width);
        PutU16(expected, height);
        PutBytes(expected, abgr);
    };
    for (std::uint8_t f = 0; f < 12; ++f) {
        const auto width = static_cast<std::uint16_t>(1 + f % 3);
        Bytes bgra;
        Bytes abgr;
        for (std::size_t i = 0; i < std::size_t{4} * width * 2; i += 4) {
            const Bytes pixel = {static_cast<std::uint8_t>(f + i), 7, static_cast<std::uint8_t>(200 - i), f};
            PutBytes(bgra, pixel);
            PutBytes(abgr, Bytes{pixel[3], pixel[0], pixel[1], pixel[2]});
        }
        const std::string path = Tga("t" + std::to_string(f) + ".tga", width, 2, bgra);
        for (int again = 0; again < (f == 5 ? 5 : 1); ++again) {
            sources.push_back({again % 2 == 0 ? path : m_dir.Path("./t5.tga"), std::nullopt});
            record(width, 2, abgr);
        }
        if (f % 2 == 1) {
            sources.push_back({sprite, 0});
            record(2, 3, spriteFrames[0].pixels);
        }
    }
    expected[6] = static_cast<std::uint8_t>(sources.size());
    expected.resize(expected.size() + kPaletteBytes, 0);

    for (const unsigned threads : {1u, 4u}) {
        const std::string out = m_dir.Path("out" + std::to_string(threads) + ".spr");
        ASSERT_TRUE(BuildSprite(sources, out, threads).done) << threads;
        EXPECT_EQ(test::ReadBytes(out), expected) << threads;
    }
}

// Whatever thread meets a bad source first, the build names the first one in the list,
// as one thread would, and writes nothing.
TEST_F(SpriteBuild, RefusesTheFirstBadSourceInListOrderOnAnyNumberOfThreads) {
    std::vector<std::string> sources;
    for (int f = 0; f < 16; ++f) sources.push_back(Bmp("f" + std::to_string(f) + ".bmp", 2, 1, Bytes{1, 2}, m_palette));
    Bytes truncated = test::MakeBmp8(300, 200, Bytes(std::size_t{300} * 200, 1), m_palette);
    truncated.resize(truncated.size() - 5);
    test::WriteBytes(sources[9], truncated);                      // slow to read, and refused only after the headers
    sources[11] = m_dir.Path("gone.bmp");                         // refused at once
    sources[13] = Bmp("used.bmp", 2, 1, Bytes{7, 1}, m_palette);  // the first one's top-left index
    const std::string out = m_dir.Path("out.spr");
    test::WriteBytes(out, Bytes{1, 2, 3});
    const std::vector<std::string> before = m_dir.Entries();

    for (const unsigned threads : {1u, 4u}) {
        const Outcome refused = BuildSprite(sources, out, threads);
        EXPECT_EQ(refused.text, sources[9] + "不完整：文件里的数据比文件头说的少!") << threads;
        EXPECT_EQ(refused.kind, RefusalKind::Failure);
        EXPECT_EQ(test::ReadBytes(out), (Bytes{1, 2, 3})) << threads;
        EXPECT_EQ(m_dir.Entries(), before) << threads;
    }
    // A source refused for its colours, named before the missing one after it.
    sources[9] = sources[13];
    const Outcome refused = BuildSprite(sources, out, 4);
    EXPECT_TRUE(refused.text.starts_with(sources[9] + "左上角的颜色")) << refused.text;
    EXPECT_EQ(test::ReadBytes(out), (Bytes{1, 2, 3}));
}

TEST_F(SpriteBuild, TrueColourBuildRefusesTgaFilesItWouldMisread) {
    const std::string out = m_dir.Path("out.spr");
    Bytes topDown = test::MakeTga32(1, 1, Bytes{1, 2, 3, 4});
    topDown[17] = 0x28;
    test::WriteBytes(m_dir.Path("top.tga"), topDown);
    EXPECT_EQ(BuildSprite({m_dir.Path("top.tga")}, out).text, m_dir.Path("top.tga") + "不是32位无压缩的TGA文件!");
    test::WriteBytes(m_dir.Path("short.tga"), test::MakeTga32(2, 2, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(BuildSprite({m_dir.Path("short.tga")}, out).text,
              m_dir.Path("short.tga") + "不完整：文件里的数据比文件头说的少!");
    EXPECT_EQ(BuildSprite({m_dir.Path("gone.tga")}, out).text, "无法打开TGA文件!:" + m_dir.Path("gone.tga"));
    EXPECT_FALSE(test::Exists(out));
}

}  // namespace
}  // namespace zandrel
