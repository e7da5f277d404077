// The palette converter and the layout choice driven through their controls: what
// each writes byte for byte, what leaves them open, and what they refuse.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>

#include "palette/pal_convert_dlg.h"
#include "palette/pal_format_dlg.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

// The header of every Microsoft palette file, written out by hand.
const Bytes kRiffHeader{0x52, 0x49, 0x46, 0x46, 0x10, 0x04, 0x00, 0x00, 0x50, 0x41, 0x4C, 0x20,
                        0x64, 0x61, 0x74, 0x61, 0x04, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01};

// `count` bytes that differ from their neighbours, reserved bytes included.
Bytes Pattern(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + seed);
    return bytes;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

bool Checked(const QDialog& dialog, int id) {
    return dialog.findChild<QRadioButton*>(QString::number(id))->isChecked();
}

class PalConvertTest : public testing::Test {
protected:
    PalConvertTest() {
        m_dialog.InitDialog();
        m_dialog.show();
        Settle();
    }

    void Click(int id) { ClickButton(m_dialog, id); }
    void Browse(const std::string& path) {
        m_prompts.Answer(path);
        Click(kIdcBrowse);
    }
    bool ConvertEnabled() const { return m_dialog.GetDlgItem(kIdOk)->isEnabled(); }
    QString SourceLine() const { return m_dialog.DlgItem<QLineEdit>(kIdcSourcePath)->text(); }

    KeepCurrentFolder m_keepFolder;
    TempDir m_dir;
    ScriptedPrompts m_prompts;
    CPalConvertDlg m_dialog{m_prompts};
};

TEST_F(PalConvertTest, OpensTowardsMicrosoftWithConvertDisabledAndBrowseFocused) {
    EXPECT_EQ(m_dialog.windowTitle(), "PAL format conversion");
    EXPECT_TRUE(Checked(m_dialog, kIdcToMicrosoft));
    EXPECT_FALSE(Checked(m_dialog, kIdcToVelmark));
    EXPECT_FALSE(ConvertEnabled());
    EXPECT_TRUE(m_dialog.DlgItem<QPushButton>(kIdOk)->isDefault());
    EXPECT_EQ(m_dialog.focusWidget(), m_dialog.GetDlgItem(kIdcBrowse));
    EXPECT_EQ(SourceLine(), "");
    EXPECT_TRUE(m_dialog.DlgItem<QLineEdit>(kIdcSourcePath)->isReadOnly());

    // Enter away from the buttons meets the disabled default button, which swallows it.
    m_dialog.GetDlgItem(kIdcToVelmark)->setFocus();
    PressKey(m_dialog, Qt::Key_Return);
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_TRUE(m_prompts.Questions().empty());
}

TEST_F(PalConvertTest, OnlyAConfirmedBrowseSetsTheSourceAndEnablesConvert) {
    m_prompts.Cancel();
    Click(kIdcBrowse);
    EXPECT_EQ(SourceLine(), "");
    EXPECT_FALSE(ConvertEnabled());
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::OpenFile);
    EXPECT_EQ(m_prompts.Questions()[0].filter,
              "调色板文件(*.pal)|*.pal|画图程序调色板(*.pal;*.gpl;*.act)|*.pal;*.gpl;*.act||");

    const std::string first = m_dir.Write("a.pal", Pattern(1024, 1));
    Browse(first);
    EXPECT_EQ(SourceLine().toStdString(), first);
    EXPECT_EQ(m_dialog.Source(), first);
    EXPECT_TRUE(ConvertEnabled());

    // A later cancel keeps both; a later choice replaces the source.
    m_prompts.Cancel();
    Click(kIdcBrowse);
    EXPECT_EQ(SourceLine().toStdString(), first);
    EXPECT_TRUE(ConvertEnabled());
    const std::string second = m_dir.Write("b.pal", Pattern(1024, 2));
    Browse(second);
    EXPECT_EQ(SourceLine().toStdString(), second);
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(PalConvertTest, VelmarkToMicrosoftByEnterWritesHeaderAndPaletteAndCloses) {
    const Bytes palette = Pattern(1024, 5);
    const std::string source = m_dir.Write("raw.pal", palette);
    const std::string destination = m_dir.Path("ms.pal");
    Browse(source);
    m_prompts.Answer(destination);
    m_dialog.GetDlgItem(kIdcToMicrosoft)->setFocus();
    PressKey(m_dialog, Qt::Key_Return);

    ASSERT_EQ(m_prompts.Questions().size(), 2u);
    EXPECT_EQ(m_prompts.Questions()[1].kind, QuestionKind::SaveFile);
    EXPECT_EQ(m_prompts.Questions()[1].filter, "Microsoft格式调色板文件(*.pal)|*.pal||");
    EXPECT_EQ(m_prompts.Questions()[1].initialName, "");
    EXPECT_EQ(ReadBytes(destination), Concat(kRiffHeader, palette));
    EXPECT_EQ(ReadBytes(source), palette);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0], (ShownMessage{"Velmark格式的调色板文件" + source +
                                                         "转换到Microsoft格式的调色板文件" + destination + "完成。",
                                                     MessageIcon::None}));
    EXPECT_EQ(m_dialog.Destination(), destination);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
}

TEST_F(PalConvertTest, MicrosoftToVelmarkDropsWhateverHeaderAndKeepsANameWithoutExtension) {
    // A header that is not a RIFF header at all, then the palette, then trailing bytes.
    const Bytes palette = Pattern(1024, 9);
    const std::string source = m_dir.Write("odd.pal", Concat(Concat(Bytes(24, 0xEE), palette), Bytes(7, 0x11)));
    const std::string destination = m_dir.Path("plain");
    Browse(source);
    Click(kIdcToVelmark);
    m_prompts.Answer(destination);
    Click(kIdOk);

    EXPECT_EQ(m_prompts.Questions().back().filter, "Velmark格式调色板文件(*.pal)|*.pal||");
    EXPECT_EQ(ReadBytes(destination), palette);
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"odd.pal", "plain"}));
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].text,
              "Microsoft格式的调色板文件" + source + "转换到Velmark格式的调色板文件" + destination + "完成。");
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(PalConvertTest, CancelledSaveLeavesEverythingAsItWas) {
    const std::string source = m_dir.Write("a.pal", Pattern(1048, 1));
    Browse(source);
    Click(kIdcToVelmark);
    m_prompts.Cancel();
    Click(kIdOk);

    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_EQ(m_prompts.Questions().size(), 2u);
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_EQ(m_dir.Entries(), std::vector<std::string>{"a.pal"});
    EXPECT_EQ(SourceLine().toStdString(), source);
    EXPECT_TRUE(Checked(m_dialog, kIdcToVelmark));
    EXPECT_TRUE(ConvertEnabled());
    EXPECT_EQ(m_dialog.Destination(), "");
}

TEST_F(PalConvertTest, SameFileAndShortSourceAreRefusedWithNothingWritten) {
    const Bytes palette = Pattern(1024, 4);
    const std::string source = m_dir.Write("a.pal", palette);
    Browse(source);

    // Onto itself: the source is held while the destination is made.
    m_prompts.Answer(source);
    Click(kIdOk);
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_NE(m_prompts.Messages()[0].text.find(source), std::string::npos);
    EXPECT_EQ(ReadBytes(source), palette);
    EXPECT_TRUE(m_dialog.isVisible());

    // A source of neither layout's length holds no palette after a Microsoft header.
    const std::string shorter = m_dir.Write("b.pal", Pattern(1030, 4));
    Browse(shorter);
    Click(kIdcToVelmark);
    m_prompts.Answer(m_dir.Path("v.pal"));
    Click(kIdOk);
    ASSERT_EQ(m_prompts.Messages().size(), 2u);
    EXPECT_EQ(m_prompts.Messages()[1],
              (ShownMessage{"调色板文件" + shorter + "长度不足！应该至少有1048个字节", MessageIcon::None}));
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"a.pal", "b.pal"}));
}

TEST_F(PalConvertTest, SourceAlreadyInTheLayoutIsRefusedBeforeTheSaveDialog) {
    const std::string microsoft = m_dir.Write("ms.pal", Concat(kRiffHeader, Pattern(1024, 5)));
    const std::string velmark = m_dir.Write("v.pal", Pattern(1024, 6));
    const std::pair<std::string, int> cases[] = {{microsoft, kIdcToMicrosoft}, {velmark, kIdcToVelmark}};
    for (const auto& [source, direction] : cases) {
        m_prompts.Forget();
        Browse(source);
        Click(direction);
        m_prompts.Answer(m_dir.Path("out.pal"));
        Click(kIdOk);
        const std::string layout = direction == kIdcToMicrosoft ? "Microsoft" : "Velmark";
        EXPECT_EQ(m_prompts.Messages(),
                  (std::vector<ShownMessage>{
                      {"调色板文件" + source + "已经是" + layout + "格式的，不用转换。", MessageIcon::None}}));
        EXPECT_EQ(m_prompts.Questions().size(), 1u) << "only Browse was asked";
        EXPECT_EQ(m_prompts.AnswersLeft(), 1u);
        EXPECT_TRUE(m_dialog.isVisible());
        EXPECT_EQ(m_dialog.Destination(), "");
    }
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"ms.pal", "v.pal"}));
}

TEST_F(PalConvertTest, EscapeAndCancelWriteNothing) {
    Browse(m_dir.Write("a.pal", Pattern(1024, 1)));
    PressKey(m_dialog, Qt::Key_Escape);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Rejected);

    CPalConvertDlg again(m_prompts);
    again.InitDialog();
    again.show();
    // Nothing is remembered from the last run.
    EXPECT_EQ(again.DlgItem<QLineEdit>(kIdcSourcePath)->text(), "");
    EXPECT_FALSE(again.GetDlgItem(kIdOk)->isEnabled());
    again.DlgItem<QPushButton>(kIdCancel)->click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_dir.Entries(), std::vector<std::string>{"a.pal"});
}

class PalFormatTest : public testing::Test {
protected:
    PalFormatTest() {
        std::memcpy(m_palette.data(), m_bytes.data(), m_bytes.size());
        m_dialog.InitDialog();
        m_dialog.show();
        Settle();
    }
    void Click(int id) { ClickButton(m_dialog, id); }

    KeepCurrentFolder m_keepFolder;
    TempDir m_dir;
    ScriptedPrompts m_prompts;
    const Bytes m_bytes = Pattern(1024, 77);
    SprPalette m_palette{};
    CPalFormatDlg m_dialog{m_prompts, m_palette};
};

TEST_F(PalFormatTest, NextWritesTheVelmarkLayoutSilentlyAndCloses) {
    EXPECT_EQ(m_dialog.windowTitle(), "选择调色板格式");
    EXPECT_TRUE(Checked(m_dialog, kIdcVelmarkLayout));
    EXPECT_FALSE(Checked(m_dialog, kIdcMicrosoftLayout));
    EXPECT_EQ(m_dialog.focusWidget(), m_dialog.GetDlgItem(kIdOk));

    m_prompts.Answer(m_dir.Path("v.pal"));
    PressKey(m_dialog, Qt::Key_Return);
    ASSERT_EQ(m_prompts.Questions().size(), 1u);
    EXPECT_EQ(m_prompts.Questions()[0].kind, QuestionKind::SaveFile);
    EXPECT_EQ(m_prompts.Questions()[0].filter, "调色板文件(*.pal)|*.pal||");
    EXPECT_EQ(ReadBytes(m_dir.Path("v.pal")), m_bytes);
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
}

TEST_F(PalFormatTest, CancelledSaveComesBackForAnotherLayout) {
    m_prompts.Cancel();
    Click(kIdOk);
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_TRUE(m_dir.Entries().empty());

    Click(kIdcMicrosoftLayout);
    // Replacing a longer file leaves exactly the layout's length.
    WriteBytes(m_dir.Path("m.pal"), Bytes(3000, 7));
    m_prompts.Answer(m_dir.Path("m.pal"));
    Click(kIdOk);
    EXPECT_EQ(ReadBytes(m_dir.Path("m.pal")), Concat(kRiffHeader, m_bytes));
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(PalFormatTest, CancelAndEscapeWriteNothing) {
    PressKey(m_dialog, Qt::Key_Escape);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Rejected);

    CPalFormatDlg again(m_prompts, m_palette);
    again.InitDialog();
    again.show();
    again.DlgItem<QPushButton>(kIdCancel)->click();
    EXPECT_FALSE(again.isVisible());
    EXPECT_TRUE(m_prompts.Questions().empty());
    EXPECT_TRUE(m_dir.Entries().empty());
}

}  // namespace
}  // namespace zandrel::test
