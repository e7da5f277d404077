#pragma once

// How the viewer's preview shows a frame beyond drawing it unscaled: an integer zoom,
// a checkerboard behind transparent pixels, and the playback rate; which pixels of a
// frame the preview reads, and how they are placed. The dialog only reads keys and
// paints what comes back.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/byte_order.h"
#include "formats/spr_file.h"
#include "viewer/sprite_model.h"

namespace zandrel {

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 16;
inline constexpr int kMinRate = 1;  // frames per second
inline constexpr int kMaxRate = 60;
inline constexpr int kDefaultRate = 10;

// The side of one checkerboard square in screen pixels, whatever the zoom, and its
// two greys.
inline constexpr int kCheckerCell = 8;
inline constexpr std::uint8_t kCheckerLight = 204;
inline constexpr std::uint8_t kCheckerDark = 153;

struct ViewOptions {
    int zoom = kMinZoom;
    bool checkerboard = false;
    int rate = kDefaultRate;

    // The zoom steps by one and the rate by halves and doubles, each within its bounds.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom() { zoom = kMinZoom; }
    void Faster();
    void Slower();
    // Draws as the unscaled preview always has.
    bool IsPlain() const { return zoom == kMinZoom && !checkerboard; }
};

// The frame `step` places from `current` in a list of `count`, wrapping round at both
// ends: how >>, << and playback move. `current` itself when the list is empty.
int SteppedFrame(int current, int count, int step);

// A frame ready to be placed: blue, green, red, alpha per pixel, top row first, the
// colour not yet weighted by its alpha.
struct StraightFrame {
    int width = 0;
    int height = 0;
    Bytes pixels;
};

// Palettised indices (top row first) looked up in the palette; index 0 becomes fully
// transparent when `clearIndexZero` is set, every other pixel is opaque.
StraightFrame StraightFromIndices(const Bytes& indices, int width, int height, const SprPalette& palette,
                                  bool clearIndexZero);
// Stored true-colour pixels (alpha, blue, green, red, bottom row first) turned upright.
StraightFrame StraightFromTrueColour(const Bytes& stored, int width, int height);
// A drawn frame (blue, green, red, 255, top row first), taken over as it is.
StraightFrame StraightFromDrawn(Bytes drawn, int width, int height);

// Frame `index` of `sprite` as the preview shows it: with the checkerboard, the colours
// before they are laid over black, so that the squares show through transparency;
// without, drawn as the unscaled preview always has. Empty, with the problem, for a
// frame that cannot be shown.
struct PreviewFrame {
    std::string problem;
    StraightFrame frame;
};
PreviewFrame ReadPreviewFrame(const SpriteModel& sprite, std::size_t index, bool checkerboard);

// The part of the preview that a picture covers, in the control's pixels, and its
// pixels (blue, green, red, 255, top row first). Empty when nothing of it is in view.
struct PlacedPicture {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Bytes pixels;
};

// Scales the frame by `zoom` with nearest neighbour, centres it in a control of
// controlWidth x controlHeight as the unscaled frame is centred (integer halvings),
// and cuts it at the control's edges. Transparency is laid over the checkerboard when
// `checkerboard` is set and over black otherwise. The squares start at the picture's
// top-left corner, so they stay with the picture.
PlacedPicture PlacePicture(const StraightFrame& frame, int zoom, bool checkerboard, int controlWidth,
                           int controlHeight);

}  // namespace zandrel
