#include "viewer/preview_view.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zandrel {
namespace {

constexpr std::size_t kPixelBytes = 4;
constexpr std::uint8_t kOpaque = 255;

}  // namespace

void ViewOptions::ZoomIn() { zoom = std::min(zoom + 1, kMaxZoom); }
void ViewOptions::ZoomOut() { zoom = std::max(zoom - 1, kMinZoom); }
void ViewOptions::Faster() { rate = std::min(rate * 2, kMaxRate); }
void ViewOptions::Slower() { rate = std::max(rate / 2, kMinRate); }

Result<StraightPicture> ReadPreviewFrame(const SpriteModel& sprite, std::size_t index, bool checkerboard) {
    if (!checkerboard) {
        Result<DrawnPicture> drawn = sprite.RenderFrame(index);
        if (!drawn) return std::move(drawn.Refused());
        return Straight(std::move(*drawn));
    }
    Result<SpriteFrame> read = sprite.ReadFrame(index);
    if (!read) return std::move(read.Refused());
    if (const auto* indexed = std::get_if<IndexedPicture>(&*read)) return Straight(*indexed, sprite.Palette(), true);
    return Straight(std::get<SpriteColourPicture>(*read));
}

int SteppedFrame(int current, int count, int step) {
    if (count <= 0) return current;
    const int moved = (current + step) % count;
    return moved < 0 ? moved + count : moved;
}

PlacedPicture PlacePicture(const StraightPicture& frame, int zoom, bool checkerboard, int controlWidth,
                           int controlHeight) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    PlacedPicture placed;
    if (frame.PixelCount() == 0 || !frame.IsWhole()) return placed;
    const int scaledWidth = frame.width * zoom;
    const int scaledHeight = frame.height * zoom;
    const int originX = CentredStart(controlWidth, scaledWidth);
    const int originY = CentredStart(controlHeight, scaledHeight);
    const int left = std::max(originX, 0);
    const int top = std::max(originY, 0);
    const int right = std::min(originX + scaledWidth, controlWidth);
    const int bottom = std::min(originY + scaledHeight, controlHeight);
    if (right <= left || bottom <= top) return placed;

    placed.x = left;
    placed.y = top;
    DrawnPicture& picture = placed.picture;
    picture.width = static_cast<std::uint16_t>(right - left);
    picture.height = static_cast<std::uint16_t>(bottom - top);
    picture.pixels.resize(picture.PixelCount() * kPixelBytes);

    // Which source column each column in view shows, worked out once for all rows.
    std::vector<std::size_t> sourceColumn(picture.width);
    for (int x = 0; x < picture.width; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] = static_cast<std::size_t>((left + x - originX) / zoom) * kPixelBytes;
    }
    const std::size_t sourceRowBytes = static_cast<std::size_t>(frame.width) * kPixelBytes;
    std::uint8_t* out = picture.pixels.data();
    for (int y = 0; y < picture.height; ++y) {
        const int pictureY = top + y - originY;
        const std::uint8_t* sourceRow = &frame.pixels[static_cast<std::size_t>(pictureY / zoom) * sourceRowBytes];
        const int squareRow = pictureY / kCheckerCell;
        for (int x = 0; x < picture.width; ++x, out += kPixelBytes) {
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
