#include "viewer/sprite_model.h"

#include <gtest/gtest.h>

#include "tests/test_files.h"
#include "viewer/palette_import.h"

namespace zandrel {
namespace {

using test::MakeSprite;
using test::PatternFrame;
using test::TempDir;

std::string WriteSprite(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    test::WriteBytes(dir.Path(name), bytes);
    return dir.Path(name);
}

std::array<std::uint8_t, 4> PixelAt(const test::Seen& frame, std::size_t x, std::size_t y) {
    const std::size_t at = (y * frame.width + x) * 4;
    return {frame.pixels[at], frame.pixels[at + 1], frame.pixels[at + 2], frame.pixels[at + 3]};
}

TEST(SpriteModel, LoadsAnRleSpriteWithItsNamesAndFrameInformation) {
    TempDir dir;
    const std::vector<test::TestFrame> frames(12, PatternFrame(40, 87));
    const std::string path =
        WriteSprite(dir, "hero.spr", MakeSprite(SprKind::Indexed256Rle, frames, test::DistinctPalette()));

    SpriteModel sprite;
    const Outcome load = sprite.LoadSprite(path);
    ASSERT_TRUE(load.done) << load.text;
    EXPECT_TRUE(load.text.empty());
    EXPECT_EQ(sprite.FileLine(), "文件名:" + path + "|[256色压缩SPR]");
    const std::vector<std::string> names = sprite.FrameNames();
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names.front(), "hero000.bmp");
    EXPECT_EQ(names[10], "hero010.bmp");
    EXPECT_EQ(names.back(), "hero011.bmp");
    EXPECT_EQ(sprite.FrameInfo(2), "3/12\n(40,87)");
    EXPECT_EQ(sprite.Palette(), test::DistinctPalette());
}

TEST(SpriteModel, FileLineAndNamesFollowTheKind) {
    TempDir dir;
    const SprPalette palette = test::DistinctPalette();
    SpriteModel sprite;
    ASSERT_TRUE(
        sprite.LoadSprite(WriteSprite(dir, "a.b.spr", MakeSprite(SprKind::Indexed256, {PatternFrame(2, 2)}, palette)))
            .done);
    EXPECT_EQ(sprite.FileLine(), "文件名:" + dir.Path("a.b.spr") + "|[256色无压缩SPR]");
    EXPECT_EQ(sprite.FrameNames(), std::vector<std::string>{"a.b000.bmp"});
    EXPECT_EQ(sprite.FrameInfo(0), "1/1\n(2,2)");

    ASSERT_TRUE(sprite
                    .LoadSprite(WriteSprite(dir, "tc.spr",
                                            MakeSprite(SprKind::TrueColor32, {test::TrueColourFrame(3, 1)}, palette)))
                    .done);
    EXPECT_TRUE(sprite.IsTrueColour());
    EXPECT_EQ(sprite.FileLine(), "文件名:" + dir.Path("tc.spr") + "|[32位色SPR]");
    EXPECT_EQ(sprite.FrameNames(), std::vector<std::string>{"tc000.tga"});

    // Both counts 0: a true-colour sprite without frames.
    ASSERT_TRUE(sprite.LoadSprite(WriteSprite(dir, "empty.spr", MakeSprite(SprKind::TrueColor32, {}, palette))).done);
    EXPECT_TRUE(sprite.IsTrueColour());
    EXPECT_EQ(sprite.FrameCount(), 0u);
}

TEST(SpriteModel, NamesFramesWithThreeDigits) {
    EXPECT_EQ(FormatFrameFileName("hero", 7, false), "hero007.bmp");
    EXPECT_EQ(FormatFrameFileName("hero", 42, false), "hero042.bmp");
    EXPECT_EQ(FormatFrameFileName("hero", 998, true), "hero998.tga");
    EXPECT_EQ(FormatFrameFileName("hero", 1000, false), "");
    EXPECT_EQ(FileTitleOf("/spr/a.b.spr"), "a.b");
    EXPECT_EQ(FileTitleOf("hero"), "hero");
    EXPECT_EQ(FileTitleOf("/x.y/hero"), "hero");
}

TEST(SpriteModel, RefusesWhatItCannotOpenOrRead) {
    TempDir dir;
    SpriteModel sprite;
    EXPECT_EQ(sprite.LoadSprite(dir.Path("missing.spr")).text, "File Open failed!(2)");
    EXPECT_FALSE(sprite.IsLoaded());
    ASSERT_TRUE(sprite.OpenError());
    EXPECT_EQ(sprite.OpenError()->Cause(), FileCause::FileNotFound);

    Bytes wrongMagic = MakeSprite(SprKind::Indexed256Rle, {PatternFrame(2, 2)}, test::DistinctPalette());
    wrongMagic[1] = 'Q';
    const std::string path = WriteSprite(dir, "bad.spr", wrongMagic);
    const Outcome refused = sprite.LoadSprite(path);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, "SPR文件格式错误！\n");
    EXPECT_FALSE(sprite.OpenError());  // opened, then refused: no open error to tell
    // The file was let go: it can be opened again at once.
    EXPECT_NO_THROW(File::OpenRead(path));

    const Outcome tooShort = sprite.LoadSprite(WriteSprite(dir, "short.spr", Bytes(1023, 0)));
    EXPECT_FALSE(tooShort.done);
    EXPECT_NE(tooShort.text.find(dir.Path("short.spr")), std::string::npos);
    EXPECT_NE(tooShort.text.find("1023"), std::string::npos);

    // From 1024 bytes the file is read at its word, its header inside its palette block:
    // counts of 0 make an empty true-colour sprite, others a sprite none of whose frames fit.
    for (const std::size_t length : {1024, 1031}) {
        Bytes bytes(length, 0);
        bytes[0] = 'S';
        bytes[1] = 'P';
        const Outcome empty = sprite.LoadSprite(WriteSprite(dir, "tiny.spr", bytes));
        EXPECT_TRUE(empty.done && empty.text.empty()) << length;
        EXPECT_TRUE(sprite.IsTrueColour());
        EXPECT_EQ(sprite.FrameCount(), 0u);
        bytes[4] = 1;  // a frame that cannot fit
        sprite.Close();
        const Outcome cut = sprite.LoadSprite(WriteSprite(dir, "tiny.spr", bytes));
        EXPECT_TRUE(cut.done) << length;
        EXPECT_EQ(sprite.LoadProblem(), SprIndexProblem::TruncatedFrame);
        sprite.Close();
    }
}

TEST(SpriteModel, HoldsTheFileUntilClosed) {
    TempDir dir;
    const std::string path =
        WriteSprite(dir, "a.spr", MakeSprite(SprKind::Indexed256Rle, {PatternFrame(2, 2)}, test::DistinctPalette()));
    SpriteModel sprite;
    ASSERT_TRUE(sprite.LoadSprite(path).done);
    EXPECT_EQ(SpriteModel().LoadSprite(path).text, "File Open failed!(b)");
    sprite.Close();
    EXPECT_TRUE(SpriteModel().LoadSprite(path).done);
}

TEST(SpriteModel, OffersTheIntactFramesOfADamagedFile) {
    TempDir dir;
    const std::vector<test::TestFrame> frames = {PatternFrame(40, 40), PatternFrame(41, 41), PatternFrame(42, 42)};
    Bytes whole = MakeSprite(SprKind::Indexed256Rle, frames, test::DistinctPalette());
    // Cut inside the third frame: what remains still ends in 1024 bytes, taken as palette.
    Bytes cut(whole.begin(), whole.end() - kPaletteBytes - 5);
    SpriteModel sprite;
    const Outcome load = sprite.LoadSprite(WriteSprite(dir, "cut.spr", cut));
    ASSERT_TRUE(load.done);
    EXPECT_FALSE(load.text.empty());
    EXPECT_LT(sprite.FrameCount(), 3u);
    for (std::size_t i = 0; i < sprite.FrameCount(); ++i) EXPECT_TRUE(sprite.RenderFrame(i));

    std::vector<test::TestFrame> many(1000, test::TestFrame{1, 1, Bytes{4}});
    const Outcome over =
        sprite.LoadSprite(WriteSprite(dir, "many.spr", MakeSprite(SprKind::Indexed256, many, test::DistinctPalette())));
    ASSERT_TRUE(over.done);
    EXPECT_NE(over.text.find("999"), std::string::npos);
    EXPECT_EQ(sprite.FrameCount(), 999u);
    EXPECT_EQ(sprite.FrameNames().back(), "many998.bmp");
    EXPECT_TRUE(sprite.RenderFrame(998));
    // The count is the header's, though only 999 frames are listed.
    EXPECT_EQ(sprite.FrameInfo(998), "999/1000\n(1,1)");
    // Every record fits before the palette block: the palette is sound.
    EXPECT_EQ(sprite.LoadProblem(), SprIndexProblem::TooManyFrames);
}

TEST(SpriteModel, TellsWhatKindOfDamageTheLoadFound) {
    TempDir dir;
    const SprPalette palette = test::DistinctPalette();
    SpriteModel sprite;
    ASSERT_TRUE(
        sprite.LoadSprite(WriteSprite(dir, "ok.spr", MakeSprite(SprKind::Indexed256, {PatternFrame(2, 2)}, palette)))
            .done);
    EXPECT_EQ(sprite.LoadProblem(), SprIndexProblem::None);

    // Not one frame is whole: the warning says so in words, not as "the first 0".
    const Bytes three =
        MakeSprite(SprKind::Indexed256Rle, std::vector<test::TestFrame>(3, PatternFrame(30, 30)), palette);
    const Bytes none(three.begin(), three.begin() + 8 + 6 + 5 + kPaletteBytes);
    Outcome load = sprite.LoadSprite(WriteSprite(dir, "none.spr", none));
    ASSERT_TRUE(load.done);
    EXPECT_EQ(load.text, dir.Path("none.spr") + "不完整：文件头说有3帧，文件里没有一帧是完整的!");
    EXPECT_EQ(sprite.LoadProblem(), SprIndexProblem::TruncatedFrame);
    EXPECT_EQ(sprite.FrameCount(), 0u);

    // Damage after the 999 listed frames is found too, and both things are told.
    const Bytes many =
        MakeSprite(SprKind::Indexed256, std::vector<test::TestFrame>(1200, test::TestFrame{1, 1, {4}}), palette);
    Bytes cut(many.begin(), many.end() - kPaletteBytes - 3);
    cut.resize(cut.size() + kPaletteBytes, 0);
    load = sprite.LoadSprite(WriteSprite(dir, "cut.spr", cut));
    ASSERT_TRUE(load.done);
    EXPECT_EQ(load.text, dir.Path("cut.spr") + "不完整：文件头说有1200帧，文件里只有前1199帧是完整的!\n" +
                             dir.Path("cut.spr") + "有1200帧，本程序只能显示前999帧!");
    EXPECT_EQ(sprite.LoadProblem(), SprIndexProblem::TruncatedFrame);
    EXPECT_EQ(sprite.FrameCount(), 999u);
    EXPECT_EQ(sprite.FrameInfo(998), "999/1200\n(1,1)");
}

TEST(SpriteModel, AFailedLoadLeavesNothingOfEitherSprite) {
    TempDir dir;
    const std::string good =
        WriteSprite(dir, "good.spr", MakeSprite(SprKind::Indexed256Rle, {PatternFrame(4, 3)}, test::DistinctPalette()));
    Bytes wrongMagic = MakeSprite(SprKind::TrueColor32, {test::TrueColourFrame(2, 2)}, test::DistinctPalette(40));
    wrongMagic[0] = 'X';
    for (const std::string& bad : {WriteSprite(dir, "magic.spr", wrongMagic),
                                   WriteSprite(dir, "short.spr", Bytes(1031, 1)), dir.Path("missing.spr")}) {
        SpriteModel sprite;
        ASSERT_TRUE(sprite.LoadSprite(good).done);
        ASSERT_FALSE(sprite.LoadSprite(bad).done) << bad;
        EXPECT_FALSE(sprite.IsLoaded()) << bad;
        EXPECT_EQ(sprite.Path(), "") << bad;
        EXPECT_EQ(sprite.Title(), "") << bad;
        EXPECT_EQ(sprite.FrameCount(), 0u) << bad;
        EXPECT_EQ(sprite.BitDepth(), 0) << bad;
        EXPECT_EQ(sprite.Header().magic, 0) << bad;
        EXPECT_EQ(sprite.Palette(), SprPalette{}) << bad;
        // The good sprite was let go, and loads again.
        EXPECT_TRUE(sprite.LoadSprite(good).done) << bad;
        EXPECT_EQ(sprite.FrameCount(), 1u);
    }
    // Loading the sprite the model holds works: it is let go before it is opened again.
    SpriteModel sprite;
    ASSERT_TRUE(sprite.LoadSprite(good).done);
    EXPECT_TRUE(sprite.LoadSprite(good).done);
}

TEST(ReadSprFrame, ReadsAnyByteSourceAndNamesTheFrameInItsProblem) {
    // Frame records written by hand: 2x1 from "0x00 0x01 0x05", then a frame of no
    // pixels that still claims a transparent pixel.
    Bytes file;
    AppendSprHeader(file, {kSprMagic, 1, 2, 2, 0});
    PutBytes(file, Bytes{2, 0, 1, 0, 3, 0, 0, 1, 5});
    PutBytes(file, Bytes{0, 0, 0, 0, 2, 0, 0, 1});
    AppendSprPalette(file, {});
    MemorySource source(file);
    const SprFrameIndex index = SprIndexFrames(source, ParseSprHeader(std::span(file).first<8>()), kMaxFrames);
    ASSERT_EQ(index.frames.size(), 2u);

    const test::Seen first =
        test::SeenOf(ReadSprFrame(source, SprKind::Indexed256Rle, index.frames[0], "a.spr", "a000.bmp"));
    EXPECT_TRUE(first.refusal.empty());
    EXPECT_EQ(first.pixels, (Bytes{0, 5}));
    const test::Seen second =
        test::SeenOf(ReadSprFrame(source, SprKind::Indexed256Rle, index.frames[1], "a.spr", "a001.bmp"));
    EXPECT_EQ(second.refusal, "a.spr的a001.bmp数据有误：压缩数据多于0×0个像素!");
    EXPECT_TRUE(second.pixels.empty());
}

TEST(ReadSprFrame, AFrameOfMoreThanTheLimitIsRefusedUnread) {
    // The record is all there is: a frame past the limit must not be read at all.
    const Bytes nothing;
    MemorySource source(nothing);
    for (SprKind kind : {SprKind::Indexed256, SprKind::TrueColor32}) {
        const SprFrameRecord record{8, 4097, 4096, 12, std::uint64_t{4097} * 4096};
        const test::Seen frame = test::SeenOf(ReadSprFrame(source, kind, record, "big.spr", "big000.tga"));
        EXPECT_EQ(frame.refusal, "big.spr的big000.tga太大了：4097×4096超过了一帧最多16777216个像素的限制!");
        EXPECT_TRUE(frame.pixels.empty());
    }
}

TEST(SpriteModel, RendersPalettisedFramesThroughThePalette) {
    TempDir dir;
    SprPalette palette = test::DistinctPalette();
    const test::TestFrame frame{3, 2, {0, 1, 2, 3, 4, 0}};
    for (SprKind kind : {SprKind::Indexed256, SprKind::Indexed256Rle}) {
        SpriteModel sprite;
        ASSERT_TRUE(sprite.LoadSprite(WriteSprite(dir, "p.spr", MakeSprite(kind, {frame}, palette))).done);
        const test::Seen drawn = test::SeenOf(sprite.RenderFrame(0));
        ASSERT_TRUE(drawn.refusal.empty());
        ASSERT_EQ(drawn.pixels.size(), 24u);
        // Index 0 is drawn in its colour: the preview shows no transparency.
        EXPECT_EQ(PixelAt(drawn, 0, 0),
                  (std::array<std::uint8_t, 4>{palette[0].blue, palette[0].green, palette[0].red, 255}));
        EXPECT_EQ(PixelAt(drawn, 2, 0),
                  (std::array<std::uint8_t, 4>{palette[2].blue, palette[2].green, palette[2].red, 255}));
        EXPECT_EQ(PixelAt(drawn, 0, 1),
                  (std::array<std::uint8_t, 4>{palette[3].blue, palette[3].green, palette[3].red, 255}));
    }
}

TEST(SpriteModel, RendersTrueColourOverBlackAndUpright) {
    TempDir dir;
    // Stored bottom row first, each pixel alpha, blue, green, red.
    const test::TestFrame frame{2, 2, {128, 200, 100, 50, 0, 9, 9, 9, 255, 1, 2, 3, 77, 0, 0, 0}};
    SpriteModel sprite;
    ASSERT_TRUE(sprite.LoadSprite(WriteSprite(dir, "t.spr", MakeSprite(SprKind::TrueColor32, {frame}, {}))).done);
    const test::Seen drawn = test::SeenOf(sprite.RenderFrame(0));
    ASSERT_TRUE(drawn.refusal.empty());
    EXPECT_EQ(PixelAt(drawn, 0, 1), (std::array<std::uint8_t, 4>{100, 50, 25, 255}));
    EXPECT_EQ(PixelAt(drawn, 1, 1), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
    EXPECT_EQ(PixelAt(drawn, 0, 0), (std::array<std::uint8_t, 4>{1, 2, 3, 255}));
}

TEST(SpriteModel, ReportsFramesWhoseDataDoesNotDecode) {
    TempDir dir;
    const auto spriteWith = [&](std::uint16_t width, std::uint16_t height, const Bytes& data) {
        Bytes file;
        AppendSprHeader(file, {kSprMagic, 1, 2, 1, 0});
        PutU16(file, width);
        PutU16(file, height);
        PutU16(file, static_cast<std::uint16_t>(data.size()));
        PutBytes(file, data);
        AppendSprPalette(file, test::DistinctPalette());
        return WriteSprite(dir, "d.spr", file);
    };
    SpriteModel sprite;
    for (const auto& [width, height, data] : std::vector<std::tuple<std::uint16_t, std::uint16_t, Bytes>>{
             {2, 2, {1, 2, 3, 4, 5}},              // more indices than the frame holds
             {2, 2, {1, 2}},                       // fewer
             {2, 2, {1, 2, 3, 0}},                 // a zero without its count
             {65535, 65535, {0, 255, 0, 255}}}) {  // a claimed size the data cannot fill
        sprite.Close();                            // a held file cannot be rewritten on Windows
        ASSERT_TRUE(sprite.LoadSprite(spriteWith(width, height, data)).done);
        const test::Seen drawn = test::SeenOf(sprite.RenderFrame(0));
        EXPECT_NE(drawn.refusal.find("d000.bmp"), std::string::npos) << drawn.refusal;
        EXPECT_TRUE(drawn.pixels.empty());
    }
}

TEST(SpriteModel, ImportedPaletteRecoloursWithoutTouchingTheFile) {
    TempDir dir;
    const Bytes file = MakeSprite(SprKind::Indexed256Rle, {test::TestFrame{1, 1, {5}}}, test::DistinctPalette());
    const std::string path = WriteSprite(dir, "a.spr", file);
    SprPalette imported = test::DistinctPalette(99);
    imported[5] = {10, 20, 30, 40};
    Bytes raw;
    AppendSprPalette(raw, imported);
    test::WriteBytes(dir.Path("new.pal"), raw);

    SpriteModel sprite;
    ASSERT_TRUE(sprite.LoadSprite(path).done);
    ASSERT_TRUE(ImportPalette(dir.Path("new.pal"), sprite.Palette()).done);
    EXPECT_EQ(PixelAt(test::SeenOf(sprite.RenderFrame(0)), 0, 0), (std::array<std::uint8_t, 4>{30, 20, 10, 255}));
    EXPECT_EQ(sprite.Palette(), imported);

    // A file of the wrong length changes nothing.
    test::WriteBytes(dir.Path("bad.pal"), Bytes(1047, 1));
    const Outcome refused = ImportPalette(dir.Path("bad.pal"), sprite.Palette());
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, "调色板文件长度错误！应该为1024或1048个字节");
    EXPECT_EQ(sprite.Palette(), imported);
    sprite.Close();  // Windows lets no one else read a held file
    EXPECT_EQ(test::ReadBytes(path), file);
}

}  // namespace
}  // namespace zandrel
