// The launcher: what it offers, the viewer and the About box it runs, and the ways out.

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/launcher_dlg.h"
#include "res/resource_ids.h"
#include "res/version.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

class LauncherTest : public testing::Test {
protected:
    LauncherTest() : m_launcher(m_prompts) {
        m_launcher.InitDialog();
        m_launcher.show();
        Settle();
    }
    ~LauncherTest() override { std::filesystem::current_path(m_startFolder); }

    void Click(int id) { m_launcher.DlgItem<QPushButton>(id)->click(); }

    // Runs `look` on the modal dialog that opens next, then closes it with Escape.
    void OnNextModal(std::function<void(QDialog&)> look) {
        Soon([this, look = std::move(look)] {
            auto* dialog = qobject_cast<QDialog*>(TopModal());
            if (dialog == nullptr || dialog == &m_launcher) {
                ADD_FAILURE() << "no dialog opened";
                return;
            }
            ++m_nModalsSeen;
            look(*dialog);
            PressKey(*dialog, Qt::Key_Escape);
        });
    }

    const std::filesystem::path m_startFolder = std::filesystem::current_path();
    ScriptedPrompts m_prompts;
    CLauncherDlg m_launcher;
    int m_nModalsSeen = 0;
};

TEST_F(LauncherTest, OffersEveryToolAndAbout) {
    EXPECT_EQ(m_launcher.windowTitle(), "Zandrel");
    EXPECT_TRUE(m_launcher.GetDlgItem(kIdcSprToImages)->isEnabled());
    EXPECT_TRUE(m_launcher.GetDlgItem(kIdcAbout)->isEnabled());
    EXPECT_TRUE(m_launcher.GetDlgItem(kIdCancel)->isEnabled());
    EXPECT_TRUE(m_launcher.GetDlgItem(kIdcImagesToSpr)->isEnabled());
    EXPECT_TRUE(m_launcher.GetDlgItem(kIdcPalConvert)->isEnabled());
    EXPECT_EQ(m_launcher.DlgItem<QPushButton>(kIdcSprToImages)->text(), "SPR -> 图像  \nSPR -> Images");
    EXPECT_EQ(m_launcher.focusWidget(), m_launcher.GetDlgItem(kIdCancel));  // Quit, the first tab stop
}

TEST_F(LauncherTest, RunsTheViewerOnTheChosenFileAndComesBack) {
    TempDir dir;
    const std::string path = dir.Path("hero.spr");
    WriteBytes(path, MakeSprite(SprKind::Indexed256Rle, {PatternFrame(8, 8), PatternFrame(9, 9)}, DistinctPalette()));
    m_prompts.Answer(path);
    QStringList lines;
    OnNextModal([&](QDialog& viewer) {
        EXPECT_EQ(viewer.windowTitle(), "SPR to Image");
        auto* list = viewer.findChild<QListWidget*>(QString::number(kIdcFrameList));
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    });
    Click(kIdcSprToImages);

    EXPECT_EQ(m_nModalsSeen, 1);
    EXPECT_EQ(lines, QStringList({"hero000.bmp", "hero001.bmp"}));
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::OpenFile);
    EXPECT_EQ(m_prompts.Questions()[0].filter, "Velmark SPR(*.spr)|*.spr||");
    // The confirmed open dialog left the current folder at the sprite's folder.
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.Root()));
    EXPECT_TRUE(m_launcher.isVisible());
    // The viewer let go of the file when it closed.
    EXPECT_NO_THROW(File::OpenRead(path));
}

TEST_F(LauncherTest, RunsAnEmptyMakerAndComesBack) {
    OnNextModal([](QDialog& maker) {
        EXPECT_EQ(maker.windowTitle(), "Image to SPR");
        EXPECT_EQ(maker.findChild<QListWidget*>("1012")->count(), 0);
        EXPECT_FALSE(maker.findChild<QPushButton*>("1")->isEnabled());
    });
    Click(1001);
    EXPECT_EQ(m_nModalsSeen, 1);
    EXPECT_TRUE(m_prompts.Questions().empty());
    EXPECT_TRUE(m_launcher.isVisible());
}

TEST_F(LauncherTest, RunsTheConverterAndComesBack) {
    TempDir dir;
    const std::string source = dir.Path("raw.pal");
    WriteBytes(source, Bytes(1024, 0x5C));
    m_prompts.Answer(source);
    m_prompts.Answer(dir.Path("ms.pal"));
    bool seen = false;
    Soon([&] {
        auto* converter = qobject_cast<QDialog*>(TopModal());
        ASSERT_NE(converter, nullptr);
        seen = true;
        EXPECT_EQ(converter->windowTitle(), "PAL format conversion");
        EXPECT_EQ(converter->focusWidget(), converter->findChild<QPushButton*>("1010"));
        converter->findChild<QPushButton*>("1010")->click();
        converter->findChild<QPushButton*>("1")->click();
        EXPECT_FALSE(converter->isVisible());
    });
    Click(1002);

    EXPECT_TRUE(seen);
    EXPECT_EQ(test::ReadBytes(dir.Path("ms.pal")).size(), 1048u);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text,
              "Velmark格式的调色板文件" + source + "转换到Microsoft格式的调色板文件" + dir.Path("ms.pal") + "完成。");
    EXPECT_TRUE(m_launcher.isVisible());
    EXPECT_EQ(TopModal(), nullptr);
}

TEST_F(LauncherTest, CancelledOpenRunsNoViewer) {
    m_prompts.Cancel();
    Click(kIdcSprToImages);
    Settle();
    EXPECT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(TopModal(), nullptr);
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(LauncherTest, AboutFromTheButtonShowsTheHomePage) {
    OnNextModal([](QDialog& about) {
        EXPECT_EQ(about.windowTitle(), "关于 Zandrel");
        auto* url = about.findChild<QLineEdit*>(QString::number(kIdcUrl));
        EXPECT_EQ(url->text().toStdString(), kHomePage);
        EXPECT_TRUE(url->isReadOnly());
        EXPECT_EQ(about.focusWidget(), about.findChild<QPushButton*>(QString::number(kIdOk)));
        // The credit line names the product, by whom and the release date, and shows it
        // whole; the line above the address names the forum only.
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            if (label->pixmap().isNull()) texts << label->text();
        }
        const QString line = QString::fromUtf8(kCreditLine);
        EXPECT_EQ(texts, QStringList({line, QStringLiteral("Zandrel 主页")}));
        EXPECT_TRUE(line.startsWith(QStringLiteral("Zandrel by ")) && line.endsWith(QString::fromUtf8(kReleaseDate)));
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            if (label->text() == line) {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->width());
            }
        }
    });
    Click(kIdcAbout);
    EXPECT_EQ(m_nModalsSeen, 1);
    EXPECT_TRUE(m_launcher.isVisible());
}

TEST_F(LauncherTest, AboutFromTheMenuEntryWhateverItsLowBits) {
    OnNextModal([](QDialog& about) { EXPECT_EQ(about.windowTitle(), "关于 Zandrel"); });
    EXPECT_TRUE(m_launcher.OnSysCommand(0x0013));
    EXPECT_EQ(m_nModalsSeen, 1);
    // Other system commands stay the platform's.
    EXPECT_FALSE(m_launcher.OnSysCommand(0xF060));
    EXPECT_FALSE(m_launcher.OnSysCommand(0x0020));
    EXPECT_TRUE(m_launcher.isVisible());
}

TEST_F(LauncherTest, ContextMenuOffersAbout) {
    QString entry;
    Soon([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no context menu";
            return;
        }
        ASSERT_EQ(menu->actions().size(), 1);
        entry = menu->actions().front()->text();
        OnNextModal([](QDialog& about) { EXPECT_EQ(about.windowTitle(), "关于 Zandrel"); });
        menu->setActiveAction(menu->actions().front());
        PressKey(*menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), m_launcher.mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(&m_launcher, &event);
    EXPECT_EQ(entry, "关于 Zandrel(&A)...");
    EXPECT_EQ(m_nModalsSeen, 1);
}

TEST_F(LauncherTest, QuitEscapeEnterAndCloseBoxEndIt) {
    Click(kIdCancel);
    EXPECT_FALSE(m_launcher.isVisible());

    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        m_launcher.show();
        m_launcher.GetDlgItem(kIdCancel)->setFocus();
        Settle();
        PressKey(m_launcher, key);  // Enter presses Quit, which has the focus
        EXPECT_FALSE(m_launcher.isVisible()) << key;
        EXPECT_EQ(m_launcher.result(), QDialog::Rejected) << key;
    }

    m_launcher.show();
    Settle();
    m_launcher.close();
    EXPECT_FALSE(m_launcher.isVisible());
}

TEST(AboutBox, OkEnterAndEscapeCloseIt) {
    ScriptedPrompts prompts;
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        CAboutDlg about(prompts);
        about.InitDialog();
        about.show();
        Settle();
        PressKey(about, key);
        EXPECT_FALSE(about.isVisible()) << key;
    }
    CAboutDlg about(prompts);
    about.InitDialog();
    about.show();
    about.findChild<QPushButton*>(QString::number(kIdOk))->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace zandrel::test
