// Sprites as sources of a build: a frame taken as it is stored, the sprite's palette,
// and sprites written again byte for byte when all their frames are added.

#include <gtest/gtest.h>

#include <algorithm>

#include "maker/sprite_build.h"
#include "tests/test_files.h"
#include "viewer/sprite_model.h"

namespace zandrel {
namespace {

// A palette as a written sprite holds it: the reserved bytes are 0.
SprPalette WrittenPalette(std::uint8_t seed) {
    SprPalette palette = test::DistinctPalette(seed);
    for (SprPaletteEntry& entry : palette) entry.reserved = 0;
    return palette;
}

class SpriteSources : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        test::WriteBytes(m_dir.Path(name), bytes);
        return m_dir.Path(name);
    }
    std::string Sprite(const std::string& name, SprKind kind, const std::vector<test::TestFrame>& frames,
                       const SprPalette& palette) {
        return Write(name, test::MakeSprite(kind, frames, palette));
    }
    std::vector<BuildSource> AllFrames(const std::string& path) {
        Result<std::vector<BuildSource>> frames = SpriteFrameSources(path);
        EXPECT_TRUE(frames) << (frames ? "" : frames.Refused().text);
        return frames ? *frames : std::vector<BuildSource>{};
    }
    // The colour each pixel of frame `index` of the sprite at `path` shows, index 0 as
    // transparent (-1).
    std::vector<int> Colours(const std::string& path, std::size_t index) {
        SpriteModel sprite;
        EXPECT_TRUE(sprite.LoadSprite(path).done);
        const test::Seen frame = test::SeenOf(sprite.ReadFrame(index));
        std::vector<int> colours;
        for (const std::uint8_t pixel : frame.pixels) {
            const SprPaletteEntry& entry = sprite.Palette()[pixel];
            colours.push_back(pixel == 0 ? -1 : entry.red << 16 | entry.green << 8 | entry.blue);
        }
        return colours;
    }

    test::TempDir m_dir;
};

TEST_F(SpriteSources, EveryFrameAddedAndBuiltGivesTheSameBytes) {
    const SprPalette palette = WrittenPalette(3);
    const std::vector<std::string> sprites = {
        Sprite("rle.spr", SprKind::Indexed256Rle,
               {test::PatternFrame(7, 5, 1), test::Filled(300, 2, 0), test::PatternFrame(1, 1, 9)}, palette),
        Sprite("raw.spr", SprKind::Indexed256, {test::PatternFrame(4, 3, 2), test::PatternFrame(2, 2, 5)}, palette),
        Sprite("true.spr", SprKind::TrueColor32, {test::TrueColourFrame(3, 4, 1), test::TrueColourFrame(5, 2, 7)},
               SprPalette{}),
#ifdef ZANDREL_SAMPLES_DIR
        std::string(ZANDREL_SAMPLES_DIR) + "/slime.spr",
        std::string(ZANDREL_SAMPLES_DIR) + "/orb.spr",
        std::string(ZANDREL_SAMPLES_DIR) + "/tiles.spr",
#endif
    };
    for (const std::string& path : sprites) {
        const std::vector<BuildSource> frames = AllFrames(path);
        ASSERT_FALSE(frames.empty()) << path;
        EXPECT_EQ(frames.back(), (BuildSource{path, static_cast<std::uint16_t>(frames.size() - 1)}));
        const std::string again = m_dir.Path("again.spr");
        ASSERT_TRUE(BuildSprite(frames, again).done) << path;
        EXPECT_EQ(test::ReadBytes(again), test::ReadBytes(path)) << path;
    }

    // A sprite built from images, its top-left indices exchanged on the way, too.
    const Bytes first = {4, 0, 1, 4, 4, 2};
    const std::string built = m_dir.Path("built.spr");
    ASSERT_TRUE(BuildSprite({Write("a.bmp", test::MakeBmp8(3, 2, first, palette)),
                             Write("b.bmp", test::MakeBmp8(2, 2, Bytes{4, 9, 0, 4}, palette))},
                            built)
                    .done);
    ASSERT_TRUE(BuildSprite(AllFrames(built), m_dir.Path("again.spr")).done);
    EXPECT_EQ(test::ReadBytes(m_dir.Path("again.spr")), test::ReadBytes(built));
}

TEST_F(SpriteSources, FramesAreRemovedReorderedReplacedAndJoinedAndTheSpriteMayBeWrittenOver) {
    const SprPalette palette = WrittenPalette(5);
    const std::vector<test::TestFrame> heroFrames = {test::Filled(2, 1, 1), test::Filled(2, 1, 2),
                                                     test::Filled(2, 1, 3)};
    const std::string hero = Sprite("hero.spr", SprKind::Indexed256Rle, heroFrames, palette);
    const std::string other =
        Sprite("other.spr", SprKind::Indexed256Rle, {test::Filled(1, 2, 8), test::Filled(1, 1, 9)}, palette);
    const std::string image = Write("new.bmp", test::MakeBmp8(2, 1, Bytes{0, 7}, palette));

    // Frame 1 dropped, frame 2 first, frame 0 replaced by an image, another sprite's frame
    // joined; written over the sprite itself.
    const std::vector<BuildSource> edited = {{hero, 2}, {image, std::nullopt}, {other, 1}};
    const Outcome built = BuildSprite(edited, hero);
    ASSERT_TRUE(built.done) << built.text;
    const Bytes expected = test::MakeSprite(
        SprKind::Indexed256Rle, {test::Filled(2, 1, 3), {2, 1, Bytes{0, 7}}, test::Filled(1, 1, 9)}, palette);
    EXPECT_EQ(test::ReadBytes(hero), expected);
    EXPECT_EQ(test::ReadBytes(other),
              test::MakeSprite(SprKind::Indexed256Rle, {test::Filled(1, 2, 8), test::Filled(1, 1, 9)}, palette));

    // An image source is still never written over.
    EXPECT_FALSE(BuildSprite(std::vector<BuildSource>{{hero, 0}, {image, std::nullopt}}, image).done);

    // True-colour frames join true-colour images, and not palettised ones.
    const test::TestFrame colour = test::TrueColourFrame(2, 2, 3);
    const std::string orb = Sprite("orb.spr", SprKind::TrueColor32, {colour}, SprPalette{});
    Bytes bgra(colour.pixels.size());
    for (std::size_t i = 0; i < bgra.size(); i += 4) {
        bgra[i] = 9, bgra[i + 1] = 8, bgra[i + 2] = 7, bgra[i + 3] = 6;
    }
    const std::string tga = Write("t.tga", test::MakeTga32(2, 2, bgra));
    ASSERT_TRUE(BuildSprite(std::vector<BuildSource>{{tga, std::nullopt}, {orb, 0}}, m_dir.Path("mix.spr")).done);
    Bytes abgr(bgra.size());
    for (std::size_t i = 0; i < abgr.size(); i += 4) {
        abgr[i] = 6, abgr[i + 1] = 9, abgr[i + 2] = 8, abgr[i + 3] = 7;
    }
    EXPECT_EQ(test::ReadBytes(m_dir.Path("mix.spr")),
              test::MakeSprite(SprKind::TrueColor32, {{2, 2, abgr}, colour}, SprPalette{}));
    EXPECT_EQ(BuildSprite(std::vector<BuildSource>{{orb, 0}, {image, std::nullopt}}, m_dir.Path("x.spr")).text,
              "列表中的文件类型不一致!");
}

TEST_F(SpriteSources, MixedWithBmpsEveryColourIsKept) {
    const SprPalette palette = WrittenPalette(7);
    // The sprite's index 0 is transparent wherever it is; the BMP's top-left index 6 is.
    const Bytes spriteIndices = {3, 0, 4, 5};
    const Bytes bmpIndices = {6, 1, 2, 6, 3, 9};
    const std::string sprite =
        Sprite("s.spr", SprKind::Indexed256Rle, {{2, 2, spriteIndices}, {1, 1, Bytes{0}}}, palette);
    const std::string bmp = Write("b.bmp", test::MakeBmp8(3, 2, bmpIndices, palette));
    const auto coloursOf = [&](const Bytes& indices, std::uint8_t transparent) {
        std::vector<int> colours;
        for (const std::uint8_t index : indices) {
            const SprPaletteEntry& entry = palette[index];
            colours.push_back(index == transparent ? -1 : entry.red << 16 | entry.green << 8 | entry.blue);
        }
        return colours;
    };

    const std::string spriteFirst = m_dir.Path("sprite_first.spr");
    ASSERT_TRUE(BuildSprite(std::vector<BuildSource>{{sprite, 0}, {bmp, std::nullopt}}, spriteFirst).done);
    EXPECT_EQ(Colours(spriteFirst, 0), coloursOf(spriteIndices, 0));
    EXPECT_EQ(Colours(spriteFirst, 1), coloursOf(bmpIndices, 6));

    // The BMP first: its top-left entry goes to 0, and the sprite's frame keeps its colours.
    const std::string bmpFirst = m_dir.Path("bmp_first.spr");
    ASSERT_TRUE(BuildSprite(std::vector<BuildSource>{{bmp, std::nullopt}, {sprite, 0}}, bmpFirst).done);
    EXPECT_EQ(Colours(bmpFirst, 0), coloursOf(bmpIndices, 6));
    EXPECT_EQ(Colours(bmpFirst, 1), coloursOf(spriteIndices, 0));

    // A sprite of other colours is asked about as a BMP is, and named once.
    const std::string otherColours =
        Sprite("o.spr", SprKind::Indexed256Rle, {test::Filled(1, 1, 1), test::Filled(1, 1, 2)}, WrittenPalette(9));
    const std::vector<BuildSource> withOther = {{bmp, std::nullopt}, {otherColours, 0}, {sprite, 1}, {otherColours, 1}};
    EXPECT_EQ(SourcesWithOtherPalettes(withOther), std::vector<std::string>{otherColours});
    EXPECT_TRUE(SourcesWithOtherPalettes(std::vector<BuildSource>{{sprite, 1}, {bmp, std::nullopt}}).empty());
}

TEST_F(SpriteSources, DamagedSpritesAndMissingFramesAreRefusedByName) {
    const Bytes good = test::MakeSprite(SprKind::Indexed256Rle, {test::Filled(2, 2, 1)}, WrittenPalette(1));
    const std::string notSprite = Write("not.spr", Bytes(2000, 'x'));
    const std::string cut = Write("cut.spr", Bytes(good.begin(), good.end() - 1));
    const std::string sprite = Write("good.spr", good);
    EXPECT_EQ(SpriteFrameSources(notSprite).Refused().text, notSprite + "不是一个合法的SPR文件!");
    EXPECT_EQ(SpriteFrameSources(cut).Refused().text, cut + "不完整：文件里的数据比文件头说的少!");
    EXPECT_EQ(SpriteFrameSources(m_dir.Path("gone.spr")).Refused().text, "无法打开SPR文件!:" + m_dir.Path("gone.spr"));

    const std::string out = m_dir.Path("out.spr");
    EXPECT_EQ(BuildSprite(std::vector<BuildSource>{{sprite, 0}, {sprite, 1}}, out).text,
              sprite + ":1：这个SPR文件只有1帧（从0数起）!");
    Bytes badRuns = good;
    badRuns[14] = 0;  // the RLE data ends in a 0x00 without its count
    badRuns[15] = 0;
    const std::string bad = Write("bad.spr", badRuns);
    EXPECT_EQ(BuildSprite(std::vector<BuildSource>{{bad, 0}}, out).text, bad + ":0：这一帧的数据有误，无法读出!");
    // A sprite is a source only by its frames.
    EXPECT_EQ(CheckSourceKinds({sprite}).Refused().text, "只支持BMP或TGA格式!");
    EXPECT_FALSE(test::Exists(out));
}

}  // namespace
}  // namespace zandrel
