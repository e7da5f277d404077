// The viewer driven through its controls: what it lists, how it moves between frames,
// where and in which colours it paints, and what it does without a frame to show.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <memory>

#include "os/file.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

class ViewerTest : public testing::Test {
protected:
    std::string WriteSprite(const std::string& name, SprKind kind, const std::vector<TestFrame>& frames) {
        return m_dir.Write(name, MakeSprite(kind, frames, MarkedPalette()));
    }

    CSprViewDlg& Open(const std::string& path) {
        m_viewer = std::make_unique<CSprViewDlg>(m_prompts, path);
        m_viewer->InitDialog();
        m_viewer->show();
        Settle();
        return *m_viewer;
    }

    QListWidget& List() { return *m_viewer->DlgItem<QListWidget>(kIdcFrameList); }
    QString FileInfo() { return m_viewer->DlgItem<QLineEdit>(kIdcFileInfo)->text(); }
    QString FrameInfo() { return m_viewer->DlgItem<QLabel>(kIdcFrameInfo)->text(); }
    void Click(int id) { ClickButton(*m_viewer, id); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < List().count(); ++i) lines << List().item(i)->text();
        return lines;
    }
    QImage Preview() { return Grab(*m_viewer->GetDlgItem(kIdcPreview)); }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CSprViewDlg> m_viewer;
};

TEST_F(ViewerTest, RleSpriteShowsFileLineNamesAndFrameInformation) {
    const std::string path = WriteSprite("hero.spr", SprKind::Indexed256Rle, std::vector(12, PatternFrame(40, 87)));
    Open(path);

    EXPECT_EQ(FileInfo().toStdString(), "文件名:" + path + "|[256色压缩SPR]");
    ASSERT_EQ(List().count(), 12);
    EXPECT_EQ(Lines().front(), "hero000.bmp");
    EXPECT_EQ(Lines().back(), "hero011.bmp");
    EXPECT_EQ(List().currentRow(), 0);
    EXPECT_EQ(FrameInfo(), "1/12\n(40,87)");

    List().setCurrentRow(2);
    Settle();
    EXPECT_EQ(m_viewer->CurrentFrame(), 2);
    EXPECT_EQ(FrameInfo(), "3/12\n(40,87)");
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(ViewerTest, SortedListKeepsFrameOrderAndRawSpritesShowFrameInformation) {
    std::vector<TestFrame> frames;
    for (int i = 0; i < 101; ++i) frames.push_back(Filled(static_cast<std::uint16_t>(i + 1), 3, 1));
    const std::string path = WriteSprite("hero.spr", SprKind::Indexed256, frames);
    Open(path);

    EXPECT_EQ(FileInfo().toStdString(), "文件名:" + path + "|[256色无压缩SPR]");
    ASSERT_EQ(List().count(), 101);
    EXPECT_EQ(List().item(10)->text(), "hero010.bmp");
    EXPECT_EQ(List().item(100)->text(), "hero100.bmp");
    List().setCurrentRow(100);
    Settle();
    EXPECT_EQ(FrameInfo(), "101/101\n(101,3)");
}

TEST_F(ViewerTest, TitleKeepsEveryDotButTheLast) {
    Open(WriteSprite("a.b.spr", SprKind::Indexed256Rle, {Filled(2, 2, 1), Filled(2, 2, 2)}));
    EXPECT_EQ(Lines(), QStringList({"a.b000.bmp", "a.b001.bmp"}));
}

TEST_F(ViewerTest, ArrowsStepAndWrapAtBothEnds) {
    Open(WriteSprite("s.spr", SprKind::Indexed256Rle, {Filled(5, 1, 1), Filled(6, 1, 1), Filled(7, 1, 1)}));

    Click(kIdcNextFrame);
    EXPECT_EQ(List().currentRow(), 1);
    EXPECT_EQ(FrameInfo(), "2/3\n(6,1)");
    Click(kIdcNextFrame);
    Click(kIdcNextFrame);
    EXPECT_EQ(List().currentRow(), 0);
    EXPECT_EQ(m_viewer->CurrentFrame(), 0);
    EXPECT_EQ(FrameInfo(), "1/3\n(5,1)");

    Click(kIdcPrevFrame);
    EXPECT_EQ(List().currentRow(), 2);
    EXPECT_EQ(m_viewer->CurrentFrame(), 2);
    EXPECT_EQ(FrameInfo(), "3/3\n(7,1)");
    Click(kIdcPrevFrame);
    EXPECT_EQ(List().currentRow(), 1);
}

TEST_F(ViewerTest, SingleFrameStaysSelectedBothWays) {
    Open(WriteSprite("one.spr", SprKind::Indexed256Rle, {Filled(4, 4, 1)}));
    Click(kIdcNextFrame);
    EXPECT_EQ(List().currentRow(), 0);
    Click(kIdcPrevFrame);
    EXPECT_EQ(List().currentRow(), 0);
    EXPECT_EQ(FrameInfo(), "1/1\n(4,4)");
}

TEST_F(ViewerTest, TrueColourListsTgaNamesAndDisablesPaletteButtons) {
    const std::string path =
        WriteSprite("hero.spr", SprKind::TrueColor32, {TrueColourFrame(3, 2), TrueColourFrame(4, 5)});
    Open(path);
    EXPECT_EQ(FileInfo().toStdString(), "文件名:" + path + "|[32位色SPR]");
    EXPECT_EQ(Lines(), QStringList({"hero000.tga", "hero001.tga"}));
    EXPECT_FALSE(m_viewer->GetDlgItem(kIdcExportPalette)->isEnabled());
    EXPECT_FALSE(m_viewer->GetDlgItem(kIdcImportPalette)->isEnabled());
    EXPECT_EQ(FrameInfo(), "1/2\n(3,2)");
}

TEST_F(ViewerTest, EveryButtonServesAPalettisedSprite) {
    Open(WriteSprite("p.spr", SprKind::Indexed256Rle, {Filled(4, 4, 1)}));
    for (int id : {kIdcPrevFrame, kIdcNextFrame, kIdcExportFrame, kIdcExportAll, kIdcExportPalette, kIdcImportPalette,
                   kIdCancel}) {
        EXPECT_TRUE(m_viewer->GetDlgItem(id)->isEnabled()) << id;
    }
    // No default button, so that Enter outside the buttons ends the dialog.
    for (const QPushButton* button : m_viewer->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    }
}

// Nothing may touch the frame table or the file: the arrows and the paint must cope
// with an empty list.
void ExpectNoCurrentFrame(CSprViewDlg& viewer, QListWidget& list) {
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(viewer.CurrentFrame(), -1);
    viewer.DlgItem<QPushButton>(kIdcNextFrame)->click();
    viewer.DlgItem<QPushButton>(kIdcPrevFrame)->click();
    viewer.GetDlgItem(kIdcPreview)->repaint();
    Settle();
    EXPECT_EQ(viewer.CurrentFrame(), -1);
    EXPECT_EQ(list.count(), 0);
}

TEST_F(ViewerTest, WrongMagicIsRefusedAndLeavesNothingToShow) {
    Bytes bytes = MakeSprite(SprKind::Indexed256Rle, {Filled(4, 4, 1)}, MarkedPalette());
    bytes[0] = 'X';
    Open(m_dir.Write("bad.spr", bytes));
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{"SPR文件格式错误！\n", MessageIcon::None}));
    EXPECT_EQ(FileInfo(), "");
    EXPECT_EQ(FrameInfo(), "");  // the template's "999/999\ntest" is gone
    ExpectNoCurrentFrame(*m_viewer, List());
    EXPECT_EQ(m_prompts.Messages().size(), 1u);
}

TEST_F(ViewerTest, OpenFailureNamesTheCauseInHex) {
    Open(m_dir.Path("missing.spr"));
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "File Open failed!(2)");
    ExpectNoCurrentFrame(*m_viewer, List());

    const std::string held = WriteSprite("held.spr", SprKind::Indexed256Rle, {Filled(1, 1, 1)});
    const File holder = File::OpenRead(held);
    m_prompts.Forget();
    Open(held);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "File Open failed!(b)");  // sharing violation, 11
}

TEST_F(ViewerTest, SpriteWithoutFramesHasNoCurrentFrame) {
    Open(WriteSprite("empty.spr", SprKind::TrueColor32, {}));
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_EQ(FrameInfo(), "");
    ExpectNoCurrentFrame(*m_viewer, List());
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(ViewerTest, DamagedFileWarnsAndOffersTheWholeFrames) {
    Bytes bytes = MakeSprite(SprKind::Indexed256Rle, {Filled(4, 4, 1), Filled(4, 4, 2)}, MarkedPalette());
    bytes[4] = 5;  // the header claims five frames
    Open(m_dir.Write("cut.spr", bytes));
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::None);
    EXPECT_NE(m_prompts.Messages()[0].text.find("cut.spr"), std::string::npos);
    EXPECT_EQ(List().count(), 2);
    // The count is the header's, whatever could be listed.
    EXPECT_EQ(FrameInfo(), "1/5\n(4,4)");
}

TEST_F(ViewerTest, UndecodableFrameIsReportedOncePerSelection) {
    Bytes bytes = MakeSprite(SprKind::Indexed256Rle, {Filled(4, 4, 1), Filled(4, 4, 2)}, MarkedPalette());
    // Frame 0's data: sixteen 1-bytes; make the last two a zero run of 255, past the frame.
    const std::size_t data = kSprHeaderBytes + kSprRleFrameHeadBytes;
    bytes[data + 14] = 0;
    bytes[data + 15] = 255;
    Open(m_dir.Write("runs.spr", bytes));
    for (int i = 0; i < 3; ++i) {
        m_viewer->GetDlgItem(kIdcPreview)->repaint();
        Settle();
    }
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::None);

    Click(kIdcNextFrame);
    Click(kIdcPrevFrame);
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
}

TEST_F(ViewerTest, FileIsHeldWhileOpenAndFreedWhenClosed) {
    const std::string path = WriteSprite("h.spr", SprKind::Indexed256Rle, {Filled(1, 1, 1)});
    Open(path);
    try {
        File::OpenRead(path);
        ADD_FAILURE() << "a second opening was allowed";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Cause(), FileCause::SharingViolation);
    }
    m_viewer->reject();
    EXPECT_NO_THROW(File::OpenRead(path));
}

TEST_F(ViewerTest, EscapeCancelAndEnterCloseIt) {
    const std::string path = WriteSprite("c.spr", SprKind::Indexed256Rle, {Filled(1, 1, 1), Filled(1, 1, 1)});

    Open(path);
    PressKey(*m_viewer, Qt::Key_Escape);
    EXPECT_FALSE(m_viewer->isVisible());
    EXPECT_EQ(m_viewer->result(), QDialog::Rejected);

    Open(path);
    Click(kIdCancel);
    EXPECT_FALSE(m_viewer->isVisible());

    // Enter with the list focused is the OK command, which ends the dialog.
    Open(path);
    List().setFocus();
    PressKey(*m_viewer, Qt::Key_Return);
    EXPECT_FALSE(m_viewer->isVisible());
    EXPECT_EQ(m_viewer->result(), QDialog::Accepted);

    // Enter on a push button presses that button.
    Open(path);
    m_viewer->GetDlgItem(kIdcNextFrame)->setFocus();
    PressKey(*m_viewer, Qt::Key_Return);
    EXPECT_TRUE(m_viewer->isVisible());
    EXPECT_EQ(List().currentRow(), 1);
}

// The first column of the preview that shows `colour`, or -1.
int FirstColumnOf(const QImage& image, QRgb colour, int row) {
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, row) == colour) return x;
    }
    return -1;
}

constexpr QRgb kMagenta = 0xFFFF00FF;

TEST_F(ViewerTest, PreviewPlacesFramesByIntegerHalvings) {
    Open(WriteSprite("w.spr", SprKind::Indexed256Rle, {Filled(10, 4, 1), Filled(11, 4, 1)}));
    QWidget& preview = *m_viewer->GetDlgItem(kIdcPreview);
    const int width = preview.width();
    const int middle = preview.height() / 2;

    EXPECT_EQ(FirstColumnOf(Preview(), kMagenta, middle), width / 2 - 5);
    Click(kIdcNextFrame);
    EXPECT_EQ(FirstColumnOf(Preview(), kMagenta, middle), width / 2 - 5);

    // The same in a control 205 pixels wide: both frames start at 97.
    preview.resize(205, 205);
    EXPECT_EQ(FirstColumnOf(Preview(), kMagenta, 102), 97);
    Click(kIdcPrevFrame);
    EXPECT_EQ(FirstColumnOf(Preview(), kMagenta, 102), 97);
    const QImage image = Preview();
    EXPECT_EQ(image.pixel(106, 102), kMagenta);
    EXPECT_NE(image.pixel(107, 102), kMagenta);
    EXPECT_EQ(image.pixel(100, 100), kMagenta);  // rows 100 to 103 of 205
    EXPECT_NE(image.pixel(100, 99), kMagenta);
    EXPECT_NE(image.pixel(100, 104), kMagenta);
}

TEST_F(ViewerTest, FrameWiderThanPreviewIsCutEvenly) {
    // Probe the control's width first, then make a frame wider than it.
    Open(WriteSprite("probe.spr", SprKind::Indexed256Rle, {Filled(1, 1, 1)}));
    const int width = m_viewer->GetDlgItem(kIdcPreview)->width();
    const int frameWidth = width + 101;
    TestFrame frame = Filled(static_cast<std::uint16_t>(frameWidth), 2, 2);
    frame.pixels[0] = 1;  // column 0 of row 0 is magenta, the rest green
    const int left = width / 2 - frameWidth / 2;
    ASSERT_LT(left, 0);
    frame.pixels[static_cast<std::size_t>(-left)] = 1;  // the column that lands at x = 0
    Open(WriteSprite("wide.spr", SprKind::Indexed256, {frame}));
    const QImage image = Preview();
    const int top = image.height() / 2 - 1;
    EXPECT_EQ(image.pixel(0, top), kMagenta);
    EXPECT_EQ(image.pixel(1, top), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(image.width() - 1, top), 0xFF00FF00u);
}

TEST_F(ViewerTest, PreviewColoursPaletteAndAlphaOverBlack) {
    // Stored bottom row first, A, B, G, R: the bottom row holds the half-transparent
    // pixel and an opaque one, the top row a fully transparent one and an opaque one.
    TestFrame trueColour{2, 2, Bytes{128, 200, 100, 50, 255, 1, 2, 3, 0, 90, 90, 90, 255, 40, 50, 60}};
    Open(WriteSprite("t.spr", SprKind::TrueColor32, {trueColour}));
    QWidget& preview = *m_viewer->GetDlgItem(kIdcPreview);
    const int x = preview.width() / 2 - 1;
    const int y = preview.height() / 2 - 1;
    QImage image = Preview();
    EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));          // alpha 0
    EXPECT_EQ(image.pixel(x + 1, y), qRgb(60, 50, 40));   // alpha 255 keeps its colour
    EXPECT_EQ(image.pixel(x, y + 1), qRgb(25, 50, 100));  // 50, 100, 200 at alpha 128
    EXPECT_EQ(image.pixel(x + 1, y + 1), qRgb(3, 2, 1));

    Open(WriteSprite("z.spr", SprKind::Indexed256Rle, {Filled(4, 4, 0)}));
    image = Preview();
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(10, 20, 30));  // entry 0, not transparent
}

TEST_F(ViewerTest, PaintThatCannotReadDrawsNothingAndSaysNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the open sprite is held without sharing: nothing can cut it short meanwhile";
#endif
    const std::string path = WriteSprite("gone.spr", SprKind::Indexed256, {Filled(8, 8, 1)});
    Open(path);
    const QImage before = Preview();
    ASSERT_NE(FirstColumnOf(before, kMagenta, before.height() / 2), -1);

    std::filesystem::resize_file(path, 4);
    const QImage after = Preview();
    EXPECT_EQ(FirstColumnOf(after, kMagenta, after.height() / 2), -1);
    Settle();
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_TRUE(m_viewer->isVisible());
}

}  // namespace
}  // namespace zandrel::test
