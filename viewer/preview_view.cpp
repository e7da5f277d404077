#include "viewer/preview_view.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "os/outcome.h"

namespace zandrel {
namespace {

constexpr std::size_t kPixelBytes = 4;
constexpr std::uint8_t kOpaque = 255;

constexpr const char* kZoomFormat = "%d×";
constexpr const char* kShrinkFormat = "1/%d×";
constexpr const char* kIndexedPixelFormat = "(%d,%d) 索引 %d #%02X%02X%02X";
constexpr const char* kColourPixelFormat = "(%d,%d) #%02X%02X%02X 透明度 %d";

// Rounds towards minus infinity, so that the squares of the checkerboard keep their size
// left of and above the frame.
int FloorDiv(int value, int divisor) { return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor); }

// For every column (or row) of the cut picture: the offset of the frame pixel shown
// there, in pixels, or -1 where the layer does not reach.
std::vector<int> SourcesAlong(int start, int count, int layerStart, int layerSize, Scale scale) {
    std::vector<int> sources(static_cast<std::size_t>(count), -1);
    const int scaled = scale.Scaled(layerSize);
    for (int i = 0; i < count; ++i) {
        const int offset = start + i - layerStart;
        if (offset >= 0 && offset < scaled) sources[static_cast<std::size_t>(i)] = scale.SourceOf(offset);
    }
    return sources;
}

struct Span {
    int first = 0;
    int last = 0;  // one past
};

Span Covered(int start, int size, int control) { return {std::max(start, 0), std::min(start + size, control)}; }

// The frame alone, its top-left corner at (originX, originY): the common case, kept
// free of the layers' bookkeeping.
PlacedPicture PlaceFrame(const StraightPicture& frame, Scale scale, bool checkerboard, int originX, int originY,
                         int controlWidth, int controlHeight) {
    PlacedPicture placed;
    if (frame.PixelCount() == 0 || !frame.IsWhole()) return placed;
    const int scaledWidth = scale.Scaled(frame.width);
    const int scaledHeight = scale.Scaled(frame.height);
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
        sourceColumn[static_cast<std::size_t>(x)] =
            static_cast<std::size_t>(scale.SourceOf(left + x - originX)) * kPixelBytes;
    }
    const std::size_t sourceRowBytes = static_cast<std::size_t>(frame.width) * kPixelBytes;
    std::uint8_t* out = picture.pixels.data();
    for (int y = 0; y < picture.height; ++y) {
        const int pictureY = top + y - originY;
        const std::uint8_t* sourceRow =
            &frame.pixels[static_cast<std::size_t>(scale.SourceOf(pictureY)) * sourceRowBytes];
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

}  // namespace

Scale FitScale(int width, int height, int controlWidth, int controlHeight) {
    if (width <= 0 || height <= 0 || controlWidth <= 0 || controlHeight <= 0) return {};
    const int zoom = std::min(controlWidth / width, controlHeight / height);
    if (zoom >= 1) return {std::min(zoom, kMaxZoom), 1};
    Scale scale;
    for (scale.shrink = 2; scale.shrink < kMaxShrink; ++scale.shrink) {
        if (scale.Scaled(width) <= controlWidth && scale.Scaled(height) <= controlHeight) break;
    }
    return scale;
}

void ViewOptions::ZoomIn() {
    if (shrink > 1) {
        --shrink;
    } else {
        zoom = std::min(zoom + 1, kMaxZoom);
    }
}

void ViewOptions::ZoomOut() {
    if (shrink > 1) {
        shrink = std::min(shrink + 1, kMaxShrink);
    } else {
        zoom = std::max(zoom - 1, kMinZoom);
    }
}

std::string ViewOptions::ZoomText() const {
    return shrink > 1 ? FormatText(kShrinkFormat, shrink) : FormatText(kZoomFormat, zoom);
}

int OriginOf(int control, int scaled, int pan) {
    const int centred = CentredStart(control, scaled);
    if (scaled <= control) return centred;
    return std::clamp(centred + pan, control - scaled, 0);
}

int UsablePan(int control, int scaled, int pan) {
    return OriginOf(control, scaled, pan) - CentredStart(control, scaled);
}

void ViewOptions::Faster() { rate = std::min(rate * 2, kMaxRate); }
void ViewOptions::Slower() { rate = std::max(rate / 2, kMinRate); }

StraightPicture PreviewStraight(const SpriteFrame& frame, const SprPalette& palette, bool clearIndexZero) {
    if (const auto* indexed = std::get_if<IndexedPicture>(&frame)) return Straight(*indexed, palette, clearIndexZero);
    return Straight(std::get<SpriteColourPicture>(frame));
}

int SteppedFrame(int current, int count, int step) {
    if (count <= 0) return current;
    const int moved = (current + step) % count;
    return moved < 0 ? moved + count : moved;
}

PlacedPicture PlacePicture(const StraightPicture& frame, int zoom, bool checkerboard, int controlWidth,
                           int controlHeight) {
    const Scale scale{std::clamp(zoom, kMinZoom, kMaxZoom), 1};
    return PlaceFrame(frame, scale, checkerboard, CentredStart(controlWidth, scale.Scaled(frame.width)),
                      CentredStart(controlHeight, scale.Scaled(frame.height)), controlWidth, controlHeight);
}

PlacedScene PlaceScene(const Scene& scene, int controlWidth, int controlHeight) {
    PlacedScene placed;
    if (scene.faded.empty() && scene.marked == nullptr) {
        if (scene.frame.picture == nullptr) return placed;
        PlacedPicture alone = PlaceFrame(*scene.frame.picture, scene.scale, scene.checkerboard, scene.frame.x,
                                         scene.frame.y, controlWidth, controlHeight);
        return {alone.x, alone.y, std::move(alone.picture), false};
    }
    const Scale scale = scene.scale;
    // The union of the layers in view.
    Span across{controlWidth, 0};
    Span down{controlHeight, 0};
    std::vector<const Layer*> layers;
    for (const Layer& layer : scene.faded) layers.push_back(&layer);
    layers.push_back(&scene.frame);
    for (const Layer* layer : layers) {
        const StraightPicture* picture = layer->picture;
        if (picture == nullptr || picture->PixelCount() == 0 || !picture->IsWhole()) continue;
        const Span x = Covered(layer->x, scale.Scaled(picture->width), controlWidth);
        const Span y = Covered(layer->y, scale.Scaled(picture->height), controlHeight);
        if (x.last <= x.first || y.last <= y.first) continue;
        across = {std::min(across.first, x.first), std::max(across.last, x.last)};
        down = {std::min(down.first, y.first), std::max(down.last, y.last)};
    }
    if (across.last <= across.first || down.last <= down.first) return placed;

    placed.x = across.first;
    placed.y = down.first;
    DrawnPicture& out = placed.picture;
    out.width = static_cast<std::uint16_t>(across.last - across.first);
    out.height = static_cast<std::uint16_t>(down.last - down.first);
    out.pixels.assign(out.PixelCount() * kPixelBytes, 0);

    struct Along {
        const StraightPicture* picture;
        std::vector<int> columns;
        std::vector<int> rows;
        bool faded;
    };
    std::vector<Along> drawn;
    for (const Layer* layer : layers) {
        const StraightPicture* picture = layer->picture;
        if (picture == nullptr || picture->PixelCount() == 0 || !picture->IsWhole()) continue;
        drawn.push_back({picture, SourcesAlong(across.first, out.width, layer->x, picture->width, scale),
                         SourcesAlong(down.first, out.height, layer->y, picture->height, scale),
                         layer != &scene.frame});
    }
    const Layer& frame = scene.frame;
    const bool hasFrame = !drawn.empty() && !drawn.back().faded;
    const std::vector<std::uint8_t>* marked =
        hasFrame && scene.marked != nullptr && scene.marked->size() >= frame.picture->PixelCount() ? scene.marked
                                                                                                   : nullptr;
    // Whether the frame pixel shown at (column, row) of the cut picture is marked; false
    // outside the frame.
    const auto isMarked = [&](int column, int row) {
        if (column < 0 || row < 0 || column >= out.width || row >= out.height) return false;
        const int x = drawn.back().columns[static_cast<std::size_t>(column)];
        const int y = drawn.back().rows[static_cast<std::size_t>(row)];
        if (x < 0 || y < 0) return false;
        return (*marked)[static_cast<std::size_t>(y) * frame.picture->width + static_cast<std::size_t>(x)] != 0;
    };

    std::uint8_t* pixel = out.pixels.data();
    for (int row = 0; row < out.height; ++row) {
        const int squareRow = FloorDiv(down.first + row - frame.y, kCheckerCell);
        for (int column = 0; column < out.width; ++column, pixel += kPixelBytes) {
            bool covered = false;
            std::uint8_t background = 0;
            if (scene.checkerboard) {
                const int squareColumn = FloorDiv(across.first + column - frame.x, kCheckerCell);
                background = (squareRow + squareColumn) % 2 == 0 ? kCheckerLight : kCheckerDark;
            }
            std::uint8_t colour[3] = {background, background, background};
            for (const Along& layer : drawn) {
                const int x = layer.columns[static_cast<std::size_t>(column)];
                const int y = layer.rows[static_cast<std::size_t>(row)];
                if (x < 0 || y < 0) continue;
                covered = true;
                const std::uint8_t* in =
                    &layer.picture
                         ->pixels[(static_cast<std::size_t>(y) * layer.picture->width + static_cast<std::size_t>(x)) *
                                  kPixelBytes];
                const unsigned alpha = layer.faded ? in[3] * unsigned{kOnionOpacity} / 255u : in[3];
                for (int c = 0; c < 3; ++c) colour[c] = Over(in[c], colour[c], alpha);
            }
            if (!covered) {
                placed.gaps = true;
                continue;
            }
            if (marked != nullptr && isMarked(column, row) &&
                (!isMarked(column - 1, row) || !isMarked(column + 1, row) || !isMarked(column, row - 1) ||
                 !isMarked(column, row + 1))) {
                const std::uint8_t grey =
                    (across.first + column + down.first + row) % 2 == 0 ? kOutlineLight : kOutlineDark;
                colour[0] = colour[1] = colour[2] = grey;
            }
            pixel[0] = colour[0];
            pixel[1] = colour[1];
            pixel[2] = colour[2];
            pixel[3] = kOpaque;
        }
    }
    return placed;
}

std::vector<std::uint8_t> PixelsOfIndex(const IndexedPicture& frame, std::uint8_t index) {
    std::vector<std::uint8_t> marked(frame.PixelCount(), 0);
    const std::size_t count = std::min(frame.PixelCount(), frame.pixels.size());
    for (std::size_t i = 0; i < count; ++i) marked[i] = frame.pixels[i] == index ? 1 : 0;
    return marked;
}

std::optional<FramePoint> FramePointAt(int x, int y, int originX, int originY, Scale scale, int width, int height) {
    const int offsetX = x - originX;
    const int offsetY = y - originY;
    if (offsetX < 0 || offsetY < 0 || offsetX >= scale.Scaled(width) || offsetY >= scale.Scaled(height)) {
        return std::nullopt;
    }
    return FramePoint{scale.SourceOf(offsetX), scale.SourceOf(offsetY)};
}

std::string DescribePixel(const SpriteFrame& frame, const SprPalette& palette, FramePoint at) {
    const auto x = static_cast<std::size_t>(at.x);
    const auto y = static_cast<std::size_t>(at.y);
    if (const auto* indexed = std::get_if<IndexedPicture>(&frame)) {
        const std::size_t offset = y * indexed->width + x;
        if (offset >= indexed->pixels.size()) return {};
        const std::uint8_t index = indexed->pixels[offset];
        const SprPaletteEntry& entry = palette[index];
        return FormatText(kIndexedPixelFormat, at.x, at.y, index, entry.red, entry.green, entry.blue);
    }
    // Alpha, blue, green, red; rows are stored bottom-up.
    const auto& colour = std::get<SpriteColourPicture>(frame);
    const std::size_t offset = ((std::size_t{colour.height} - 1 - y) * colour.width + x) * kPixelBytes;
    if (y >= colour.height || offset + kPixelBytes > colour.pixels.size()) return {};
    const std::uint8_t* in = &colour.pixels[offset];
    return FormatText(kColourPixelFormat, at.x, at.y, in[3], in[2], in[1], in[0]);
}

}  // namespace zandrel
