#pragma once

// The palette beside the viewer's preview: 256 swatches in a 16 x 16 grid, index and
// colour of the swatch under the mouse in its tool tip, where the colours came from,
// and the way back to the sprite's own palette. A click on a swatch picks its index (a
// second click lets it go); the viewer outlines the pixels of that index.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "formats/spr_file.h"

class QLabel;
class QPushButton;

namespace zandrel {

inline constexpr const char* kPaletteTitleText = "调色板";
inline constexpr const char* kOwnPaletteText = "SPR文件自带的调色板";
inline constexpr const char* kImportedPaletteFormat = "导入自%s";
inline constexpr const char* kRestorePaletteText = "恢复原调色板(&R)";
inline constexpr const char* kSwatchFormat = "索引 %d #%02X%02X%02X";

// The grid alone.
class CPaletteGrid final : public QWidget {
public:
    // One swatch and the gap after it, in pixels.
    static constexpr int kSwatch = 12;
    static constexpr int kCell = kSwatch + 1;
    static constexpr int kColumns = 16;

    explicit CPaletteGrid(QWidget* parent);

    void SetPalette(const SprPalette& palette);
    std::optional<std::uint8_t> Picked() const { return m_picked; }
    void SetPicked(std::optional<std::uint8_t> index);
    // Where swatch `index` lies in the grid.
    static QRect SwatchRect(int index);
    // The swatch under `point`, or nothing in a gap or outside.
    static std::optional<std::uint8_t> IndexAt(QPoint point);

    // After a click has changed the pick.
    std::function<void(std::optional<std::uint8_t>)> onPicked;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    SprPalette m_palette{};
    std::optional<std::uint8_t> m_picked;
};

class CPalettePanel final : public QWidget {
public:
    explicit CPalettePanel(QWidget* parent);

    CPaletteGrid& Grid() { return *m_grid; }
    QPushButton& RestoreButton() { return *m_restore; }
    // The colours and, for an imported palette, the name of its file (empty for the
    // sprite's own).
    void Show(const SprPalette& palette, const std::string& sourceName);

private:
    CPaletteGrid* m_grid = nullptr;
    QLabel* m_source = nullptr;
    QPushButton* m_restore = nullptr;
};

}  // namespace zandrel
