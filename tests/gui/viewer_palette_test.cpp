// The viewer's palette buttons: an import repaints the preview in the new colours, a
// refusal keeps the old ones, and an export writes the palette as it is in memory.

#include <gtest/gtest.h>

#include <QEvent>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

const Bytes kRiffHeader{0x52, 0x49, 0x46, 0x46, 0x10, 0x04, 0x00, 0x00, 0x50, 0x41, 0x4C, 0x20,
                        0x64, 0x61, 0x74, 0x61, 0x04, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01};

// The sprite's own palette: entry 1, the colour of its frame, is magenta.
SprPalette SpritePalette() {
    SprPalette palette = DistinctPalette();
    palette[1] = {255, 0, 255, 0x33};
    return palette;
}

// A Velmark palette file written out by hand: entry i is (i, 255 - i, 40, 0x80 | i),
// with entry 1 made pure blue.
Bytes ImportedPaletteFile() {
    Bytes bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 40,
                                   static_cast<std::uint8_t>(0x80 | i)});
    }
    bytes[4] = 0;
    bytes[5] = 0;
    bytes[6] = 255;
    return bytes;
}

Bytes BytesOf(const SprPalette& palette) {
    Bytes bytes;
    for (const SprPaletteEntry& entry : palette) {
        bytes.insert(bytes.end(), {entry.red, entry.green, entry.blue, entry.reserved});
    }
    return bytes;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

// Counts the paints of one widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int Count() const { return m_nPaints; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++m_nPaints;
        return false;
    }

private:
    int m_nPaints = 0;
};

class ViewerPaletteTest : public testing::Test {
protected:
    ViewerPaletteTest() {
        m_strSprite = m_dir.Path("hero.spr");
        WriteBytes(m_strSprite, MakeSprite(SprKind::Indexed256Rle, {{6, 6, Bytes(36, 1)}}, SpritePalette()));
        m_viewer = std::make_unique<CSprViewDlg>(m_prompts, m_strSprite);
        m_viewer->InitDialog();
        m_viewer->show();
        Settle();
    }

    void Import(const std::string& path) {
        m_prompts.Answer(path);
        m_viewer->DlgItem<QPushButton>(kIdcImportPalette)->click();
        Settle();
    }
    QRgb Centre() {
        const QImage image = Grab(*m_viewer->GetDlgItem(kIdcPreview));
        return image.pixel(image.width() / 2, image.height() / 2);
    }
    const SprPalette& Palette() const { return m_viewer->Sprite().Palette(); }

    // Clicks Export and, in the layout dialog that opens, picks `layoutId` and presses
    // Next with the save dialog answered by `path`, or cancelled when it is empty.
    void Export(int layoutId, const std::string& path) {
        bool seen = false;
        Soon([&] {
            auto* dialog = qobject_cast<QDialog*>(TopModal());
            if (dialog == nullptr || dialog == m_viewer.get()) {
                ADD_FAILURE() << "no layout dialog";
                return;
            }
            seen = true;
            EXPECT_EQ(dialog->windowTitle(), "选择调色板格式");
            dialog->findChild<QRadioButton*>(QString::number(layoutId))->click();
            if (path.empty()) {
                m_prompts.Cancel();
            } else {
                m_prompts.Answer(path);
            }
            dialog->findChild<QPushButton*>("1")->click();
            // A cancelled save leaves the layout dialog open; leave it by Cancel.
            if (dialog->isVisible()) dialog->findChild<QPushButton*>("2")->click();
        });
        m_viewer->DlgItem<QPushButton>(kIdcExportPalette)->click();
        Settle();
        EXPECT_TRUE(seen);
    }

    KeepCurrentFolder m_keepFolder;
    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::string m_strSprite;
    std::unique_ptr<CSprViewDlg> m_viewer;
};

TEST_F(ViewerPaletteTest, ImportRepaintsThePreviewInTheNewColours) {
    ASSERT_TRUE(m_viewer->GetDlgItem(kIdcImportPalette)->isEnabled());
    ASSERT_TRUE(m_viewer->GetDlgItem(kIdcExportPalette)->isEnabled());
    ASSERT_EQ(Centre(), qRgb(255, 0, 255));
    PaintCounter paints(*m_viewer->GetDlgItem(kIdcPreview));

    m_prompts.Answer(m_dir.Write("blue.pal", ImportedPaletteFile()));
    m_viewer->DlgItem<QPushButton>(kIdcImportPalette)->click();
    // Repainted at once, inside the click, not at some later turn of the loop.
    EXPECT_GE(paints.Count(), 1);
    EXPECT_EQ(m_prompts.Questions().back().filter,
              "调色板文件(*.pal)|*.pal|画图程序调色板(*.pal;*.gpl;*.act)|*.pal;*.gpl;*.act||");
    EXPECT_EQ(BytesOf(Palette()), ImportedPaletteFile());
    EXPECT_EQ(Centre(), qRgb(0, 0, 255));
    EXPECT_TRUE(m_prompts.Messages().empty());

    // A Microsoft file is read from offset 24, whatever its first 24 bytes hold.
    Bytes ms = Concat(Bytes(24, 0), ImportedPaletteFile());
    ms[24 + 4] = 0;
    ms[24 + 5] = 255;
    ms[24 + 6] = 0;
    Import(m_dir.Write("green.pal", ms));
    EXPECT_EQ(Centre(), qRgb(0, 255, 0));
    EXPECT_EQ(Palette()[1], (SprPaletteEntry{0, 255, 0, 0x81}));
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(ViewerPaletteTest, WrongLengthsAreRefusedAndTheColoursStay) {
    for (std::size_t length : {std::size_t{0}, std::size_t{1023}, std::size_t{1047}, std::size_t{1049}}) {
        m_prompts.Forget();
        Import(m_dir.Write("bad.pal", Bytes(length, 0x44)));
        ASSERT_EQ(m_prompts.Messages().size(), 1u) << length;
        EXPECT_EQ(m_prompts.Messages()[0],
                  (ShownMessage{"调色板文件长度错误！应该为1024或1048个字节", MessageIcon::None}));
        EXPECT_EQ(Palette(), SpritePalette()) << length;
        EXPECT_EQ(Centre(), qRgb(255, 0, 255)) << length;
    }
}

TEST_F(ViewerPaletteTest, PaintProgramPalettesAreTakenByContentAndBrokenOnesNamed) {
    // A GIMP palette named .pal: the content decides. Entry 1 is red, the rest black.
    const std::string gimp =
        "GIMP Palette\nName: Mod colours\nColumns: 2\n# made by hand\n"
        "  0   0   0\tIndex 0\n\n255   0   0\tred\n";
    Import(m_dir.Write("mod.pal", Bytes(gimp.begin(), gimp.end())));
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_EQ(Centre(), qRgb(255, 0, 0));
    EXPECT_EQ(Palette()[1], (SprPaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ(Palette()[2], (SprPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Palette()[255], (SprPaletteEntry{0, 0, 0, 0}));
    const SprPalette red = Palette();

    // A JASC file whose fifth line is no colour: named with its line, nothing changes.
    const std::string jasc = "JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n0 255\r\n0 0 255\r\n";
    const std::string broken = m_dir.Write("broken.pal", Bytes(jasc.begin(), jasc.end()));
    Import(broken);
    EXPECT_EQ(m_prompts.Messages(),
              (std::vector<ShownMessage>{{"调色板文件" + broken + "第5行格式错误！", MessageIcon::None}}));
    EXPECT_EQ(Palette(), red);
    EXPECT_EQ(Centre(), qRgb(255, 0, 0));
}

TEST_F(ViewerPaletteTest, CancelRepaintsAndFileErrorsKeepThePalette) {
    PaintCounter paints(*m_viewer->GetDlgItem(kIdcPreview));
    m_prompts.Cancel();
    m_viewer->DlgItem<QPushButton>(kIdcImportPalette)->click();
    EXPECT_GE(paints.Count(), 1);
    EXPECT_TRUE(m_prompts.Messages().empty());

    // The open sprite itself is held without sharing; a vanished file cannot be opened.
    for (const std::string& path : {m_strSprite, m_dir.Path("gone.pal")}) {
        m_prompts.Forget();
        Import(path);
        ASSERT_EQ(m_prompts.Messages().size(), 1u) << path;
        EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::Stop);
        EXPECT_NE(m_prompts.Messages()[0].text.find(path), std::string::npos);
        EXPECT_EQ(Palette(), SpritePalette());
        EXPECT_TRUE(m_viewer->isVisible());
    }
    EXPECT_EQ(Centre(), qRgb(255, 0, 255));
}

TEST_F(ViewerPaletteTest, ExportWritesThePaletteAsHeldInEitherLayout) {
    Export(kIdcMicrosoftLayout, {});  // cancelled in the save dialog
    EXPECT_EQ(m_dir.Entries(), std::vector<std::string>{"hero.spr"});

    Export(kIdcVelmarkLayout, m_dir.Path("own.pal"));
    EXPECT_EQ(ReadBytes(m_dir.Path("own.pal")), BytesOf(SpritePalette()));

    // After an import the export carries the imported bytes, flags included.
    Import(m_dir.Write("blue.pal", ImportedPaletteFile()));
    Export(kIdcMicrosoftLayout, m_dir.Path("ms.pal"));
    EXPECT_EQ(ReadBytes(m_dir.Path("ms.pal")), Concat(kRiffHeader, ImportedPaletteFile()));

    // And that file imported again changes nothing.
    Import(m_dir.Path("ms.pal"));
    EXPECT_EQ(BytesOf(Palette()), ImportedPaletteFile());
    EXPECT_TRUE(m_prompts.Messages().empty());
    EXPECT_TRUE(m_viewer->isVisible());
}

TEST(ViewerPaletteButtons, ATruncatedSpritesPaletteIsRefusedAsTheCommandLineRefusesIt) {
    TempDir dir;
    ScriptedPrompts prompts;
    // Two frames declared, the second cut short: the last 1024 bytes are frame bytes.
    Bytes cut = MakeSprite(SprKind::Indexed256Rle, {{2, 2, Bytes(4, 1)}, {50, 40, Bytes(2000, 2)}}, DistinctPalette());
    cut.resize(cut.size() - 1024 - 100);
    WriteBytes(dir.Path("cut.spr"), cut);
    CSprViewDlg viewer(prompts, dir.Path("cut.spr"));
    viewer.InitDialog();
    viewer.show();
    Settle();
    const std::size_t before = prompts.Messages().size();  // the load's warning
    viewer.DlgItem<QPushButton>(kIdcExportPalette)->click();
    Settle();
    ASSERT_EQ(prompts.Messages().size(), before + 1);
    EXPECT_EQ(prompts.Messages().back().text,
              dir.Path("cut.spr") + "不完整，文件最后的1024个字节是帧的数据，不是调色板，不能导出!");
    EXPECT_TRUE(prompts.Questions().empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"cut.spr"});
}

TEST(ViewerPaletteButtons, OnlyForPalettisedSpritesThatLoaded) {
    TempDir dir;
    ScriptedPrompts prompts;
    const auto open = [&](const std::string& name, const Bytes& bytes) {
        WriteBytes(dir.Path(name), bytes);
        auto viewer = std::make_unique<CSprViewDlg>(prompts, dir.Path(name));
        viewer->InitDialog();
        return viewer;
    };
    const TestFrame frame{2, 2, Bytes(4, 1)};
    for (SprKind kind : {SprKind::Indexed256, SprKind::Indexed256Rle}) {
        const auto viewer = open("p.spr", MakeSprite(kind, {frame}, DistinctPalette()));
        EXPECT_TRUE(viewer->GetDlgItem(kIdcExportPalette)->isEnabled());
        EXPECT_TRUE(viewer->GetDlgItem(kIdcImportPalette)->isEnabled());
    }
    Bytes bad = MakeSprite(SprKind::Indexed256Rle, {frame}, DistinctPalette());
    bad[0] = 'X';
    for (const Bytes& bytes : {MakeSprite(SprKind::TrueColor32, {TrueColourFrame(2, 2)}, DistinctPalette()), bad}) {
        const auto viewer = open("t.spr", bytes);
        EXPECT_FALSE(viewer->GetDlgItem(kIdcExportPalette)->isEnabled());
        EXPECT_FALSE(viewer->GetDlgItem(kIdcImportPalette)->isEnabled());
    }
}

}  // namespace
}  // namespace zandrel::test
