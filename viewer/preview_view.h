#pragma once

// How the viewer's preview shows a frame beyond drawing it unscaled: an integer zoom,
// a checkerboard behind transparent pixels, and the playback rate; which pixels of a
// frame the preview reads, and how they are placed. The dialog only reads keys and
// paints what comes back.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/pixels.h"
#include "formats/spr_file.h"
#include "os/result.h"
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

// Frame `index` of `sprite` as the preview shows it: with the checkerboard, the colours
// before they are laid over black, so that the squares show through transparency;
// without, drawn as the unscaled preview always has.
Result<StraightPicture> ReadPreviewFrame(const SpriteModel& sprite, std::size_t index, bool checkerboard);

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

}  // namespace zandrel
