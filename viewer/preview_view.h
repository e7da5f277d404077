#pragma once

// How the viewer's preview shows a frame beyond drawing it unscaled: an integer zoom
// (or an integer shrink, for frames larger than the preview), a pan, a checkerboard
// behind transparent pixels, neighbouring frames faded beneath, the pixels of one
// palette index outlined, and the playback rate; which pixels of a frame the preview
// reads, how they are placed, and which frame pixel lies under a point. The dialog only
// reads keys and the mouse and paints what comes back.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/pixels.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 16;
// 1/2, 1/3 ... 1/kMaxShrink: how far a fit may shrink a frame, one pixel in kMaxShrink.
inline constexpr int kMaxShrink = 64;
inline constexpr int kMinRate = 1;  // frames per second
inline constexpr int kMaxRate = 60;
inline constexpr int kDefaultRate = 10;

// The side of one checkerboard square in screen pixels, whatever the zoom, and its
// two greys.
inline constexpr int kCheckerCell = 8;
inline constexpr std::uint8_t kCheckerLight = 204;
inline constexpr std::uint8_t kCheckerDark = 153;

// How opaque a neighbouring frame is beneath the current one, out of 255.
inline constexpr std::uint8_t kOnionOpacity = 96;
// The outline of the marked index alternates these two greys pixel by pixel, so that it
// shows on any colour.
inline constexpr std::uint8_t kOutlineLight = 255;
inline constexpr std::uint8_t kOutlineDark = 0;

// How many screen pixels one frame pixel takes: `zoom` of them, or one for every
// `shrink` frame pixels (nearest neighbour). One of the two is always 1.
struct Scale {
    int zoom = kMinZoom;
    int shrink = 1;
    friend bool operator==(const Scale&, const Scale&) = default;

    // A frame side of `size` pixels on the screen.
    int Scaled(int size) const { return zoom > 1 ? size * zoom : (size + shrink - 1) / shrink; }
    // The frame pixel shown at `offset` screen pixels from the frame's edge (0 <= offset).
    int SourceOf(int offset) const { return zoom > 1 ? offset / zoom : offset * shrink; }
};

// The largest scale, up to kMaxZoom, at which a frame of width x height shows whole in
// a control of controlWidth x controlHeight; a frame larger than the control shrinks by
// the smallest integer that fits it. 1x for a frame without pixels or a control
// without room.
Scale FitScale(int width, int height, int controlWidth, int controlHeight);

struct ViewOptions {
    int zoom = kMinZoom;
    // Below 1x: one screen pixel for every `shrink` frame pixels; only a fit goes there.
    int shrink = 1;
    bool checkerboard = false;
    int rate = kDefaultRate;
    // The previous frame, and also the next, faded beneath the current one.
    bool onionSkin = false;
    bool onionNext = false;

    // The zoom steps by one (through the shrinks below 1x, once a fit went there) and
    // the rate by halves and doubles, each within its bounds.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom() {
        zoom = kMinZoom;
        shrink = 1;
    }
    void Faster();
    void Slower();
    Scale ScaleOf() const { return {zoom, shrink}; }
    // "4×" or "1/3×".
    std::string ZoomText() const;
    // Draws as the unscaled preview always has.
    bool IsPlain() const { return zoom == kMinZoom && shrink == 1 && !checkerboard && !onionSkin; }
};

// Where a picture `scaled` screen pixels long starts in a control `control` long: centred
// by integer halvings, then moved by `pan` as far as the picture still covers the
// control. A picture that fits does not move.
int OriginOf(int control, int scaled, int pan);
// `pan` cut to what OriginOf can use, so that a pan never builds up past an edge.
int UsablePan(int control, int scaled, int pan);

// The frame `step` places from `current` in a list of `count`, wrapping round at both
// ends: how >>, << and playback move. `current` itself when the list is empty.
int SteppedFrame(int current, int count, int step);

// A frame as the preview lays it over its background: indices through the palette, index
// 0 transparent when `clearIndexZero` is set; true colour with its alpha.
StraightPicture PreviewStraight(const SpriteFrame& frame, const SprPalette& palette, bool clearIndexZero);

// The part of the preview that a picture covers, at (x, y) in the control's pixels.
// Empty when nothing of it is in view.
struct PlacedPicture {
    int x = 0;
    int y = 0;
    DrawnPicture picture;
};

// Scales the frame by `zoom` with nearest neighbour, centres it in a control of
// controlWidth x controlHeight as the unscaled frame is centred (integer halvings),
// and cuts it at the control's edges. Transparency is laid over the checkerboard when
// `checkerboard` is set and over black otherwise. The squares start at the picture's
// top-left corner, so they stay with the picture.
PlacedPicture PlacePicture(const StraightPicture& frame, int zoom, bool checkerboard, int controlWidth,
                           int controlHeight);

// A picture placed with its top-left corner at (x, y) of the control, in screen pixels.
struct Layer {
    const StraightPicture* picture = nullptr;
    int x = 0;
    int y = 0;
};

// Everything the preview draws, bottom to top: the background (checkerboard or black),
// the faded neighbours, the frame, and the outline round the frame pixels that `marked`
// (one byte a frame pixel, nonzero for marked) holds.
struct Scene {
    Layer frame;
    Scale scale;
    bool checkerboard = false;
    std::vector<Layer> faded;
    const std::vector<std::uint8_t>* marked = nullptr;
};

// The scene cut to the control. Where a faded neighbour reaches past the frame, the
// picture covers their union; pixels that no layer covers are left out (all four bytes
// 0, `gaps` set) for the control's own background to show. The checkerboard's squares
// start at the frame's top-left corner.
struct PlacedScene {
    int x = 0;
    int y = 0;
    DrawnPicture picture;
    bool gaps = false;
};
PlacedScene PlaceScene(const Scene& scene, int controlWidth, int controlHeight);

// The frame pixels of `index`, one byte each: 1 marked, 0 not.
std::vector<std::uint8_t> PixelsOfIndex(const IndexedPicture& frame, std::uint8_t index);

// The frame pixel under point (x, y) of the control, for a frame of width x height at
// `origin` and `scale`; nothing outside the frame.
struct FramePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const FramePoint&, const FramePoint&) = default;
};
std::optional<FramePoint> FramePointAt(int x, int y, int originX, int originY, Scale scale, int width, int height);

// What the inspector says of frame pixel `at`: its place and its index and colour, or
// its colour and alpha.
std::string DescribePixel(const SpriteFrame& frame, const SprPalette& palette, FramePoint at);

}  // namespace zandrel
