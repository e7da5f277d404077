#pragma once

// A dialog as data: its size, caption and font, and its controls in template order with
// their ids, kinds, captions, rectangles in dialog units and styles. The builder turns
// one into widgets; nothing else places a control.

#include <span>
#include <string_view>

namespace zandrel {

// The ids every dialog shares: its OK and Cancel buttons, and the id of controls that
// nobody looks up.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdStatic = -1;

enum class ControlKind {
    PushButton,
    DefPushButton,
    Static,  // text, left aligned, wrapped at word and CJK boundaries
    Icon,    // the application icon at the icon size of the system
    GroupBox,
    Edit,
    ListBox,
    AutoRadio,
    TreeView,
};

// Control styles, combined with |.
namespace style {
inline constexpr unsigned kTabStop = 1u << 0;
inline constexpr unsigned kDisabled = 1u << 1;
inline constexpr unsigned kReadOnly = 1u << 2;
inline constexpr unsigned kBorder = 1u << 3;
inline constexpr unsigned kAutoHScroll = 1u << 4;
inline constexpr unsigned kVScroll = 1u << 5;
inline constexpr unsigned kHScroll = 1u << 6;
inline constexpr unsigned kSort = 1u << 7;
inline constexpr unsigned kNotify = 1u << 8;
inline constexpr unsigned kNoIntegralHeight = 1u << 9;
inline constexpr unsigned kSunken = 1u << 10;
inline constexpr unsigned kGroup = 1u << 11;      // starts a radio group
inline constexpr unsigned kNoPrefix = 1u << 12;   // "&" is shown, not taken as a mnemonic
inline constexpr unsigned kMultiLine = 1u << 13;  // a button caption may hold "\n"
}  // namespace style

struct ControlTemplate {
    int id = kIdStatic;
    ControlKind kind = ControlKind::Static;
    std::string_view caption;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    unsigned styles = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string_view title;
    int cx = 0;  // client size in dialog units
    int cy = 0;
    std::string_view fontName;
    int pointSize = 0;
    std::span<const ControlTemplate> controls;
};

// Pixels per dialog unit come from the dialog font: a horizontal unit is a quarter of
// its average character width, a vertical unit an eighth of its character height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// a * b / c rounded half away from zero, as the dialog manager rounds.
constexpr int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

constexpr int DialogUnitsToPixelsX(int du, DialogBaseUnits units) { return MulDivRound(du, units.x, 4); }
constexpr int DialogUnitsToPixelsY(int du, DialogBaseUnits units) { return MulDivRound(du, units.y, 8); }

constexpr PixelRect DialogUnitsToPixels(const ControlTemplate& control, DialogBaseUnits units) {
    return {DialogUnitsToPixelsX(control.x, units), DialogUnitsToPixelsY(control.y, units),
            DialogUnitsToPixelsX(control.cx, units), DialogUnitsToPixelsY(control.cy, units)};
}

}  // namespace zandrel
