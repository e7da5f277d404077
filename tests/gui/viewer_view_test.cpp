// The viewer's zoom, checkerboard, playback, preview menu and dropped files, driven
// by keys, wheel, menu and drop events, and checked by the pixels of the preview.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QWheelEvent>
#include <filesystem>
#include <memory>
#include <utility>

#include "app/launcher_dlg.h"
#include "os/file.h"
#include "os/utf16.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/hand_ticks.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

constexpr QRgb kEntry0 = 0xFF0A141E;  // red 10, green 20, blue 30
constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kGreen = 0xFF00FF00;

void SendKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(&target, &release);
    Settle();
}

std::unique_ptr<QMimeData> UrlsOf(const QStringList& paths) {
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    mime->setUrls(urls);
    return mime;
}

// Drags `mime` over `target` and drops it; whether the drag was taken.
bool Drop(QWidget& target, const QMimeData& mime) {
    const QPoint middle(target.width() / 2, target.height() / 2);
    QDragEnterEvent enter(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

class ViewerViewTest : public testing::Test {
protected:
    CSprViewDlg& Open(const std::string& path) {
        m_viewer = std::make_unique<CSprViewDlg>(m_prompts, path);
        auto ticks = std::make_unique<HandTicks>();
        m_ticks = ticks.get();
        m_viewer->SetTickSource(std::move(ticks));
        m_viewer->InitDialog();
        m_viewer->show();
        Settle();
        return *m_viewer;
    }
    std::string WriteSprite(const std::string& name, SprKind kind, const std::vector<TestFrame>& frames) {
        const std::string path = m_dir.Path(name);
        WriteBytes(path, MakeSprite(kind, frames, MarkedPalette()));
        return path;
    }

    QWidget& PreviewControl() { return *m_viewer->GetDlgItem(kIdcPreview); }
    QImage Preview() { return Grab(PreviewControl()); }
    QListWidget& List() { return *m_viewer->DlgItem<QListWidget>(kIdcFrameList); }
    QString FrameInfo() { return m_viewer->DlgItem<QLabel>(kIdcFrameInfo)->text(); }
    // A key where the focus is, as the user types it.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = m_viewer->focusWidget();
        SendKey(focus != nullptr ? *focus : *m_viewer, key, modifiers);
    }
    void Click(int id) { ClickButton(*m_viewer, id); }
    // One playback tick, and what it shows.
    void Tick() {
        ASSERT_TRUE(m_ticks->Running());
        m_ticks->Tick();
        Settle();
    }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CSprViewDlg> m_viewer;
    HandTicks* m_ticks = nullptr;
};

// A 2 x 2 frame: magenta, green on top; green, entry 0 below.
TestFrame Quad() { return {2, 2, Bytes{1, 2, 2, 0}}; }

void ExpectBlocks(const QImage& image, int zoom) {
    SCOPED_TRACE(zoom);
    const int left = image.width() / 2 - zoom;  // (2 * zoom) / 2
    const int top = image.height() / 2 - zoom;
    for (int y = 0; y < 2 * zoom; ++y) {
        for (int x = 0; x < 2 * zoom; ++x) {
            const int source = (y / zoom) * 2 + x / zoom;
            const QRgb expected = std::array{kMagenta, kGreen, kGreen, kEntry0}[static_cast<std::size_t>(source)];
            ASSERT_EQ(image.pixel(left + x, top + y), expected) << x << "," << y;
        }
    }
    EXPECT_NE(image.pixel(left - 1, top), kMagenta);
    EXPECT_NE(image.pixel(left, top - 1), kMagenta);
    EXPECT_NE(image.pixel(left + 2 * zoom, top + 2 * zoom - 1), kEntry0);
}

TEST_F(ViewerViewTest, StartsAsTheUnscaledViewerAndComesBackToIt) {
    Open(WriteSprite("q.spr", SprKind::Indexed256Rle, {Quad(), Quad()}));
    EXPECT_EQ(m_viewer->View().zoom, 1);
    EXPECT_FALSE(m_viewer->View().checkerboard);
    EXPECT_EQ(m_viewer->View().rate, 10);
    EXPECT_FALSE(m_viewer->IsPlaying());
    EXPECT_EQ(PreviewControl().toolTip(), "缩放 1×　棋盘格 关　播放 10 帧/秒");
    const QImage start = Preview();
    ExpectBlocks(start, 1);

    Key(Qt::Key_Equal, Qt::ControlModifier);
    Key(Qt::Key_T);
    EXPECT_NE(Preview(), start);
    Key(Qt::Key_0, Qt::ControlModifier);
    Key(Qt::Key_T);
    EXPECT_EQ(Preview(), start);
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(ViewerViewTest, ZoomKeysAndWheelMakeCentredBlocksThatHoldWhileStepping) {
    Open(WriteSprite("q.spr", SprKind::Indexed256Rle, {Quad(), Filled(3, 3, 1), Quad()}));
    Key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(m_viewer->View().zoom, 2);
    ExpectBlocks(Preview(), 2);
    Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    ExpectBlocks(Preview(), 3);
    EXPECT_EQ(PreviewControl().toolTip(), "缩放 3×　棋盘格 关　播放 10 帧/秒");

    Click(kIdcNextFrame);
    Click(kIdcNextFrame);
    EXPECT_EQ(m_viewer->View().zoom, 3);
    ExpectBlocks(Preview(), 3);

    Key(Qt::Key_Minus, Qt::ControlModifier);
    ExpectBlocks(Preview(), 2);
    for (int i = 0; i < 20; ++i) Key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(m_viewer->View().zoom, 16);
    // Plain "-" and Alt+"-" are not zoom keys.
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus, Qt::AltModifier);
    EXPECT_EQ(m_viewer->View().zoom, 16);

    // The wheel with Ctrl held steps once a whole notch has added up; without Ctrl it
    // does not zoom.
    Key(Qt::Key_0, Qt::ControlModifier);
    for (const auto& [delta, modifiers] : {std::pair{120, Qt::NoModifier},
                                           {60, Qt::ControlModifier},
                                           {60, Qt::ControlModifier},
                                           {120, Qt::ControlModifier}}) {
        const QPointF at(PreviewControl().width() / 2.0, PreviewControl().height() / 2.0);
        QWheelEvent event(at, PreviewControl().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&PreviewControl(), &event);
    }
    Settle();
    ExpectBlocks(Preview(), 3);
}

TEST_F(ViewerViewTest, CheckerboardShowsBehindIndexZeroAndAlpha) {
    Open(WriteSprite("z.spr", SprKind::Indexed256Rle, {Filled(40, 40, 0)}));
    QImage image = Preview();
    const int left = image.width() / 2 - 20;
    const int top = image.height() / 2 - 20;
    EXPECT_EQ(image.pixel(left, top), kEntry0);

    Key(Qt::Key_T);
    EXPECT_TRUE(m_viewer->View().checkerboard);
    image = Preview();
    const QRgb light = qRgb(kCheckerLight, kCheckerLight, kCheckerLight);
    const QRgb dark = qRgb(kCheckerDark, kCheckerDark, kCheckerDark);
    EXPECT_EQ(image.pixel(left, top), light);
    EXPECT_EQ(image.pixel(left + 7, top + 7), light);
    EXPECT_EQ(image.pixel(left + 8, top), dark);
    EXPECT_EQ(image.pixel(left + 8, top + 8), light);
    EXPECT_EQ(image.pixel(left + 39, top + 39), light);  // square (4, 4)

    // A true-colour pixel of alpha 0 shows the square, an opaque one its colour.
    Open(WriteSprite("t.spr", SprKind::TrueColor32, {{2, 1, Bytes{0, 9, 9, 9, 255, 40, 50, 60}}}));
    Key(Qt::Key_T);
    image = Preview();
    EXPECT_EQ(image.pixel(image.width() / 2 - 1, image.height() / 2), light);
    EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2), qRgb(60, 50, 40));
}

TEST_F(ViewerViewTest, PlaybackFollowsTheClockAndStopsForTheUser) {
    Open(WriteSprite("p.spr", SprKind::Indexed256Rle, {Filled(5, 1, 1), Filled(6, 1, 1), Filled(7, 1, 1)}));
    Key(Qt::Key_Space);
    ASSERT_TRUE(m_viewer->IsPlaying());
    EXPECT_EQ(m_ticks->rate, 10);
    EXPECT_EQ(PreviewControl().toolTip(), "缩放 1×　棋盘格 关　播放 10 帧/秒（播放中）");
    EXPECT_EQ(m_viewer->windowTitle(), "SPR to Image — 缩放 1×　播放 10 帧/秒");

    Tick();
    EXPECT_EQ(List().currentRow(), 1);
    EXPECT_EQ(m_viewer->CurrentFrame(), 1);
    EXPECT_EQ(FrameInfo(), "2/3\n(6,1)");
    Tick();
    Tick();
    EXPECT_EQ(List().currentRow(), 0);  // loops
    EXPECT_EQ(FrameInfo(), "1/3\n(5,1)");

    Key(Qt::Key_BracketRight);
    EXPECT_EQ(m_ticks->rate, 20);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_BracketLeft);
    EXPECT_EQ(m_ticks->rate, 2);
    EXPECT_TRUE(m_viewer->IsPlaying());

    Key(Qt::Key_Space);
    EXPECT_FALSE(m_ticks->Running());

    // ">>" stops it and steps once.
    Key(Qt::Key_Space);
    Click(kIdcNextFrame);
    EXPECT_FALSE(m_viewer->IsPlaying());
    EXPECT_FALSE(m_ticks->Running());
    EXPECT_EQ(List().currentRow(), 1);

    // A click in the list stops it, even on the line already selected.
    Key(Qt::Key_Space);
    Tick();
    const QRect line = List().visualItemRect(List().item(2));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(line.center()),
                      List().viewport()->mapToGlobal(QPointF(line.center())), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(List().viewport(), &press);
    Settle();
    EXPECT_FALSE(m_viewer->IsPlaying());
    EXPECT_EQ(List().currentRow(), 2);
}

TEST_F(ViewerViewTest, PlaybackStopsAtAFrameThatCannotBeDrawnAndReportsItOnce) {
    Bytes bytes = MakeSprite(SprKind::Indexed256Rle, {Filled(4, 4, 1), Filled(4, 4, 2)}, MarkedPalette());
    const std::size_t data = kSprHeaderBytes + kSprRleFrameHeadBytes;
    bytes[data + 14] = 0;  // frame 0 ends in a zero run past its end
    bytes[data + 15] = 255;
    const std::string path = m_dir.Path("runs.spr");
    WriteBytes(path, bytes);
    Open(path);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    Click(kIdcNextFrame);
    Key(Qt::Key_Space);
    Tick();  // back to frame 0
    EXPECT_FALSE(m_viewer->IsPlaying());
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
}

TEST_F(ViewerViewTest, PreviewMenuOffersEveryActionWithItsState) {
    Open(WriteSprite("q.spr", SprKind::Indexed256Rle, {Quad(), Quad()}));
    const auto choose = [&](const QString& entry) {
        QStringList texts;
        Soon([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                ADD_FAILURE() << "no menu";
                return;
            }
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                texts << action->text();
                if (action->text() == entry) action->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), PreviewControl().mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&PreviewControl(), &event);
        Settle();
        return texts;
    };
    EXPECT_EQ(choose("放大"),
              QStringList({"缩放 1×　棋盘格 关　播放 10 帧/秒", "放大", "缩小", "原始大小", "适合窗口(&F)",
                           "透明处显示棋盘格", "洋葱皮(&O)", "洋葱皮包括下一帧(&N)", "显示调色板(&P)", "播放", "减慢",
                           "加快", "输出GIF动画...", "全部输出为PNG...", "导出调色板(其他格式)..."}));
    EXPECT_EQ(m_viewer->View().zoom, 2);
    choose("透明处显示棋盘格");
    EXPECT_TRUE(m_viewer->View().checkerboard);
    choose("洋葱皮包括下一帧(&N)");
    EXPECT_TRUE(m_viewer->View().onionSkin && m_viewer->View().onionNext);
    choose("显示调色板(&P)");
    EXPECT_NE(m_viewer->ShownPalette(), nullptr);
    choose("适合窗口(&F)");
    EXPECT_EQ(m_viewer->View().zoom, 16);
    choose("加快");
    choose("播放");
    EXPECT_TRUE(m_viewer->IsPlaying());
    EXPECT_EQ(m_ticks->rate, 20);
    EXPECT_EQ(choose("播放").front(), "缩放 16×　棋盘格 开　播放 20 帧/秒（播放中）");
    EXPECT_FALSE(m_viewer->IsPlaying());

    // The animation goes out at the rate the preview plays at: 20 a second, 5 hundredths.
    const std::string gif = m_dir.Path("q.gif");
    m_prompts.Answer(gif);
    choose("输出GIF动画...");
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "GIF动画" + gif + "输出完成，一共2帧.");
    QImageReader reader(QString::fromStdString(gif));
    EXPECT_EQ(reader.imageCount(), 2);
    EXPECT_FALSE(reader.read().isNull());
    EXPECT_EQ(reader.nextImageDelay(), 50);  // known once the frame is read

    // Every frame as PNG, under the list's names, told as the button's export tells it.
    m_prompts.Answer(m_dir.Root());
    choose("全部输出为PNG...");
    ASSERT_EQ(m_prompts.Messages().size(), 2u);
    EXPECT_EQ(m_prompts.Messages()[1].text, "输出完成，一共2个文件.");
    for (const char* name : {"q000.png", "q001.png"}) {
        EXPECT_FALSE(QImage(QString::fromStdString(m_dir.Path(name))).isNull()) << name;
    }

    // The palette in the format of the filter picked, whatever the name says, silently.
    m_prompts.PickFilter(1);
    m_prompts.Answer(m_dir.Path("colours.txt"));
    choose("导出调色板(其他格式)...");
    EXPECT_EQ(m_prompts.Questions().back().filter,
              "JASC-PAL调色板(*.pal)|*.pal|GIMP调色板(*.gpl)|*.gpl|Adobe调色板(*.act)|*.act||");
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
    const Bytes gimp = ReadBytes(m_dir.Path("colours.txt"));
    EXPECT_EQ(std::string(gimp.begin(), gimp.begin() + 38), "GIMP Palette\nName: colours\nColumns: 16");
    m_prompts.PickFilter(2);
    m_prompts.Answer(m_dir.Path("colours.act"));
    choose("导出调色板(其他格式)...");
    const Bytes act = ReadBytes(m_dir.Path("colours.act"));
    ASSERT_EQ(act.size(), 772u);
    const SprPaletteEntry last = MarkedPalette()[255];
    EXPECT_EQ(Bytes(act.begin() + 765, act.end()), (Bytes{last.red, last.green, last.blue, 1, 0, 0, 0}));
}

TEST_F(ViewerViewTest, DroppedSpriteOpensInPlaceAndReleasesTheOldOne) {
    const std::string first = WriteSprite("first.spr", SprKind::Indexed256Rle, {Quad()});
    const std::string second =
        WriteSprite("second.SPR", SprKind::TrueColor32, {TrueColourFrame(3, 2), TrueColourFrame(4, 5)});
    Open(first);
    Key(Qt::Key_Equal, Qt::ControlModifier);
    Key(Qt::Key_Space);

    EXPECT_FALSE(Drop(*m_viewer, *UrlsOf({QString::fromStdString(m_dir.Path("notes.txt"))})));
    EXPECT_FALSE(Drop(*m_viewer, *UrlsOf({QString::fromStdString(first), QString::fromStdString(second)})));
    ASSERT_TRUE(Drop(*m_viewer, *UrlsOf({QString::fromStdString(second)})));
    Settle();

    EXPECT_FALSE(m_viewer->IsPlaying());
    ASSERT_EQ(List().count(), 2);
    EXPECT_EQ(List().item(0)->text(), "second000.tga");
    EXPECT_EQ(List().currentRow(), 0);
    EXPECT_EQ(FrameInfo(), "1/2\n(3,2)");
    EXPECT_FALSE(m_viewer->GetDlgItem(kIdcImportPalette)->isEnabled());
    EXPECT_EQ(m_viewer->View().zoom, 2);  // the view stays as the user set it
    EXPECT_NO_THROW(File::OpenRead(first));
    EXPECT_THROW(File::OpenRead(second), FileError);
    EXPECT_TRUE(m_prompts.Messages().empty());

    // A file that cannot be opened, a folder named like a sprite or a file that is no
    // sprite is told, and the sprite on show stays as it was, still held.
    Click(kIdcNextFrame);
    std::filesystem::create_directory(PathFromUtf8(m_dir.Path("folder.spr")));
    WriteBytes(m_dir.Path("text.spr"), Bytes(2000, 'x'));
    for (const char* name : {"gone.spr", "folder.spr", "text.spr"}) {
        ASSERT_TRUE(Drop(*m_viewer, *UrlsOf({QString::fromStdString(m_dir.Path(name))})));
        Settle();
    }
    EXPECT_EQ(List().count(), 2);
    EXPECT_EQ(m_viewer->CurrentFrame(), 1);
    EXPECT_EQ(FrameInfo(), "2/2\n(4,5)");
    EXPECT_EQ(m_viewer->View().zoom, 2);
    EXPECT_THROW(File::OpenRead(second), FileError);
    ASSERT_EQ(m_prompts.Messages().size(), 3u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "File Open failed!(2)");
    EXPECT_EQ(m_prompts.Messages()[2].text, "SPR文件格式错误！\n");
}

TEST(LauncherDrop, DroppedSpriteOpensTheViewer) {
    TempDir dir;
    const std::string path = dir.Path("hero.spr");
    WriteBytes(path, MakeSprite(SprKind::Indexed256Rle, {PatternFrame(8, 8), PatternFrame(9, 9)}, DistinctPalette()));
    ScriptedPrompts prompts;
    CLauncherDlg launcher(prompts);
    launcher.InitDialog();
    launcher.show();
    Settle();

    QStringList lines;
    bool seen = false;
    Soon([&] {
        Soon([&] {
            auto* viewer = dynamic_cast<CSprViewDlg*>(TopModal());
            if (viewer == nullptr) return;
            seen = true;
            auto* list = viewer->DlgItem<QListWidget>(kIdcFrameList);
            for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
            viewer->reject();
        });
    });
    ASSERT_TRUE(Drop(launcher, *UrlsOf({QString::fromStdString(path)})));
    Settle();
    EXPECT_TRUE(seen);
    EXPECT_EQ(lines, QStringList({"hero000.bmp", "hero001.bmp"}));
    EXPECT_TRUE(prompts.Questions().empty());  // no open dialog
    EXPECT_NO_THROW(File::OpenRead(path));

    // A file that is no sprite is told, and no empty viewer stays behind.
    WriteBytes(dir.Path("text.spr"), Bytes(2000, 'x'));
    seen = false;
    Soon([&] {
        Soon([&] {
            if (auto* viewer = dynamic_cast<CSprViewDlg*>(TopModal())) {
                seen = true;
                viewer->reject();
            }
        });
    });
    ASSERT_TRUE(Drop(launcher, *UrlsOf({QString::fromStdString(dir.Path("text.spr"))})));
    Settle();
    EXPECT_FALSE(seen);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "SPR文件格式错误！\n");
}

}  // namespace
}  // namespace zandrel::test
