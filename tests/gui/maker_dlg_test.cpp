// The maker driven through its controls: how its list orders, moves and deletes
// entries and which buttons it offers, files dropped on it, where and in which colours
// it previews the selected file, and the sprite that Make writes.

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "maker/spr_make_dlg.h"
#include "maker/sprite_build.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

class MakerTest : public testing::Test {
protected:
    MakerTest() { Open(); }
    ~MakerTest() override { std::filesystem::current_path(m_startFolder); }

    void Open() {
        m_maker = std::make_unique<CSprMakeDlg>(m_prompts);
        m_maker->InitDialog();
        m_maker->show();
        Settle();
    }

    // A small BMP filled with index 1.
    std::string Bmp(const std::string& name) {
        return m_dir.Write(name, PaintedBmp8(2, 2, Bytes(4, 1), DistinctPalette()));
    }

    QListWidget& List() { return *m_maker->DlgItem<QListWidget>(kIdcImageList); }
    QWidget& Preview() { return *m_maker->GetDlgItem(kIdcImagePreview); }
    bool Enabled(int id) { return m_maker->GetDlgItem(id)->isEnabled(); }
    void Click(int id) { ClickButton(*m_maker, id); }
    void Add(std::vector<std::string> paths) {
        m_prompts.AnswerFiles(std::move(paths));
        Click(kIdcAddImages);
    }
    // A click of the user's on a line.
    void Choose(int row) {
        List().setCurrentRow(row);
        Settle();
    }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < List().count(); ++i) lines << List().item(i)->text();
        return lines;
    }
    int SelectedRow() {
        const QList<QListWidgetItem*> selected = List().selectedItems();
        return selected.isEmpty() ? -1 : List().row(selected.front());
    }
    QString Selected() {
        const QList<QListWidgetItem*> selected = List().selectedItems();
        return selected.isEmpty() ? QString() : selected.front()->text();
    }

    const std::filesystem::path m_startFolder = std::filesystem::current_path();
    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CSprMakeDlg> m_maker;
};

TEST_F(MakerTest, OpensEmptyWithMakeAndDeleteDisabledAndAddAsDefault) {
    EXPECT_EQ(m_maker->windowTitle(), "Image to SPR");
    EXPECT_EQ(List().count(), 0);
    EXPECT_FALSE(Enabled(kIdOk));
    EXPECT_FALSE(Enabled(kIdcDeleteImage));
    for (int id : {kIdcAddImages, kIdcMoveImageUp, kIdcMoveImageDown, kIdCancel}) EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(m_maker->DlgItem<QLabel>(kIdcMakerInfo)->text(), "");  // not the template's "Static"
    EXPECT_TRUE(m_maker->DlgItem<QPushButton>(kIdcAddImages)->isDefault());

    // Enter adds; a cancelled Add dialog changes nothing.
    PressKey(*m_maker, Qt::Key_Return);
    Settle();
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::OpenFiles);
    EXPECT_EQ(m_prompts.Questions()[0].filter,
              "256色BMP图(*.bmp)|*.bmp|32位色TGA图(*.tga)|*.tga|PNG图(*.png)|*.png|Velmark SPR(*.spr)|*.spr||");
    EXPECT_TRUE(m_maker->isVisible());
    EXPECT_EQ(List().count(), 0);
    EXPECT_FALSE(Enabled(kIdOk));
}

TEST_F(MakerTest, AdditionsGoToTheirSortedPlaceCaseAsideAndDuplicatesStay) {
    Add({"date.bmp", "Berry.bmp"});
    EXPECT_EQ(Lines(), QStringList({"Berry.bmp", "date.bmp"}));
    EXPECT_TRUE(Enabled(kIdOk));
    EXPECT_TRUE(Enabled(kIdcDeleteImage));
    EXPECT_EQ(Selected(), "");  // an addition selects nothing

    Choose(1);
    Add({"apple.bmp", "CHERRY.bmp", "berry.bmp", "date.bmp"});
    EXPECT_EQ(Lines(), QStringList({"apple.bmp", "Berry.bmp", "berry.bmp", "CHERRY.bmp", "date.bmp", "date.bmp"}));
    EXPECT_EQ(SelectedRow(), 4);  // the same line as before, moved down by the additions
}

TEST_F(MakerTest, UpAndDownMoveTheSelectedEntryAndStopAtTheEnds) {
    Add({"one.bmp", "two.bmp", "three.bmp"});
    EXPECT_EQ(Lines(), QStringList({"one.bmp", "three.bmp", "two.bmp"}));

    // Nothing selected: neither moves anything.
    Click(kIdcMoveImageUp);
    Click(kIdcMoveImageDown);
    EXPECT_EQ(Lines(), QStringList({"one.bmp", "three.bmp", "two.bmp"}));

    Choose(1);
    Click(kIdcMoveImageUp);
    EXPECT_EQ(Lines(), QStringList({"three.bmp", "one.bmp", "two.bmp"}));
    EXPECT_EQ(Selected(), "three.bmp");
    Click(kIdcMoveImageUp);  // already first
    EXPECT_EQ(Lines(), QStringList({"three.bmp", "one.bmp", "two.bmp"}));
    EXPECT_EQ(Selected(), "three.bmp");

    Click(kIdcMoveImageDown);
    Click(kIdcMoveImageDown);
    Click(kIdcMoveImageDown);  // already last
    EXPECT_EQ(Lines(), QStringList({"one.bmp", "two.bmp", "three.bmp"}));
    EXPECT_EQ(SelectedRow(), 2);
}

TEST_F(MakerTest, MovedEntriesStayWhereTheyWerePutWhenMoreAreAdded) {
    Add({"b.bmp", "c.bmp", "d.bmp"});
    Choose(2);
    Click(kIdcMoveImageUp);
    Click(kIdcMoveImageUp);
    ASSERT_EQ(Lines(), QStringList({"d.bmp", "b.bmp", "c.bmp"}));

    // A sorted list searches its current order by halves: "a" lands first, "e" last,
    // and "d" keeps its place ahead of "b".
    Add({"a.bmp", "E.bmp"});
    EXPECT_EQ(Lines(), QStringList({"a.bmp", "d.bmp", "b.bmp", "c.bmp", "E.bmp"}));
    EXPECT_EQ(Selected(), "d.bmp");
}

TEST_F(MakerTest, DeleteSelectsTheNextEntryOrElseThePrevious) {
    Add({"one.bmp", "two.bmp", "three.bmp"});  // one, three, two

    Click(kIdcDeleteImage);  // nothing selected
    EXPECT_EQ(List().count(), 3);

    Choose(2);
    Click(kIdcDeleteImage);
    EXPECT_EQ(Lines(), QStringList({"one.bmp", "three.bmp"}));
    EXPECT_EQ(Selected(), "three.bmp");

    Choose(0);
    Click(kIdcDeleteImage);
    EXPECT_EQ(Lines(), QStringList({"three.bmp"}));
    EXPECT_EQ(Selected(), "three.bmp");
    EXPECT_TRUE(Enabled(kIdOk));

    Click(kIdcDeleteImage);
    EXPECT_EQ(List().count(), 0);
    EXPECT_FALSE(Enabled(kIdOk));
    EXPECT_FALSE(Enabled(kIdcDeleteImage));

    Add({"again.tga"});
    EXPECT_TRUE(Enabled(kIdOk));
    EXPECT_TRUE(Enabled(kIdcDeleteImage));

    // The Delete key in the list does as the button does.
    Add({"more.tga"});
    Choose(0);
    List().setFocus();
    PressKey(List(), Qt::Key_Delete);
    EXPECT_EQ(Lines(), QStringList({"more.tga"}));
    EXPECT_EQ(Selected(), "more.tga");
}

TEST_F(MakerTest, ListScrollsAcrossTheSameWidthWhateverThePaths) {
    Add({"a.bmp"});
    QScrollBar& across = *List().horizontalScrollBar();
    const int room = List().viewport()->width();
    ASSERT_LT(room, 255);
    Settle();
    EXPECT_EQ(across.maximum(), 255 - room);

    Add({"/" + std::string(300, 'x') + ".bmp"});
    Settle();
    EXPECT_EQ(across.maximum(), 255 - room);
}

// Drags `urls` over the list and drops them there; returns whether the list took them.
bool DropOn(QListWidget& list, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    Settle();
    return drop.isAccepted();
}

TEST_F(MakerTest, DroppedLocalImageFilesAreAddedAsAddAddsThem) {
    const std::string tga = m_dir.Write("Z.TGA", MakeTga32(1, 1, Bytes{1, 2, 3, 4}));
    const std::string bmp = Bmp("m.bmp");
    const std::string png = m_dir.Write("p.png", Bytes{1});
    std::filesystem::create_directory(m_dir.Path("folder.bmp"));
    Add({m_dir.Path("n.bmp")});

    EXPECT_TRUE(DropOn(
        List(), {QUrl::fromLocalFile(QString::fromStdString(tga)), QUrl("https://example.org/x.bmp"),
                 QUrl::fromLocalFile(QString::fromStdString(png)),
                 QUrl::fromLocalFile(QString::fromStdString(m_dir.Path("folder.bmp"))),
                 QUrl::fromLocalFile(QString::fromStdString(bmp)), QUrl::fromLocalFile(QString::fromStdString(bmp))}));
    // A PNG too: the build takes what Add offers.
    EXPECT_EQ(Lines(), QStringList({QString::fromStdString(bmp), QString::fromStdString(bmp),
                                    QString::fromStdString(m_dir.Path("n.bmp")), QString::fromStdString(png),
                                    QString::fromStdString(tga)}));

    // Nothing usable: the drop is refused and the list is left alone.
    const std::string jpg = m_dir.Write("photo.jpg", Bytes{1});
    EXPECT_FALSE(DropOn(List(), {QUrl::fromLocalFile(QString::fromStdString(jpg))}));
    EXPECT_EQ(List().count(), 5);

    // Into an empty list, a drop enables Make and Delete as Add does.
    Open();
    EXPECT_TRUE(DropOn(List(), {QUrl::fromLocalFile(QString::fromStdString(bmp))}));
    EXPECT_TRUE(Enabled(kIdOk));
    EXPECT_TRUE(Enabled(kIdcDeleteImage));
}

TEST_F(MakerTest, PreviewDrawsTheSelectedFileUnscaledInTheMiddle) {
    SprPalette palette = DistinctPalette();
    palette[0] = {10, 20, 30, 0};
    palette[1] = {255, 0, 255, 0};
    Bytes rows(std::size_t{11} * 11, 1);
    rows[0] = 0;  // the top-left pixel, shown in its colour, not as transparent
    Add({m_dir.Write("eleven.bmp", PaintedBmp8(11, 11, rows, palette))});
    // An even control and an odd image: halving each apart puts it at 100 - 5 = 95,
    // where halving the difference would give 94.
    Preview().resize(200, 200);
    const QImage blank = Grab(Preview());
    Choose(0);
    const QImage image = Grab(Preview());
    EXPECT_NE(image, blank);

    EXPECT_EQ(image.pixel(95, 95), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixel(96, 95), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(105, 105), qRgb(255, 0, 255));
    EXPECT_NE(image.pixel(106, 105), qRgb(255, 0, 255));
    EXPECT_NE(image.pixel(105, 106), qRgb(255, 0, 255));
    EXPECT_NE(image.pixel(94, 95), qRgb(10, 20, 30));
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(MakerTest, PreviewOfALargerImageShowsItsMiddle) {
    const int width = Preview().width() + 101;
    const int height = 3;
    SprPalette palette = DistinctPalette();
    palette[1] = {0, 255, 0, 0};
    palette[2] = {255, 0, 255, 0};
    Bytes rows(static_cast<std::size_t>(width * height), 1);
    const int left = Preview().width() / 2 - width / 2;
    ASSERT_LT(left, 0);
    rows[static_cast<std::size_t>(width - left)] = 2;  // row 1, the column that lands at x = 0
    Add({m_dir.Write("wide.bmp", PaintedBmp8(width, height, rows, palette))});
    Choose(0);
    const QImage image = Grab(Preview());
    const int y = Preview().height() / 2 - height / 2 + 1;
    EXPECT_EQ(image.pixel(0, y), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixel(1, y), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(image.width() - 1, y), qRgb(0, 255, 0));
}

TEST_F(MakerTest, RefusalIsToldOncePerSelectionAndNeverFromInsideThePaint) {
    Bytes deep = PaintedBmp8(2, 2, Bytes(4, 1), DistinctPalette(), 24);
    const std::string refused = m_dir.Write("deep.bmp", deep);
    const std::string fine = Bmp("fine.bmp");
    Add({refused, fine});
    List().setCurrentRow(0);
    Preview().repaint();
    EXPECT_TRUE(m_prompts.Messages().empty());  // the paint has ended before the box opens
    Settle();
    for (int i = 0; i < 3; ++i) {
        Preview().repaint();
        Settle();
    }
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{refused + "不是256色无压缩BMP图!", MessageIcon::None}));

    Choose(1);
    Choose(0);
    EXPECT_EQ(m_prompts.Messages().size(), 2u);

    // Moving the selected entry keeps the selection: no new message.
    Click(kIdcMoveImageDown);
    Preview().repaint();
    Settle();
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
    EXPECT_TRUE(m_maker->isVisible());
}

TEST_F(MakerTest, FileThatCannotBeOpenedIsToldOnceWithItsName) {
    const std::string gone = m_dir.Path("gone.bmp");
    Add({gone});
    Choose(0);
    for (int i = 0; i < 3; ++i) {
        Preview().repaint();
        Settle();
    }
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_NE(m_prompts.Messages()[0].text.find("gone.bmp"), std::string::npos);
    EXPECT_TRUE(m_maker->isVisible());
}

// The sprite that two 3 x 2 and 2 x 2 BMPs with top-left index 5 make, byte by byte.
Bytes ExpectedPalettedSprite(const SprPalette& palette) {
    Bytes out{'S', 'P', 1, 2, 2, 0, 0, 0};
    // Top rows 5 0 1 and 5 5 2; 0 and 5 change places.
    out.insert(out.end(), {3, 0, 2, 0, 7, 0, /**/ 0, 1, 5, 1, 0, 2, 2});
    // Rows 5 5 and 3 0.
    out.insert(out.end(), {2, 0, 2, 0, 4, 0, /**/ 0, 2, 3, 5});
    for (std::size_t i = 0; i < 256; ++i) {
        const SprPaletteEntry& entry = palette[i == 0 ? 5 : i == 5 ? 0 : i];
        out.insert(out.end(), {entry.red, entry.green, entry.blue, 0});
    }
    return out;
}

TEST_F(MakerTest, MakeBuildsAPalettedSpriteReportsItAndCloses) {
    const SprPalette palette = DistinctPalette(3);
    const std::string first = m_dir.Write("hero000.bmp", PaintedBmp8(3, 2, Bytes{5, 0, 1, 5, 5, 2}, palette));
    const std::string second = m_dir.Write("hero001.bmp", PaintedBmp8(2, 2, Bytes{5, 5, 3, 0}, palette));
    Add({second, first});
    const std::string output = m_dir.Path("hero.spr");
    m_prompts.Answer(output);
    Click(kIdOk);

    ASSERT_EQ(m_prompts.Questions().size(), 2u);
    EXPECT_EQ(m_prompts.Questions()[1].kind, QuestionKind::SaveFile);
    EXPECT_EQ(m_prompts.Questions()[1].filter, "Velmark SPR(*.spr)|*.spr||");
    EXPECT_EQ(m_prompts.Questions()[1].initialName, m_dir.Path("hero"));
    EXPECT_EQ(ReadBytes(output), ExpectedPalettedSprite(palette));
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{output + "转换完成!", MessageIcon::None}));
    EXPECT_FALSE(m_maker->isVisible());
    EXPECT_EQ(m_maker->result(), QDialog::Accepted);
}

// BMPs whose colour tables differ from the first one's are named in one question
// before the save dialog: No goes back to the list, Yes builds as before.
TEST_F(MakerTest, OtherColourTablesAreAskedAboutOnceBeforeTheBuild) {
    const std::string first = m_dir.Write("a0.bmp", PaintedBmp8(2, 1, Bytes{5, 1}, DistinctPalette(3)));
    const std::string same = m_dir.Write("a1.bmp", PaintedBmp8(2, 1, Bytes{5, 2}, DistinctPalette(3)));
    const std::string other = m_dir.Write("a2.bmp", PaintedBmp8(2, 1, Bytes{5, 3}, DistinctPalette(4)));
    Add({first, same});
    m_prompts.Cancel();  // the save dialog
    Click(kIdOk);
    EXPECT_TRUE(m_prompts.YesNoQuestions().empty());  // one colour table: nothing to ask

    Add({other});
    Click(kIdOk);  // No
    ASSERT_EQ(m_prompts.YesNoQuestions().size(), 1u);
    EXPECT_EQ(m_prompts.YesNoQuestions()[0],
              "以下源图的调色板和第一幅图的不同，做出的SPR颜色会异常：\n" + other + "\n是否继续?");
    EXPECT_EQ(m_prompts.Questions().size(), 3u);  // no save dialog after No
    EXPECT_TRUE(m_maker->isVisible());

    m_prompts.Reply(true);
    m_prompts.Answer(m_dir.Path("a.spr"));
    Click(kIdOk);
    EXPECT_TRUE(Exists(m_dir.Path("a.spr")));
    EXPECT_EQ(m_maker->result(), QDialog::Accepted);
}

TEST_F(MakerTest, MakeBuildsATrueColourSpriteInListOrderSilently) {
    const std::string a = m_dir.Write("a.tga", MakeTga32(1, 1, Bytes{10, 20, 30, 40}));
    const std::string b = m_dir.Write("b.tga", MakeTga32(2, 1, Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    Add({a, b});
    Choose(0);
    Click(kIdcMoveImageDown);  // b first
    const std::string output = m_dir.Path("out.spr");
    m_prompts.Answer(output);
    Click(kIdOk);

    Bytes expected{'S', 'P', 1, 2, 0,  0,  2,  0,              //
                   2,   0,   1, 0, 4,  1,  2,  3, 8, 5, 6, 7,  //
                   1,   0,   1, 0, 40, 10, 20, 30};
    expected.resize(expected.size() + 1024, 0);
    EXPECT_EQ(ReadBytes(output), expected);
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_FALSE(m_maker->isVisible());
}

TEST_F(MakerTest, ATgaWithoutPixelsPreviewsAsNothingAndBuildsAnEmptyFrame) {
    const std::string empty = m_dir.Write("empty.tga", MakeTga32(0, 3, {}));
    Add({empty});
    Preview().resize(50, 50);
    const QImage blank = Grab(Preview());
    Choose(0);
    EXPECT_EQ(Grab(Preview()), blank);
    const std::string output = m_dir.Path("out.spr");
    m_prompts.Answer(output);
    Click(kIdOk);

    Bytes expected{'S', 'P', 1, 2, 0, 0, 1, 0, 0, 0, 3, 0};
    expected.resize(expected.size() + 1024, 0);
    EXPECT_EQ(ReadBytes(output), expected);
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(MakerTest, RefusedKindsAskNothingAndKeepTheDialog) {
    Add({"a.bmp", "b.tga"});
    Click(kIdOk);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{"列表中的文件类型不一致!", MessageIcon::None}));
    EXPECT_EQ(m_prompts.Questions().size(), 1u);  // the Add dialog only

    Open();
    m_prompts.Forget();
    Add({"a.jpg", "b.bmp"});
    Click(kIdOk);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "只支持BMP或TGA格式!");
    EXPECT_TRUE(m_maker->isVisible());
    EXPECT_EQ(Lines(), QStringList({"a.jpg", "b.bmp"}));
}

TEST_F(MakerTest, CancelledSaveAndFailedBuildLeaveEverythingAsItWas) {
    const std::string good = Bmp("a000.bmp");
    Bytes packed = PaintedBmp8(2, 2, Bytes(4, 1), DistinctPalette());
    packed[30] = 1;  // compressed
    const std::string bad = m_dir.Write("b001.bmp", packed);
    Add({bad, good});
    Choose(0);

    m_prompts.Cancel();
    Click(kIdOk);
    EXPECT_TRUE(m_maker->isVisible());
    EXPECT_TRUE(m_prompts.Messages().empty());

    const std::string output = m_dir.Path("a.spr");
    m_prompts.Answer(output);
    Click(kIdOk);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{bad + "被压缩了!", MessageIcon::Stop}));
    EXPECT_FALSE(Exists(output));
    EXPECT_TRUE(m_maker->isVisible());
    EXPECT_EQ(Lines(), QStringList({QString::fromStdString(good), QString::fromStdString(bad)}));
    EXPECT_EQ(Selected(), QString::fromStdString(good));
    EXPECT_TRUE(Enabled(kIdOk));

    PressKey(*m_maker, Qt::Key_Escape);
    EXPECT_FALSE(m_maker->isVisible());
    EXPECT_EQ(m_maker->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace zandrel::test
