#include "viewer/preview_view.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zandrel {
namespace {

constexpr std::size_t kPixelBytes = 4;
constexpr std::uint8_t kOpaque = 255;

std::size_t PixelCount(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Colour over background by alpha, the integer part of the quotient, as the unscaled
// preview lays true-colour pixels over black.
std::uint8_t Over(std::uint8_t colour, std::uint8_t background, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((colour * alpha + background * (kOpaque - alpha)) / kOpaque);
}

}  // namespace

void ViewOptions::ZoomIn() { zoom = std::min(zoom + 1, kMaxZoom); }
void ViewOptions::ZoomOut() { zoom = std::max(zoom - 1, kMinZoom); }
void ViewOptions::Faster() { rate = std::min(rate * 2, kMaxRate); }
void ViewOptions::Slower() { rate = std::max(rate / 2, kMinRate); }

PreviewFrame ReadPreviewFrame(const SpriteModel& sprite, std::size_t index, bool checkerboard) {
    PreviewFrame preview;
    if (!checkerboard) {
        DecodedFrame drawn = sprite.RenderFrame(index);
        if (!drawn.problem.empty()) return {std::move(drawn.problem), {}};
        preview.frame = StraightFromDrawn(std::move(drawn.pixels), drawn.width, drawn.height);
        return preview;
    }
    DecodedFrame read = sprite.ReadFrame(index);
    if (!read.problem.empty()) return {std::move(read.problem), {}};
    preview.frame = sprite.IsTrueColour() ? StraightFromTrueColour(read.pixels, read.width, read.height)
                                          : StraightFromIndices(read.pixels, read.width, read.height, sprite.Palette(), true);
    return preview;
}

int SteppedFrame(int current, int count, int step) {
    if (count <= 0) return current;
    const int moved = (current + step) % count;
    return moved < 0 ? moved + count : moved;
}

StraightFrame StraightFromIndices(const Bytes& indices, int width, int height, const SprPalette& palette,
                                  bool clearIndexZero) {
    StraightFrame frame{width, height, Bytes(PixelCount(width, height) * kPixelBytes)};
    const std::size_t count = std::min(PixelCount(width, height), indices.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t index = indices[i];
        const SprPaletteEntry& entry = palette[index];
        std::uint8_t* out = &frame.pixels[i * kPixelBytes];
        out[0] = entry.blue;
        out[1] = entry.green;
        out[2] = entry.red;
        out[3] = clearIndexZero && index == 0 ? 0 : kOpaque;
    }
    return frame;
}

StraightFrame StraightFromTrueColour(const Bytes& stored, int width, int height) {
    StraightFrame frame{width, height, Bytes(PixelCount(width, height) * kPixelBytes)};
    if (stored.size() < frame.pixels.size()) return frame;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kPixelBytes;
    for (int row = 0; row < height; ++row) {
        // The first stored row is the bottom of the picture.
        const std::uint8_t* in = &stored[static_cast<std::size_t>(height - 1 - row) * rowBytes];
        std::uint8_t* out = &frame.pixels[static_cast<std::size_t>(row) * rowBytes];
        for (int x = 0; x < width; ++x, in += kPixelBytes, out += kPixelBytes) {
            out[0] = in[1];
            out[1] = in[2];
            out[2] = in[3];
            out[3] = in[0];
        }
    }
    return frame;
}

StraightFrame StraightFromDrawn(Bytes drawn, int width, int height) {
    return StraightFrame{width, height, std::move(drawn)};
}

PlacedPicture PlacePicture(const StraightFrame& frame, int zoom, bool checkerboard, int controlWidth,
                           int controlHeight) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    PlacedPicture placed;
    if (frame.width <= 0 || frame.height <= 0 || frame.pixels.size() < PixelCount(frame.width, frame.height) * kPixelBytes) {
        return placed;
    }
    const int scaledWidth = frame.width * zoom;
    const int scaledHeight = frame.height * zoom;
    const int originX = controlWidth / 2 - scaledWidth / 2;
    const int originY = controlHeight / 2 - scaledHeight / 2;
    const int left = std::max(originX, 0);
    const int top = std::max(originY, 0);
    const int right = std::min(originX + scaledWidth, controlWidth);
    const int bottom = std::min(originY + scaledHeight, controlHeight);
    if (right <= left || bottom <= top) return placed;

    placed.x = left;
    placed.y = top;
    placed.width = right - left;
    placed.height = bottom - top;
    placed.pixels.resize(PixelCount(placed.width, placed.height) * kPixelBytes);

    // Which source column each column in view shows, worked out once for all rows.
    std::vector<std::size_t> sourceColumn(static_cast<std::size_t>(placed.width));
    for (int x = 0; x < placed.width; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] = static_cast<std::size_t>((left + x - originX) / zoom) * kPixelBytes;
    }
    const std::size_t sourceRowBytes = static_cast<std::size_t>(frame.width) * kPixelBytes;
    std::uint8_t* out = placed.pixels.data();
    for (int y = 0; y < placed.height; ++y) {
        const int pictureY = top + y - originY;
        const std::uint8_t* sourceRow = &frame.pixels[static_cast<std::size_t>(pictureY / zoom) * sourceRowBytes];
        const int squareRow = pictureY / kCheckerCell;
        for (int x = 0; x < placed.width; ++x, out += kPixelBytes) {
            const std::uint8_t* in = sourceRow + sourceColumn[static_cast<std::size_t>(x)];
            const std::uint8_t alpha = in[3];
            if (alpha == kOpaque) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            } else {
                std::uint8_t background = 0;
                if (checkerboard) {
                    const int squareColumn = (left + x - originX) / kCheckerCell;
                    background = (squareRow + squareColumn) % 2 == 0 ? kCheckerLight : kCheckerDark;
                }
                out[0] = Over(in[0], background, alpha);
                out[1] = Over(in[1], background, alpha);
                out[2] = Over(in[2], background, alpha);
            }
            out[3] = kOpaque;
        }
    }
    return placed;
}

}  // namespace zandrel
