#include "viewer/frame_export.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "formats/image_files.h"
#include "formats/palette_files.h"
#include "os/paths.h"
#include "os/utf16.h"
#include "palette/palette_convert.h"
#include "tests/test_files.h"
#include "viewer/batch_export.h"
#include "viewer/palette_import.h"

namespace zandrel {
namespace {

using test::TempDir;

class FrameExport : public ::testing::Test {
protected:
    void Load(SprKind kind, const std::vector<test::TestFrame>& frames, const std::string& name = "hero.spr") {
        test::WriteBytes(m_dir.Path(name), test::MakeSprite(kind, frames, m_palette));
        ASSERT_TRUE(m_sprite.LoadSprite(m_dir.Path(name)).done);
    }

    TempDir m_dir;
    TempDir m_out;
    SprPalette m_palette = test::DistinctPalette();
    SpriteModel m_sprite;
};

TEST_F(FrameExport, WritesEveryFrameUnderItsListName) {
    const std::vector<test::TestFrame> frames = {test::PatternFrame(13, 4), test::PatternFrame(16, 2),
                                                 test::PatternFrame(1, 1)};
    Load(SprKind::Indexed256Rle, frames);
    const Outcome done = ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root());
    ASSERT_TRUE(done.done);
    EXPECT_EQ(done.text, "输出完成，一共3个文件.");
    EXPECT_EQ(m_out.Entries(), (std::vector<std::string>{"hero000.bmp", "hero001.bmp", "hero002.bmp"}));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bytes file = test::ReadBytes(m_out.Path(m_sprite.FrameNames()[i]));
        EXPECT_EQ(file, test::MakeBmp8(frames[i].width, frames[i].height, frames[i].pixels, m_palette));
        const Bmp8Decoded back = DecodeBmp8(file);
        ASSERT_EQ(back.problem, Bmp8Problem::None);
        EXPECT_EQ(back.image.indices, frames[i].pixels);
    }
    // A 13-pixel row gets three zero bytes of padding.
    EXPECT_EQ(test::ReadBytes(m_out.Path("hero000.bmp")).size(), 1078u + 16u * 4u);

    // A folder that already ends in a separator gets no second one.
    EXPECT_EQ(WithTrailingSeparator("/out/"), "/out/");
    EXPECT_EQ(WithTrailingSeparator("/out"), std::string("/out") + kPathSeparator);
    EXPECT_TRUE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root() + "/").done);
}

TEST_F(FrameExport, TrueColourFramesBecomeTgaFilesThatKeepAlpha) {
    const test::TestFrame frame{2, 1, {0, 9, 8, 7, 255, 1, 2, 3}};
    Load(SprKind::TrueColor32, {frame});
    const Outcome done = ExportFrame(m_sprite, 0, m_out.Path("one"));
    ASSERT_TRUE(done.done);
    EXPECT_EQ(done.text, "32位色TGA图" + m_out.Path("one") + "输出完成.");
    const Tga32Decoded back = DecodeTga32(test::ReadBytes(m_out.Path("one")));
    ASSERT_EQ(back.problem, Tga32Problem::None);
    EXPECT_EQ(back.pixels, (Bytes{9, 8, 7, 0, 1, 2, 3, 255}));
    EXPECT_EQ(std::string(SaveFilterOf(m_sprite)), "32位色TGA图(*.tga)|*.tga||");
}

TEST_F(FrameExport, CurrentFrameUsesThePaletteInMemory) {
    Load(SprKind::Indexed256, {test::PatternFrame(3, 3), test::TestFrame{2, 1, {5, 0}}});
    SprPalette imported = test::DistinctPalette(50);
    imported[5] = {1, 2, 3, 4};
    test::WriteBytes(m_dir.Path("new.pal"), WritePaletteFile(imported, PaletteFileFormat::Microsoft));
    ASSERT_TRUE(ImportPalette(m_dir.Path("new.pal"), m_sprite.Palette()).done);

    const Outcome done = ExportFrame(m_sprite, 1, m_out.Path("frame.bmp"));
    ASSERT_TRUE(done.done);
    EXPECT_EQ(done.text, "256色BMP图" + m_out.Path("frame.bmp") + "输出完成.");
    const Bmp8Decoded back = DecodeBmp8(test::ReadBytes(m_out.Path("frame.bmp")));
    ASSERT_EQ(back.problem, Bmp8Problem::None);
    EXPECT_EQ(back.image.indices, (Bytes{5, 0}));
    EXPECT_EQ(back.image.colourTable[std::size_t{4} * 5], 3);
    EXPECT_EQ(back.image.colourTable[4 * 5 + 2], 1);
    EXPECT_EQ(back.image.colourTable[4 * 5 + 3], 0);

    // The palette written out again is the imported one, flags included.
    ExportPalette(m_out.Path("again.pal"), m_sprite.Palette(), PaletteFileFormat::Velmark);
    SprPalette reread{};
    ASSERT_EQ(ReadPaletteFile(test::ReadBytes(m_out.Path("again.pal")), reread), PaletteReadResult::Loaded);
    EXPECT_EQ(reread, imported);
}

TEST_F(FrameExport, FramesWithoutPixelsExportAsHeadersOnly) {
    const std::vector<test::TestFrame> empty = {{0, 5, {}}, {7, 0, {}}};
    for (SprKind kind : {SprKind::Indexed256Rle, SprKind::Indexed256}) {
        Load(kind, empty);
        ASSERT_TRUE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root()).done);
        EXPECT_EQ(test::ReadBytes(m_out.Path("hero000.bmp")), test::MakeBmp8(0, 5, {}, m_palette));
        EXPECT_EQ(test::ReadBytes(m_out.Path("hero001.bmp")), test::MakeBmp8(7, 0, {}, m_palette));
        m_sprite.Close();
    }
    Load(SprKind::TrueColor32, empty);
    ASSERT_TRUE(ExportFrame(m_sprite, 1, m_out.Path("empty.tga")).done);
    const Bytes tga = test::ReadBytes(m_out.Path("empty.tga"));
    ASSERT_EQ(tga.size(), 18u + 26u);
    EXPECT_EQ(Bytes(tga.begin() + 12, tga.begin() + 18), (Bytes{7, 0, 0, 0, 32, 8}));
    EXPECT_EQ(std::string(tga.end() - 18, tga.end()), std::string("TRUEVISION-XFILE.\0", 18));
}

TEST_F(FrameExport, AFrameWithoutPixelsRefusesPngBeforeAnyFileIsWritten) {
    for (SprKind kind : {SprKind::Indexed256Rle, SprKind::TrueColor32}) {
        const bool trueColour = kind == SprKind::TrueColor32;
        Load(kind, {trueColour ? test::TrueColourFrame(2, 2) : test::PatternFrame(2, 2), {3, 0, {}}});
        const TempDir out;
        test::WriteBytes(out.Path("hero000.png"), Bytes{'o', 'l', 'd'});
        const std::string name = trueColour ? "hero001.tga" : "hero001.bmp";
        const std::string refusal =
            m_sprite.Path() + "的" + name + "没有像素(3×0)：PNG图至少要有一个像素，不能输出为PNG!";

        const Outcome all = ExportAllFrames(m_sprite, m_sprite.FrameNames(), out.Root(), FrameFormat::Png);
        EXPECT_FALSE(all.done);
        EXPECT_EQ(all.text, refusal);
        EXPECT_EQ(out.Entries(), std::vector<std::string>{"hero000.png"});
        EXPECT_EQ(test::ReadBytes(out.Path("hero000.png")), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(ExportFrame(m_sprite, 1, out.Path("one.png"), FrameFormat::Png).text, refusal);
        EXPECT_FALSE(test::Exists(out.Path("one.png")));
        EXPECT_TRUE(ExportFrame(m_sprite, 0, out.Path("one.png"), FrameFormat::Png).done);
        // The sprite's own format holds it.
        EXPECT_TRUE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), out.Root()).done);
        m_sprite.Close();
    }
}

#ifndef _WIN32
// Only POSIX lets another program write to a sprite that is held.
TEST_F(FrameExport, ASpriteRewrittenWhileItIsReadIsReportedAndTheFilesWrittenStay) {
    Load(SprKind::Indexed256Rle, {test::PatternFrame(4, 3, 1), test::PatternFrame(4, 3, 2)});
    ASSERT_TRUE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root()).done);

    // Another program rewrites the frames in place, as long as they were, a second later.
    const std::string path = m_dir.Path("hero.spr");
    const auto written = std::filesystem::last_write_time(path);
    Bytes rewritten =
        test::MakeSprite(SprKind::Indexed256Rle, {test::PatternFrame(4, 3, 3), test::PatternFrame(4, 3, 4)}, m_palette);
    ASSERT_EQ(rewritten.size(), test::ReadBytes(path).size());
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.write(reinterpret_cast<const char*>(rewritten.data()), static_cast<std::streamsize>(rewritten.size()));
    }
    std::filesystem::last_write_time(path, written + std::chrono::seconds(1));

    const TempDir out;
    const Outcome all = ExportAllFrames(m_sprite, m_sprite.FrameNames(), out.Root());
    EXPECT_FALSE(all.done);
    EXPECT_EQ(all.text, path + "在读取期间被其他程序改动了：已输出的2个文件可能混有改动前后的帧，仍留在文件夹里!");
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"hero000.bmp", "hero001.bmp"}));

    for (const auto& exportOne :
         std::vector<std::function<Outcome()>>{[&] { return ExportFrame(m_sprite, 0, out.Path("one.bmp")); },
                                               [&] { return ExportAnimation(m_sprite, out.Path("all.gif")); }}) {
        const Outcome one = exportOne();
        EXPECT_FALSE(one.done);
        EXPECT_EQ(one.text, path + "在读取期间被其他程序改动了，没有输出!");
    }
    EXPECT_EQ(out.Entries().size(), 2u);
}
#endif

TEST_F(FrameExport, RefusesMissingFoldersAndReportsAnEmptyList) {
    Load(SprKind::TrueColor32, {});
    EXPECT_EQ(ExportAllFrames(m_sprite, {}, m_out.Root()).text, "输出完成，一共0个文件.");
    EXPECT_FALSE(ExportAllFrames(m_sprite, {}, "").done);
    const Outcome missing = ExportAllFrames(m_sprite, {}, m_out.Path("none"));
    EXPECT_FALSE(missing.done);
    EXPECT_NE(missing.text.find(m_out.Path("none")), std::string::npos);
    EXPECT_EQ(ExportAllFrames(m_sprite, {}, "").text, "没有指定输出文件夹!");
#ifndef _WIN32
    // A name longer than the system takes is no missing folder.
    const std::string tooLong = m_out.Path(std::string(300, 'n'));
    EXPECT_EQ(ExportAllFrames(m_sprite, {}, tooLong).text, tooLong + "的路径太长，不能输出到那里!");
#endif
    EXPECT_TRUE(m_out.Entries().empty());
}

TEST_F(FrameExport, StopsAtADamagedFrameAndKeepsTheFilesBefore) {
    Bytes file;
    AppendSprHeader(file, {kSprMagic, 1, 2, 2, 0});
    PutU16(file, 1);
    PutU16(file, 1);
    PutU16(file, 1);
    PutU8(file, 7);
    PutU16(file, 2);
    PutU16(file, 2);
    PutU16(file, 2);
    PutBytes(file, Bytes{0, 9});  // nine indices for a frame of four
    AppendSprPalette(file, m_palette);
    test::WriteBytes(m_dir.Path("bad.spr"), file);
    ASSERT_TRUE(m_sprite.LoadSprite(m_dir.Path("bad.spr")).done);

    const Outcome stopped = ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root());
    EXPECT_FALSE(stopped.done);
    EXPECT_NE(stopped.text.find("bad001.bmp"), std::string::npos);
    EXPECT_EQ(m_out.Entries(), std::vector<std::string>{"bad000.bmp"});
    const Bytes first = test::ReadBytes(m_out.Path("bad000.bmp"));

    // Over files that are there: the one before the damaged frame is replaced, the
    // damaged frame's is left alone, and no temporary stays behind.
    test::WriteBytes(m_out.Path("bad000.bmp"), Bytes{1});
    test::WriteBytes(m_out.Path("bad001.bmp"), Bytes{2});
    EXPECT_FALSE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root()).done);
    EXPECT_EQ(m_out.Entries(), (std::vector<std::string>{"bad000.bmp", "bad001.bmp"}));
    EXPECT_EQ(test::ReadBytes(m_out.Path("bad000.bmp")), first);
    EXPECT_EQ(test::ReadBytes(m_out.Path("bad001.bmp")), Bytes{2});
}

// On one thread, and on three, where the error is thrown on another thread than the
// one that puts the files in place.
TEST_F(FrameExport, AFileThatCannotBeWrittenStopsTheExportAfterTheFilesBefore) {
    Load(SprKind::Indexed256Rle, {test::PatternFrame(3, 2), test::PatternFrame(2, 2), test::PatternFrame(1, 1)});
    for (const unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        const std::string folder = m_out.Path(std::to_string(threads));
        ASSERT_TRUE(std::filesystem::create_directories(PathFromUtf8(folder + "/taken")));
        try {
            ExportAllFrames(m_sprite, {"a.bmp", "taken", "c.bmp"}, folder, FrameFormat::Native, threads);
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(LastNameOf(error.Path()), "taken");
        }
        EXPECT_EQ(test::EntriesOf(folder), (std::vector<std::string>{"a.bmp", "taken"}));
        EXPECT_EQ(DecodeBmp8(test::ReadBytes(folder + "/a.bmp")).image.indices, test::PatternFrame(3, 2).pixels);
    }
}

// Frames of many sizes, large after small and small after large, so that a buffer kept
// from one frame to the next shows whatever it still holds.
std::vector<test::TestFrame> FramesOfManySizes(std::size_t count) {
    std::vector<test::TestFrame> frames;
    for (std::size_t i = 0; i < count; ++i) {
        const auto width = static_cast<std::uint16_t>(i % 2 == 0 ? 1 + (i * 37) % 61 : 1 + i % 3);
        const auto height = static_cast<std::uint16_t>(i % 2 == 0 ? 1 + (i * 11) % 43 : 2);
        frames.push_back(test::PatternFrame(width, height, static_cast<std::uint8_t>(i + 1)));
    }
    return frames;
}

TEST_F(FrameExport, ThreadsWriteTheSameFilesAsOneThread) {
    const std::vector<test::TestFrame> frames = FramesOfManySizes(40);
    Load(SprKind::Indexed256Rle, frames);
    const std::vector<std::string> names = m_sprite.FrameNames();
    std::vector<Bytes> pngs;
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        const std::string bmpFolder = m_out.Path("bmp" + std::to_string(threads));
        const std::string pngFolder = m_out.Path("png" + std::to_string(threads));
        std::filesystem::create_directory(PathFromUtf8(bmpFolder));
        std::filesystem::create_directory(PathFromUtf8(pngFolder));
        ASSERT_TRUE(ExportAllFrames(m_sprite, names, bmpFolder, FrameFormat::Native, threads).done);
        ASSERT_TRUE(ExportAllFrames(m_sprite, names, pngFolder, FrameFormat::Png, threads).done);
        EXPECT_EQ(test::EntriesOf(bmpFolder), names);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(test::ReadBytes(JoinPath(bmpFolder, names[i])),
                      test::MakeBmp8(frames[i].width, frames[i].height, frames[i].pixels, m_palette))
                << names[i];
            const Bytes png = test::ReadBytes(JoinPath(pngFolder, FrameFileName(names[i], FrameFormat::Png)));
            if (threads == 1) {
                pngs.push_back(png);
            } else {
                EXPECT_EQ(png, pngs[i]) << names[i];
            }
        }
    }
}

TEST_F(FrameExport, ThreadsStopAtTheFirstDamagedFrameAndLeaveOnlyTheFilesBefore) {
    // 30 frames of one index; frame 17 holds nine indices for a frame of four.
    constexpr std::size_t kFrames = 30;
    constexpr std::size_t kDamaged = 17;
    Bytes file;
    AppendSprHeader(file, {kSprMagic, 1, 2, static_cast<std::uint16_t>(kFrames), 0});
    for (std::size_t i = 0; i < kFrames; ++i) {
        if (i == kDamaged) {
            PutU16(file, 2);
            PutU16(file, 2);
            PutU16(file, 2);
            PutBytes(file, Bytes{0, 9});
            continue;
        }
        PutU16(file, 1);
        PutU16(file, 1);
        PutU16(file, 1);
        PutU8(file, 7);
    }
    AppendSprPalette(file, m_palette);
    test::WriteBytes(m_dir.Path("bad.spr"), file);
    ASSERT_TRUE(m_sprite.LoadSprite(m_dir.Path("bad.spr")).done);
    std::vector<std::string> before = m_sprite.FrameNames();
    before.resize(kDamaged);

    // With temporaries under hidden names too: those of the frames after the damaged
    // one, made meanwhile by the other threads, go with the export.
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed);
        UseUnnamedTemporaries(unnamed);
        const std::string folder = m_out.Path(unnamed ? "unnamed" : "named");
        std::filesystem::create_directory(PathFromUtf8(folder));
        const Outcome stopped = ExportAllFrames(m_sprite, m_sprite.FrameNames(), folder, FrameFormat::Native, 4);
        UseUnnamedTemporaries(true);
        EXPECT_FALSE(stopped.done);
        EXPECT_NE(stopped.text.find("bad017.bmp"), std::string::npos);
        EXPECT_EQ(test::EntriesOf(folder), before);
    }
}

// A batch is stopped once two of its four sprites are done: those stay whole, the rest
// are not begun, and the totals say it was cut short. A batch stopped before it begins
// writes nothing, even of a lone sprite.
TEST_F(FrameExport, ABatchStoppedBetweenSpritesKeepsWhatIsDoneAndBeginsNoMore) {
    for (const char* name : {"d.spr", "a.spr", "c.SPR", "b.spr"}) {
        test::WriteBytes(m_dir.Path(name),
                         test::MakeSprite(SprKind::Indexed256Rle,
                                          {test::PatternFrame(5, 4, 1), test::PatternFrame(3, 3, 2)}, m_palette));
    }
    const BatchJob job{{m_dir.Path("")}, m_out.Path("")};
    const BatchCount count = CountBatch(job);
    EXPECT_EQ(count.sprites, 4u);
    EXPECT_EQ(count.frames, 8u);

    std::atomic<bool> cancel{false};
    std::vector<std::string> told;
    const BatchTotals totals = RunBatch(
        job, 1,
        [&](const BatchSpriteDone& done) {
            told.push_back(LastNameOf(done.path));
            if (told.size() == 2) cancel.store(true);
        },
        cancel);
    EXPECT_TRUE(totals.cancelled);
    EXPECT_EQ(totals.sprites, 2u);
    EXPECT_EQ(totals.files, 4u);
    EXPECT_EQ(told, (std::vector<std::string>{"a.spr", "b.spr"}));  // in name order
    EXPECT_EQ(test::EntriesOf(m_out.Path("")), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(test::EntriesOf(m_out.Path("b")), (std::vector<std::string>{"b000.bmp", "b001.bmp"}));

    const BatchJob lone{{m_dir.Path("d.spr")}, m_out.Path("")};
    const BatchTotals none = RunBatch(lone, 2, {}, cancel);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.sprites, 0u);
    EXPECT_EQ(test::EntriesOf(m_out.Path("")), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace zandrel
