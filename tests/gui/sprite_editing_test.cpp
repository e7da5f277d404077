// Sprites edited in the maker: a sprite added as one entry per frame, previewed as the
// viewer draws it and built again; the viewer handing its sprite to the maker; and the
// program started on a sprite.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>

#include "app/launcher_dlg.h"
#include "app/start.h"
#include "maker/spr_make_dlg.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

// A palette as a sprite this program wrote holds it.
SprPalette WrittenPalette() {
    SprPalette palette = MarkedPalette();
    for (SprPaletteEntry& entry : palette) entry.reserved = 0;
    return palette;
}

// Frame i filled with index i + 1, 2 + i pixels wide.
std::vector<TestFrame> CountedFrames(std::size_t count) {
    std::vector<TestFrame> frames;
    for (std::size_t i = 0; i < count; ++i) {
        frames.push_back(Filled(static_cast<std::uint16_t>(2 + i), 3, static_cast<std::uint8_t>(i + 1)));
    }
    return frames;
}

class SpriteEditingTest : public testing::Test {
protected:
    std::string Hero(std::size_t frames = 12) {
        return m_dir.Write("hero.spr", MakeSprite(SprKind::Indexed256Rle, CountedFrames(frames), WrittenPalette()));
    }
    static QStringList Lines(const QListWidget& list) {
        QStringList lines;
        for (int i = 0; i < list.count(); ++i) lines << list.item(i)->text();
        return lines;
    }

    KeepCurrentFolder m_folder;
    TempDir m_dir;
    ScriptedPrompts m_prompts;
};

TEST_F(SpriteEditingTest, ASpriteBecomesAnEntryPerFrameThatIsMovedDeletedPreviewedAndBuilt) {
    const std::string hero = Hero();
    const std::string before = m_dir.Write("a.bmp", PaintedBmp8(2, 1, Bytes{0, 7}, WrittenPalette()));
    CSprMakeDlg maker(m_prompts);
    maker.InitDialog();
    maker.show();
    auto& list = *maker.DlgItem<QListWidget>(kIdcImageList);
    m_prompts.AnswerFiles({hero, before});
    ClickButton(maker, kIdcAddImages);

    // By path, the sprite's frames in their order: a.bmp comes before hero.spr.
    QStringList expected{QString::fromStdString(before)};
    for (int i = 1; i <= 12; ++i) expected << QString("hero.spr  帧 %1/12").arg(i);
    EXPECT_EQ(Lines(list), expected);
    EXPECT_EQ(list.item(3)->toolTip().toStdString(), hero);
    EXPECT_EQ(maker.Entries()[3], (BuildSource{hero, 2}));
    EXPECT_TRUE(maker.GetDlgItem(kIdOk)->isEnabled());

    // The preview draws frame 2 as the viewer does: index 3 in its palette colour.
    list.setCurrentRow(3);
    Settle();
    QWidget& preview = *maker.GetDlgItem(kIdcImagePreview);
    preview.resize(200, 200);
    const QImage image = Grab(preview);
    const SprPaletteEntry three = WrittenPalette()[3];
    EXPECT_EQ(image.pixel(100, 100), qRgb(three.red, three.green, three.blue));
    EXPECT_TRUE(m_prompts.Messages().empty());

    // Frame 2 down past frame 3, the image and frame 0 deleted, then built.
    ClickButton(maker, kIdcMoveImageDown);
    list.setCurrentRow(0);
    ClickButton(maker, kIdcDeleteImage);
    ClickButton(maker, kIdcDeleteImage);
    ASSERT_EQ(list.item(0)->text(), "hero.spr  帧 2/12");
    const std::string out = m_dir.Path("out.spr");
    m_prompts.Answer(out);
    ClickButton(maker, kIdOk);
    ASSERT_EQ(m_prompts.Questions().back().initialName, hero);  // an edit proposes its sprite
    std::vector<TestFrame> frames = CountedFrames(12);
    std::swap(frames[2], frames[3]);
    frames.erase(frames.begin());
    EXPECT_EQ(ReadBytes(out), MakeSprite(SprKind::Indexed256Rle, frames, WrittenPalette()));

    // A sprite that cannot be read is told and adds nothing.
    CSprMakeDlg again(m_prompts);
    again.InitDialog();
    again.AddSources({m_dir.Write("bad.spr", Bytes(1100, 0))});
    EXPECT_EQ(again.DlgItem<QListWidget>(kIdcImageList)->count(), 0);
    EXPECT_EQ(m_prompts.Messages().back().text, m_dir.Path("bad.spr") + "不是一个合法的SPR文件!");
    EXPECT_FALSE(again.GetDlgItem(kIdOk)->isEnabled());
}

TEST_F(SpriteEditingTest, TheViewerHandsItsSpriteToTheMakerLetGoAndLoadsWhatWasWritten) {
    const std::string hero = Hero(4);
    bool viewerSeen = false;
    bool makerSeen = false;
    Soon([&] {
        auto* viewer = dynamic_cast<CSprViewDlg*>(TopModal());
        ASSERT_NE(viewer, nullptr);
        viewerSeen = true;
        QWidget& preview = *viewer->GetDlgItem(kIdcPreview);
        Soon([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            Soon([&] {
                auto* maker = dynamic_cast<CSprMakeDlg*>(TopModal());
                ASSERT_NE(maker, nullptr);
                makerSeen = true;
                EXPECT_FALSE(viewer->Sprite().IsLoaded());
                ASSERT_EQ(maker->Entries().size(), 4u);
                auto& list = *maker->DlgItem<QListWidget>(kIdcImageList);
                list.setCurrentRow(1);
                ClickButton(*maker, kIdcDeleteImage);
                m_prompts.Answer(hero);  // written over, as the save dialog's confirmation allows
                ClickButton(*maker, kIdOk);
            });
            QAction* edit = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->text() == "在制作器中编辑...") edit = action;
            }
            ASSERT_NE(edit, nullptr);
            EXPECT_TRUE(edit->isEnabled());
            edit->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), preview.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&preview, &event);
        Settle();
        // The viewer shows the sprite as the maker wrote it.
        EXPECT_TRUE(viewer->Sprite().IsLoaded());
        EXPECT_EQ(viewer->Sprite().FrameCount(), 3u);
        EXPECT_EQ(viewer->CurrentFrame(), 0);
        viewer->reject();
    });
    EXPECT_TRUE(RunViewer(m_prompts, hero));
    EXPECT_TRUE(viewerSeen);
    EXPECT_TRUE(makerSeen);
    std::vector<TestFrame> frames = CountedFrames(4);
    frames.erase(frames.begin() + 1);
    EXPECT_EQ(ReadBytes(hero), MakeSprite(SprKind::Indexed256Rle, frames, WrittenPalette()));
}

TEST_F(SpriteEditingTest, StartedOnASpriteTheProgramIsTheViewerAlone) {
    EXPECT_EQ(StartRequestOf({}), StartRequest::Launcher);
    EXPECT_EQ(StartRequestOf({"hero.spr"}), StartRequest::Viewer);
    EXPECT_EQ(StartRequestOf({"--", "-odd.spr"}), StartRequest::Viewer);
    EXPECT_EQ(StartRequestOf({"--help"}), StartRequest::Help);
    EXPECT_EQ(StartRequestOf({"--version"}), StartRequest::Version);
    EXPECT_EQ(StartRequestOf({"a.spr", "b.spr"}), StartRequest::BadUsage);
    EXPECT_EQ(StartRequestOf({"--bogus"}), StartRequest::BadUsage);

    const std::string hero = Hero(3);
    std::string shown;
    Soon([&] {
        auto* viewer = dynamic_cast<CSprViewDlg*>(TopModal());
        ASSERT_NE(viewer, nullptr);
        shown = viewer->Sprite().Path();
        EXPECT_EQ(viewer->Sprite().FrameCount(), 3u);
        viewer->reject();
    });
    EXPECT_EQ(RunZandrel(m_prompts, {hero}), 0);
    EXPECT_EQ(shown, hero);

    // A file that cannot be opened gets the viewer's message and no window.
    bool windowShown = false;
    Soon([&] { windowShown = TopModal() != nullptr; });
    EXPECT_EQ(RunZandrel(m_prompts, {m_dir.Path("gone.spr")}), 1);
    Settle();
    EXPECT_FALSE(windowShown);
    ASSERT_FALSE(m_prompts.Messages().empty());
    EXPECT_EQ(m_prompts.Messages().back().text, "File Open failed!(2)");
}

}  // namespace
}  // namespace zandrel::test
