// The viewer's exports driven through its buttons, with the scripted prompts answering
// the save and folder questions; what lands on disk is read back by Qt's own image
// readers and compared pixel by pixel with the frames the test put in the sprite.

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <memory>

#include "os/utf16.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/batch_dlg.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

namespace fs = std::filesystem;

// Checks a BMP file against a palettised frame (indices top row first) and the palette.
void ExpectBmpOf(const std::string& path, const TestFrame& frame, const SprPalette& palette) {
    SCOPED_TRACE(path);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "BMP"));
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.width(), frame.width);
    ASSERT_EQ(image.height(), frame.height);
    ASSERT_EQ(image.colorCount(), 256);
    for (int i = 0; i < 256; ++i) {
        const SprPaletteEntry& entry = palette[static_cast<std::size_t>(i)];
        ASSERT_EQ(image.color(i), qRgb(entry.red, entry.green, entry.blue)) << "colour " << i;
    }
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            ASSERT_EQ(image.pixelIndex(x, y), frame.pixels[static_cast<std::size_t>(y * frame.width + x)])
                << x << "," << y;
        }
    }
}

// Checks a TGA file against a true-colour frame (A, B, G, R, bottom row first).
void ExpectTgaOf(const std::string& path, const TestFrame& frame) {
    SCOPED_TRACE(path);
#ifdef _WIN32
    if (!QImageReader::supportedImageFormats().contains("tga")) {
        GTEST_SKIP() << "Qt's TGA reader is in a module (qtimageformats) that the Qt for MinGW leaves out";
    }
#endif
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("tga"))
        << "Qt's TGA reader is missing (Debian: qt6-image-formats-plugins)";
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "TGA"));
    image = image.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.width(), frame.width);
    ASSERT_EQ(image.height(), frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(frame.height - 1 - y) * frame.width + x) * 4;
            const QRgb expected =
                qRgba(frame.pixels[at + 3], frame.pixels[at + 2], frame.pixels[at + 1], frame.pixels[at]);
            ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
        }
    }
}

class ViewerExportTest : public testing::Test {
protected:
    void SetUp() override { fs::create_directory(Out()); }

    std::string Out() const { return m_dir.Path("out"); }

    void Open(const std::string& name, const Bytes& sprite) {
        const std::string path = m_dir.Path(name);
        WriteBytes(path, sprite);
        m_viewer = std::make_unique<CSprViewDlg>(m_prompts, path);
        m_viewer->InitDialog();
        m_viewer->show();
        Settle();
    }

    void Click(int id) { ClickButton(*m_viewer, id); }

    std::vector<std::string> OutEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Out())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const ShownMessage& message : m_prompts.Messages()) texts.push_back(message.text);
        return texts;
    }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CSprViewDlg> m_viewer;
    const SprPalette m_palette = DistinctPalette(7);
};

TEST_F(ViewerExportTest, AllFramesOfAPalettisedSpriteBecomeBmpFilesWithItsPalette) {
    // 13 pixels wide: rows padded by 3 bytes; 16: no padding; zero runs for the RLE.
    const std::vector<TestFrame> frames{PatternFrame(13, 5, 1), PatternFrame(16, 3, 2), Filled(1, 1, 0)};
    Open("hero.spr", MakeSprite(SprKind::Indexed256Rle, frames, m_palette));

    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{"输出完成，一共3个文件."});
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::OutputFolder);
    ASSERT_EQ(OutEntries(), (std::vector<std::string>{"hero000.bmp", "hero001.bmp", "hero002.bmp"}));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ExpectBmpOf(Out() + "/hero00" + std::to_string(i) + ".bmp", frames[i], m_palette);
    }

    // Files of the same names are replaced only after one question: No writes nothing.
    fs::remove(Out() + "/hero001.bmp");
    WriteBytes(Out() + "/hero002.bmp", Bytes{1});
    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    ASSERT_EQ(m_prompts.YesNoQuestions().size(), 1u);
    EXPECT_EQ(m_prompts.YesNoQuestions()[0], Out() + "里已经有2个要输出的同名文件（如hero000.bmp），全部替换吗?");
    EXPECT_EQ(OutEntries().size(), 2u);
    EXPECT_EQ(ReadBytes(Out() + "/hero002.bmp"), Bytes{1});
    EXPECT_EQ(MessageTexts().size(), 1u);

    // Yes replaces them all. A folder that ends in a separator gets no second one.
    m_prompts.Reply(true);
    m_prompts.Answer(Out() + "/");
    Click(kIdcExportAll);
    EXPECT_EQ(OutEntries().size(), 3u);
    EXPECT_EQ(MessageTexts().back(), "输出完成，一共3个文件.");
    ExpectBmpOf(Out() + "/hero001.bmp", frames[1], m_palette);
    ExpectBmpOf(Out() + "/hero002.bmp", frames[2], m_palette);
}

TEST_F(ViewerExportTest, FramesWithoutPixelsArePagedDrawnAndExportedAndRefusedAsPng) {
    const std::vector<TestFrame> frames{{0, 5, {}}, PatternFrame(3, 2), {4, 0, {}}};
    Open("zeros.spr", MakeSprite(SprKind::Indexed256Rle, frames, m_palette));
    for (int step = 0; step < 4; ++step) {
        Click(kIdcNextFrame);
        EXPECT_FALSE(Grab(*m_viewer).isNull());
    }
    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    EXPECT_EQ(MessageTexts().back(), "输出完成，一共3个文件.");
    ExpectBmpOf(Out() + "/zeros001.bmp", frames[1], m_palette);

    // On to the empty 4 x 0 frame: a PNG cannot hold it.
    Click(kIdcNextFrame);
    m_prompts.Answer(Out() + "/empty.png");
    Click(kIdcExportFrame);
    EXPECT_EQ(MessageTexts().back(),
              m_dir.Path("zeros.spr") + "的zeros002.bmp没有像素(4×0)：PNG图至少要有一个像素，不能输出为PNG!");
    EXPECT_FALSE(fs::exists(Out() + "/empty.png"));
    EXPECT_TRUE(m_viewer->isVisible());
}

TEST_F(ViewerExportTest, AllFramesOfATrueColourSpriteBecomeTgaFilesKeepingAlpha) {
    // Bottom row first, A, B, G, R: a fully transparent pixel keeps its colour bytes.
    const TestFrame clear{2, 2, Bytes{0, 11, 22, 33, 255, 1, 2, 3, 128, 40, 50, 60, 7, 70, 80, 90}};
    const std::vector<TestFrame> frames{TrueColourFrame(3, 2), clear};
    Open("orb.spr", MakeSprite(SprKind::TrueColor32, frames, m_palette));

    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{"输出完成，一共2个文件."});
    ASSERT_EQ(OutEntries(), (std::vector<std::string>{"orb000.tga", "orb001.tga"}));
    ExpectTgaOf(Out() + "/orb000.tga", frames[0]);
    ExpectTgaOf(Out() + "/orb001.tga", frames[1]);
}

TEST_F(ViewerExportTest, FrameThatCannotBeDecodedStopsTheExportAndEarlierFilesStay) {
    const std::vector<TestFrame> frames{Filled(4, 4, 1), Filled(4, 4, 2), Filled(4, 4, 3)};
    Bytes sprite = MakeSprite(SprKind::Indexed256Rle, frames, m_palette);
    // Frame 1's sixteen bytes end in a zero run of 255, past the frame.
    const std::size_t data = kSprHeaderBytes + 2 * kSprRleFrameHeadBytes + 16;
    sprite[data + 14] = 0;
    sprite[data + 15] = 255;
    Open("cut.spr", sprite);

    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_NE(m_prompts.Messages()[0].text.find("cut001.bmp"), std::string::npos) << m_prompts.Messages()[0].text;
    EXPECT_EQ(OutEntries(), std::vector<std::string>{"cut000.bmp"});
    ExpectBmpOf(Out() + "/cut000.bmp", frames[0], m_palette);
}

TEST_F(ViewerExportTest, SpriteWithoutFramesReportsNoFilesAndHasNoFrameToSave) {
    Open("empty.spr", MakeSprite(SprKind::TrueColor32, {}, m_palette));
    m_prompts.Answer(Out());
    Click(kIdcExportAll);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"输出完成，一共0个文件."});
    EXPECT_TRUE(OutEntries().empty());

    Click(kIdcExportFrame);
    EXPECT_EQ(m_prompts.Questions().size(), 1u);  // no save dialog
}

TEST_F(ViewerExportTest, EmptyOrMissingFolderIsRefusedAndNothingIsWritten) {
    Open("p.spr", MakeSprite(SprKind::Indexed256Rle, {Filled(2, 2, 1)}, m_palette));
    const std::string missing = m_dir.Path("missing");
    m_prompts.Answer("");
    Click(kIdcExportAll);
    m_prompts.Answer(missing);
    Click(kIdcExportAll);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"没有指定输出文件夹!", missing + "不是一个文件夹!"}));
    EXPECT_FALSE(Exists(missing));
    EXPECT_FALSE(Exists("/p000.bmp"));

    m_prompts.Cancel();
    Click(kIdcExportAll);
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
    EXPECT_TRUE(OutEntries().empty());
}

TEST_F(ViewerExportTest, CurrentFrameIsSavedExactlyWhereTheDialogSaid) {
    const std::vector<TestFrame> frames{PatternFrame(13, 4, 1), PatternFrame(7, 9, 3)};
    Open("hero.spr", MakeSprite(SprKind::Indexed256Rle, frames, m_palette));
    Click(kIdcNextFrame);

    // A name typed without extension is used as typed.
    const std::string path = Out() + "/picked";
    m_prompts.Answer(path);
    Click(kIdcExportFrame);
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::SaveFile);
    EXPECT_EQ(m_prompts.Questions()[0].filter, "256色BMP图(*.bmp)|*.bmp|PNG图(*.png)|*.png||");
    EXPECT_EQ(m_prompts.Questions()[0].initialName, "");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"256色BMP图" + path + "输出完成."});
    EXPECT_EQ(OutEntries(), std::vector<std::string>{"picked"});
    ExpectBmpOf(path, frames[1], m_palette);

    m_prompts.Cancel();
    Click(kIdcExportFrame);
    EXPECT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(OutEntries().size(), 1u);

    // The PNG entry picked writes PNG, the name still as typed.
    m_prompts.PickFilter(1);
    m_prompts.Answer(Out() + "/as-png");
    Click(kIdcExportFrame);
    EXPECT_EQ(MessageTexts().back(), "PNG图" + Out() + "/as-png输出完成.");
    QImage png;
    EXPECT_TRUE(png.load(QString::fromStdString(Out() + "/as-png"), "PNG"));
    EXPECT_EQ(png.size(), QSize(7, 9));
}

// A dropped folder's sprites through the batch dialog: the sound ones whole, the damaged
// one listed, the summary counting both.
TEST(BatchDialog, ExportsAFolderTreeAndListsWhatFailed) {
    TempDir dir;
    std::filesystem::create_directories(PathFromUtf8(dir.Path("in/sub")));
    const Bytes hero =
        MakeSprite(SprKind::Indexed256Rle, {PatternFrame(13, 5, 1), PatternFrame(4, 3, 2)}, DistinctPalette());
    WriteBytes(dir.Path("in/sub/hero.spr"), hero);
    WriteBytes(dir.Path("in/cut.SPR"), Bytes(hero.begin(), hero.begin() + 20));
    ScriptedPrompts prompts;
    CBatchDlg batch(prompts, dir.Path("in"));
    batch.show();
    batch.Start();  // no output folder yet
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "没有指定输出文件夹!");

    prompts.Answer(dir.Path("out"));
    for (QPushButton* button : batch.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("浏览(&B)...")) button->click();
    }
    batch.SetFormat(BatchFormat::Png);
    batch.Start();
    batch.WaitForEnd();
    EXPECT_TRUE(batch.Summary().startsWith(QStringLiteral("完成：2个SPR文件，2帧，2个文件，1个失败，用时")))
        << batch.Summary().toStdString();
    EXPECT_EQ(EntriesOf(dir.Path("out/sub/hero")), (std::vector<std::string>{"hero000.png", "hero001.png"}));
    EXPECT_FALSE(QImage(QString::fromStdString(dir.Path("out/sub/hero/hero000.png"))).isNull());
    const auto* failures = batch.findChild<QPlainTextEdit*>();
    ASSERT_NE(failures, nullptr);
    EXPECT_TRUE(failures->toPlainText().contains(QString::fromStdString(dir.Path("in/cut.SPR"))));
}

}  // namespace
}  // namespace zandrel::test
