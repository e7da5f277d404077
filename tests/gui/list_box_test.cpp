// The lists of the viewer and the maker keep their selected line against clicks that
// would take it away, and still follow the clicks that choose another line.

#include "ui/list_box.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <filesystem>

#include "maker/spr_make_dlg.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

void ClickAt(QListWidget& list, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget& viewport = *list.viewport();
    const QPointF global = viewport.mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(&viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(&viewport, &release);
    Settle();
}

QPoint MiddleOf(QListWidget& list, int row) { return list.visualItemRect(list.item(row)).center(); }

// Below the last line, where the list is empty.
QPoint BelowTheLines(QListWidget& list) { return {10, list.visualItemRect(list.item(list.count() - 1)).bottom() + 20}; }

void CtrlSpace(QListWidget& list) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(&list, &press);
    Settle();
}

// Clicks that would empty the selection leave `selectedRow` selected; a plain click on
// another line still selects that one.
void ExpectSelectionKept(QListWidget& list, int selectedRow, int otherRow) {
    ASSERT_EQ(GetCurSel(list), selectedRow);
    ASSERT_LT(BelowTheLines(list).y(), list.viewport()->height());
    ClickAt(list, BelowTheLines(list));
    EXPECT_EQ(GetCurSel(list), selectedRow);
    ClickAt(list, MiddleOf(list, selectedRow), Qt::ControlModifier);
    EXPECT_EQ(GetCurSel(list), selectedRow);
    CtrlSpace(list);
    EXPECT_EQ(GetCurSel(list), selectedRow);

    ClickAt(list, MiddleOf(list, otherRow));
    EXPECT_EQ(GetCurSel(list), otherRow);
    ClickAt(list, MiddleOf(list, otherRow), Qt::ControlModifier);
    EXPECT_EQ(GetCurSel(list), otherRow);
}

TEST(ListSelection, ViewerFrameListKeepsItsSelectedFrame) {
    TempDir dir;
    const std::string path = dir.Path("s.spr");
    WriteBytes(path, MakeSprite(SprKind::Indexed256Rle, {PatternFrame(4, 4), PatternFrame(5, 5), PatternFrame(6, 6)},
                                DistinctPalette()));
    ScriptedPrompts prompts;
    CSprViewDlg viewer(prompts, path);
    viewer.InitDialog();
    viewer.show();
    Settle();
    auto& list = *viewer.DlgItem<QListWidget>(1012);

    ExpectSelectionKept(list, 0, 2);
    EXPECT_EQ(viewer.CurrentFrame(), 2);
    EXPECT_TRUE(prompts.Messages().empty());
}

TEST(ListSelection, MakerListKeepsItsSelectedEntry) {
    const std::filesystem::path startFolder = std::filesystem::current_path();
    ScriptedPrompts prompts;
    CSprMakeDlg maker(prompts);
    maker.InitDialog();
    maker.show();
    prompts.AnswerFiles({"a.bmp", "b.bmp", "c.bmp"});
    maker.DlgItem<QPushButton>(kIdcAddImages)->click();
    Settle();
    auto& list = *maker.DlgItem<QListWidget>(kIdcImageList);

    // A click on the empty part of the list selects nothing while nothing is selected.
    ClickAt(list, BelowTheLines(list));
    EXPECT_EQ(GetCurSel(list), -1);
    ClickAt(list, MiddleOf(list, 1));
    ExpectSelectionKept(list, 1, 0);
    std::filesystem::current_path(startFolder);
}

}  // namespace
}  // namespace zandrel::test
