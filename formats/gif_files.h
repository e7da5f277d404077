#pragma once

// Animated GIF out, through giflib; nothing else in the program sees that library.
//
// The file is a looping GIF89a on a fixed canvas with one global colour table (the
// sprite's 256 colours), index 0 transparent. Each frame is an image placed on the
// canvas, shown for the same delay and then cleared to the background (transparent)
// before the next.

#include <cstdint>
#include <memory>

#include "formats/byte_order.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::uint8_t kGifTransparentIndex = 0;

class AnimatedGifWriter {
public:
    // `delay` in hundredths of a second. The canvas is at least 1 x 1.
    AnimatedGifWriter(std::uint16_t canvasWidth, std::uint16_t canvasHeight, const SprPalette& palette,
                      std::uint16_t delay);
    ~AnimatedGifWriter();
    AnimatedGifWriter(const AnimatedGifWriter&) = delete;
    AnimatedGifWriter& operator=(const AnimatedGifWriter&) = delete;

    // `indices` width * height, top row first, placed with its top-left corner at
    // (left, top); it must lie on the canvas. A frame without pixels shows as an empty
    // canvas for its delay.
    void AddFrame(std::uint16_t left, std::uint16_t top, std::uint16_t width, std::uint16_t height, ByteSpan indices);

    // The bytes encoded since the last ClearWritten, for a caller that writes the file
    // as it grows instead of holding all of it; clearing keeps the buffer for the next.
    ByteSpan Written() const;
    void ClearWritten();

    // The rest of the file (all of it when nothing was cleared); the writer takes no
    // more frames.
    Bytes Finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace zandrel
