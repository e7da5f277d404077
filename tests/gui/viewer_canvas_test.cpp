// The viewer as a canvas: a window that grows, panning and fitting, the pixel under the
// mouse, the palette beside the preview and the onion skin, checked by the pixels of
// the preview.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/palette_panel.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;  // entry 1 of MarkedPalette
constexpr QRgb kGreen = 0xFF00FF00;    // entry 2

class CanvasTest : public testing::Test {
protected:
    CSprViewDlg& Open(const std::vector<TestFrame>& frames, SprKind kind = SprKind::Indexed256Rle) {
        const std::string path = m_dir.Path("s.spr");
        m_viewer.reset();
        WriteBytes(path, MakeSprite(kind, frames, MarkedPalette()));
        m_viewer = std::make_unique<CSprViewDlg>(m_prompts, path);
        m_viewer->InitDialog();
        m_viewer->show();
        Settle();
        return *m_viewer;
    }
    QWidget& Preview() { return *m_viewer->GetDlgItem(kIdcPreview); }
    QImage Shot() { return Grab(Preview()); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        PressKey(*m_viewer, key, modifiers);
        Settle();
    }
    void Zoom(int steps) {
        for (int i = 0; i < steps; ++i) Key(Qt::Key_Equal, Qt::ControlModifier);
    }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CSprViewDlg> m_viewer;
};

// The columns of `row` that show `colour`: the first and one past the last, or -1s.
std::pair<int, int> RunOf(const QImage& image, QRgb colour, int row) {
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, row) != colour) continue;
        if (first < 0) first = x;
        last = x + 1;
    }
    return {first, last};
}

TEST_F(CanvasTest, ControlsKeepTheTemplateUntilTheWindowGrowsAndThenListAndPreviewTakeTheRoom) {
    Open({Filled(10, 4, 1)});
    const DialogTemplate& layout = DialogTemplateOf(kIddSprView);
    const DialogBaseUnits units = m_viewer->Built().units;
    const QSize templateSize(DialogUnitsToPixelsX(layout.cx, units), DialogUnitsToPixelsY(layout.cy, units));
    EXPECT_EQ(m_viewer->size(), templateSize);
    EXPECT_EQ(m_viewer->windowTitle(), "SPR to Image");

    // Where each control must be when the window has grown by (dx, dy).
    const auto expectLayout = [&](int dx, int dy) {
        SCOPED_TRACE(testing::Message() << dx << "," << dy);
        const auto& built = m_viewer->Built().controls;
        ASSERT_EQ(built.size(), layout.controls.size());
        for (std::size_t i = 0; i < built.size(); ++i) {
            const ControlTemplate& control = layout.controls[i];
            const PixelRect r = DialogUnitsToPixels(control, units);
            QRect expected(r.x, r.y, r.width, r.height);
            if (control.id == kIdcFileInfo) {
                expected.setWidth(expected.width() + dx);
            } else if (control.id == kIdcPreview || control.caption == "图像") {
                expected.setSize(expected.size() + QSize(dx, dy));
            } else if (control.id == kIdcFrameList || control.caption == "列表") {
                expected.setHeight(expected.height() + dy);
            } else {
                expected.translate(0, dy);  // the row of buttons and the frame information
            }
            EXPECT_EQ(built[i].widget->geometry(), expected) << control.id << " " << control.caption;
        }
    };
    expectLayout(0, 0);

    m_viewer->resize(templateSize + QSize(130, 90));
    Settle();
    expectLayout(130, 90);
    // The frame is centred in the larger preview.
    const QImage grown = Shot();
    EXPECT_EQ(RunOf(grown, kMagenta, grown.height() / 2), std::pair(grown.width() / 2 - 5, grown.width() / 2 + 5));

    m_viewer->resize(templateSize);
    Settle();
    expectLayout(0, 0);
    m_viewer->showMaximized();
    Settle();
    EXPECT_NE(m_viewer->minimumSize(), m_viewer->maximumSize());
}

TEST_F(CanvasTest, DraggingMovesThePictureByTheDraggedAmountAndStopsAtItsEdges) {
    const TestFrame frame = PatternFrame(60, 50);
    Open({frame});
    Zoom(7);  // 480 x 400, larger than the preview
    const QImage before = Shot();
    const int width = before.width();
    const int height = before.height();
    ASSERT_GT(480, width);
    QScrollBar* across = nullptr;
    for (QScrollBar* bar : m_viewer->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) {
        if (bar->orientation() == Qt::Horizontal) across = bar;
    }
    ASSERT_TRUE(across->isVisible());
    const int startValue = across->value();

    Drag(Preview(), QPoint(100, 100), QPoint(70, 83));
    const QImage after = Shot();
    EXPECT_EQ(m_viewer->Pan(), QPoint(-30, -17));
    for (int y = 0; y < height - 17; y += 3) {
        for (int x = 0; x < width - 30; x += 3) {
            ASSERT_EQ(after.pixel(x, y), before.pixel(x + 30, y + 17)) << x << "," << y;
        }
    }
    EXPECT_EQ(across->value(), startValue + 30);

    // The middle button drags too; Shift+arrows step an eighth of the preview, as the
    // scroll bars would.
    Drag(Preview(), QPoint(70, 83), QPoint(100, 100), Qt::MiddleButton);
    EXPECT_EQ(m_viewer->Pan(), QPoint(0, 0));
    EXPECT_EQ(Shot(), before);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(m_viewer->Pan(), QPoint(-(width / 8), 0));
    across->setValue(across->value() - 5);
    Settle();
    EXPECT_EQ(m_viewer->Pan(), QPoint(-(width / 8) + 5, 0));

    // Far past the left edge the frame's first column stays at the preview's; the way
    // back moves at once.
    Drag(Preview(), QPoint(10, 10), QPoint(5000, 10));
    const int centred = width / 2 - 240;
    EXPECT_EQ(m_viewer->Pan().x(), -centred);
    const std::size_t edgeRow = 200 / 8;  // the middle row is 200 screen rows into the frame
    const SprPaletteEntry edge = MarkedPalette()[frame.pixels[edgeRow * 60]];
    EXPECT_EQ(Shot().pixel(0, height / 2), qRgb(edge.red, edge.green, edge.blue));
    Drag(Preview(), QPoint(50, 10), QPoint(45, 10));
    EXPECT_EQ(m_viewer->Pan().x(), -centred - 5);

    // A frame that fits does not move.
    Key(Qt::Key_0, Qt::ControlModifier);
    const QImage fitting = Shot();
    Drag(Preview(), QPoint(100, 100), QPoint(40, 20));
    EXPECT_EQ(m_viewer->Pan(), QPoint(0, 0));
    EXPECT_EQ(Shot(), fitting);
    EXPECT_FALSE(across->isVisible());
}

TEST_F(CanvasTest, FitChoosesTheLargestZoomThatShowsTheFrameWholeAndShrinksLargeFrames) {
    TestFrame large = Filled(700, 500, 2);
    for (std::size_t y = 0; y < 500; ++y) large.pixels[y * 700] = 1;  // column 0 magenta
    Open({Filled(40, 30, 1), large}, SprKind::Indexed256);
    const int width = Preview().width();
    const int height = Preview().height();

    Key(Qt::Key_F);
    const int zoom = std::min({width / 40, height / 30, 16});
    EXPECT_EQ(m_viewer->View().zoom, zoom);
    EXPECT_EQ(RunOf(Shot(), kMagenta, height / 2), std::pair(width / 2 - 20 * zoom, width / 2 + 20 * zoom));

    // One screen pixel for every n frame pixels, the smallest n that shows it whole.
    ClickButton(*m_viewer, kIdcNextFrame);
    Key(Qt::Key_F);
    int shrink = 2;
    while ((700 + shrink - 1) / shrink > width || (500 + shrink - 1) / shrink > height) ++shrink;
    EXPECT_EQ(m_viewer->View().shrink, shrink);
    EXPECT_EQ(m_viewer->StatusText(), "缩放 1/" + std::to_string(shrink) + "×");
    const QImage shrunk = Shot();
    const int scaledWidth = (700 + shrink - 1) / shrink;
    const int left = width / 2 - scaledWidth / 2;
    EXPECT_EQ(shrunk.pixel(left, height / 2), kMagenta);
    EXPECT_EQ(RunOf(shrunk, kGreen, height / 2), std::pair(left + 1, left + scaledWidth));
    ASSERT_GE(left, 0);

    Key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(m_viewer->View().zoom, 1);
    EXPECT_EQ(m_viewer->View().shrink, 1);
}

TEST_F(CanvasTest, InspectorTellsTheIndexAndColourUnderThePointAtEveryZoomAndPan) {
    const TestFrame frame = PatternFrame(30, 20);
    Open({frame});
    const SprPalette palette = MarkedPalette();
    for (const auto& [zoom, drag] : {std::pair{1, QPoint()}, {3, QPoint()}, {16, QPoint(40, -25)}}) {
        SCOPED_TRACE(zoom);
        Key(Qt::Key_0, Qt::ControlModifier);
        Zoom(zoom - 1);
        Drag(Preview(), QPoint(150, 150), QPoint(150, 150) + drag);
        const QPoint origin(Preview().width() / 2 - 30 * zoom / 2 + m_viewer->Pan().x(),
                            Preview().height() / 2 - 20 * zoom / 2 + m_viewer->Pan().y());
        int seen = 0;
        for (const QPoint at : {QPoint(7, 5), QPoint(0, 0), QPoint(29, 19), QPoint(12, 13), QPoint(3, 9)}) {
            const QPoint mouse = origin + at * zoom + QPoint(zoom - 1, zoom / 2);
            if (!Preview().rect().contains(mouse)) continue;  // panned out of view
            ++seen;
            MoveMouse(Preview(), mouse);
            const std::uint8_t index =
                frame.pixels[static_cast<std::size_t>(at.y()) * 30 + static_cast<std::size_t>(at.x())];
            const SprPaletteEntry& entry = palette[index];
            char expected[96];
            std::snprintf(expected, sizeof expected, "缩放 %d×　(%d,%d) 索引 %d #%02X%02X%02X", zoom, at.x(), at.y(),
                          index, entry.red, entry.green, entry.blue);
            EXPECT_EQ(m_viewer->StatusText(), expected);
            EXPECT_EQ(m_viewer->windowTitle().toStdString(), std::string("SPR to Image — ") + expected);
        }
        EXPECT_GE(seen, 2);
    }
    // Outside the frame only the zoom is told; at 1x with the mouse gone, nothing.
    Key(Qt::Key_0, Qt::ControlModifier);
    MoveMouse(Preview(), QPoint(1, 1));
    EXPECT_EQ(m_viewer->StatusText(), "");
    EXPECT_EQ(m_viewer->windowTitle(), "SPR to Image");

    // True colour: colour and alpha, rows stored bottom-up.
    Open({{2, 2, Bytes{128, 1, 2, 3, 255, 4, 5, 6, 0, 7, 8, 9, 200, 10, 11, 12}}}, SprKind::TrueColor32);
    const QPoint topLeft(Preview().width() / 2 - 1, Preview().height() / 2 - 1);
    MoveMouse(Preview(), topLeft);
    EXPECT_EQ(m_viewer->StatusText(), "缩放 1×　(0,0) #090807 透明度 0");
    MoveMouse(Preview(), topLeft + QPoint(0, 1));
    EXPECT_EQ(m_viewer->StatusText(), "缩放 1×　(0,1) #030201 透明度 128");
    // A dialog over the viewer takes the mouse away without a word to the preview.
    QWidget over;
    over.show();
    QApplication::setActiveWindow(&over);
    QApplication::processEvents();
    // (Under Wine's offscreen platform the viewer may stay the active window.)
    if (!m_viewer->isActiveWindow()) {
        EXPECT_EQ(m_viewer->StatusText(), "");
    }
}

TEST_F(CanvasTest, SwatchClickOutlinesExactlyThePixelsOfItsIndexAndImportsShowAtOnce) {
    // 1 1 2 2 / 1 2 2 1 / 2 2 2 1
    const Bytes indices{1, 1, 2, 2, 1, 2, 2, 1, 2, 2, 2, 1};
    Open({{4, 3, indices}});
    Zoom(3);
    const int widthBefore = m_viewer->width();
    Key(Qt::Key_P);
    CPalettePanel* panel = m_viewer->ShownPalette();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(m_viewer->width(), widthBefore + panel->width() + m_viewer->GetDlgItem(kIdcFileInfo)->x());
    const QImage plain = Shot();

    ClickAt(panel->Grid(), CPaletteGrid::SwatchRect(1).center());
    const QImage marked = Shot();
    const int left = plain.width() / 2 - 8;
    const int top = plain.height() / 2 - 6;
    const auto isOne = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 16 && y < 12 &&
               indices[static_cast<std::size_t>(y / 4) * 4 + static_cast<std::size_t>(x / 4)] == 1;
    };
    for (int y = -2; y < 14; ++y) {
        for (int x = -2; x < 18; ++x) {
            const bool edge =
                isOne(x, y) && (!isOne(x - 1, y) || !isOne(x + 1, y) || !isOne(x, y - 1) || !isOne(x, y + 1));
            const QRgb grey = (left + x + top + y) % 2 == 0 ? 0xFFFFFFFF : 0xFF000000;
            ASSERT_EQ(marked.pixel(left + x, top + y), edge ? grey : plain.pixel(left + x, top + y)) << x << "," << y;
        }
    }
    EXPECT_EQ(plain.pixel(left + 5, top + 5), kGreen);  // frame pixel (1, 1)
    ClickAt(panel->Grid(), CPaletteGrid::SwatchRect(1).center());
    EXPECT_EQ(Shot(), plain);

    // Hovering a swatch tells its index and colour.
    QHelpEvent hover(QEvent::ToolTip, CPaletteGrid::SwatchRect(1).center(),
                     panel->Grid().mapToGlobal(CPaletteGrid::SwatchRect(1).center()));
    QCoreApplication::sendEvent(&panel->Grid(), &hover);
    EXPECT_EQ(QToolTip::text(), "索引 1 #FF00FF");

    // An imported palette shows at once with its file's name, and goes back.
    const auto swatch = [&](int index) { return Grab(panel->Grid()).pixel(CPaletteGrid::SwatchRect(index).center()); };
    EXPECT_EQ(swatch(1), kMagenta);
    EXPECT_FALSE(panel->RestoreButton().isEnabled());
    SprPalette blue = MarkedPalette();
    blue[1] = {0, 0, 255, 0};
    const std::string pal = m_dir.Path("blue.pal");
    WriteBytes(pal, Bytes(reinterpret_cast<const std::uint8_t*>(blue.data()),
                          reinterpret_cast<const std::uint8_t*>(blue.data()) + sizeof blue));
    m_prompts.Answer(pal);
    ClickButton(*m_viewer, kIdcImportPalette);
    EXPECT_EQ(swatch(1), 0xFF0000FFu);
    EXPECT_TRUE(panel->findChild<QLabel*>() != nullptr);
    EXPECT_EQ(panel->findChild<QLabel*>()->text(), "导入自blue.pal");
    EXPECT_EQ(Shot().pixel(left, top), 0xFF0000FFu);
    ASSERT_TRUE(panel->RestoreButton().isEnabled());
    EXPECT_EQ(panel->RestoreButton().text(), "恢复原调色板(&R)");
    panel->RestoreButton().click();
    Settle();
    EXPECT_EQ(swatch(1), kMagenta);
    EXPECT_EQ(panel->findChild<QLabel*>()->text(), "SPR文件自带的调色板");
    EXPECT_EQ(Shot(), plain);

    Key(Qt::Key_P);
    EXPECT_EQ(m_viewer->ShownPalette(), nullptr);
    EXPECT_EQ(m_viewer->width(), widthBefore);
}

TEST_F(CanvasTest, OnionSkinBlendsThePreviousFrameWhereTheCurrentOneIsTransparent) {
    // Frame 1: two columns of index 0, two of green; frame 0 larger, magenta; frame 2
    // small and green.
    const Bytes halves{0, 0, 2, 2, 0, 0, 2, 2, 0, 0, 2, 2, 0, 0, 2, 2};
    Open({Filled(6, 6, 1), {4, 4, halves}, Filled(2, 2, 2)});
    ClickButton(*m_viewer, kIdcNextFrame);
    const QImage plain = Shot();
    const int cx = plain.width() / 2;
    const int cy = plain.height() / 2;
    EXPECT_EQ(plain.pixel(cx - 2, cy), qRgb(10, 20, 30));  // index 0 as entry 0
    EXPECT_FALSE(m_viewer->View().onionSkin);

    Key(Qt::Key_O);
    const QImage onion = Shot();
    const QRgb fadedMagenta = qRgb(96, 0, 96);  // 255 * 96 / 255 over black
    EXPECT_EQ(onion.pixel(cx - 2, cy), fadedMagenta);
    EXPECT_EQ(onion.pixel(cx - 1, cy - 2), fadedMagenta);
    EXPECT_EQ(onion.pixel(cx, cy), kGreen);                // the current frame's opaque pixels
    EXPECT_EQ(onion.pixel(cx - 3, cy - 3), fadedMagenta);  // frame 0 reaches past frame 1
    EXPECT_EQ(onion.pixel(cx + 2, cy + 2), fadedMagenta);
    EXPECT_EQ(onion.pixel(cx - 4, cy), plain.pixel(cx - 4, cy));  // past both: the control's own

    // Shift+O adds the next frame over the previous one.
    Key(Qt::Key_O, Qt::ShiftModifier);
    const QImage both = Shot();
    EXPECT_EQ(both.pixel(cx - 1, cy), qRgb(59, 96, 59));  // green at 96 over faded magenta
    EXPECT_EQ(both.pixel(cx - 2, cy), fadedMagenta);

    Key(Qt::Key_O);
    EXPECT_EQ(Shot(), plain);
}

}  // namespace
}  // namespace zandrel::test
