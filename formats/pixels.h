#pragma once

// Pictures and every change of their pixels' layout: the byte order of a pixel, which
// row comes first, laying colour over a background, palettes as colour tables, and
// where a smaller picture sits centred in a larger one. The layout is part of a
// picture's type, so that no picture can be taken for one of another layout.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/spr_file.h"

namespace zandrel {

enum class PixelLayout {
    Indices,       // one palette index a pixel, top row first
    SpriteColour,  // alpha, blue, green, red; bottom row first: a true-colour sprite's frames
    TgaColour,     // blue, green, red, alpha; bottom row first: 32-bit TGA files
    PngColour,     // red, green, blue, alpha; top row first: PNG files
    Straight,      // blue, green, red, alpha, colour not yet weighted by alpha; top row first
    Drawn,         // blue, green, red, 255; top row first: what the screen shows
};

template <PixelLayout Layout>
struct Picture {
    static constexpr std::size_t kPixelBytes = Layout == PixelLayout::Indices ? 1 : 4;

    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes pixels;  // width * height * kPixelBytes

    std::size_t PixelCount() const { return std::size_t{width} * height; }
    std::size_t RowBytes() const { return std::size_t{width} * kPixelBytes; }
    // Whether `pixels` holds the whole picture.
    bool IsWhole() const { return pixels.size() >= PixelCount() * kPixelBytes; }
};

using IndexedPicture = Picture<PixelLayout::Indices>;
using SpriteColourPicture = Picture<PixelLayout::SpriteColour>;
using TgaPicture = Picture<PixelLayout::TgaColour>;
using PngColourPicture = Picture<PixelLayout::PngColour>;
using StraightPicture = Picture<PixelLayout::Straight>;
using DrawnPicture = Picture<PixelLayout::Drawn>;

// A sprite's frame as stored, by the sprite's kind: indices for palettised sprites,
// true-colour pixels for 32-bit ones.
using SpriteFrame = std::variant<IndexedPicture, SpriteColourPicture>;

inline std::uint16_t WidthOf(const SpriteFrame& frame) {
    return std::visit([](const auto& picture) { return picture.width; }, frame);
}
inline std::uint16_t HeightOf(const SpriteFrame& frame) {
    return std::visit([](const auto& picture) { return picture.height; }, frame);
}
inline const Bytes& PixelsOf(const SpriteFrame& frame) {
    return std::visit([](const auto& picture) -> const Bytes& { return picture.pixels; }, frame);
}

// Where a picture `inner` long starts when centred in `outer`: each half taken with
// the remainder dropped. Negative when the picture is the larger.
constexpr int CentredStart(int outer, int inner) { return outer / 2 - inner / 2; }

// `colour` laid over `background` by `alpha`, the integer part of the quotient.
constexpr std::uint8_t Over(unsigned colour, unsigned background, unsigned alpha) {
    return static_cast<std::uint8_t>((colour * alpha + background * (255u - alpha)) / 255u);
}

// A sprite palette as a BMP colour table (blue, green, red, 0 an entry), and back.
BmpColourTable ColourTableOf(const SprPalette& palette);
SprPalette PaletteOf(const BmpColourTable& table);

// Device colours for the 256 indices, alpha 255: a lookup table for drawing.
using DrawnColours = std::array<std::uint32_t, kPaletteEntries>;
DrawnColours DrawnColoursOf(const SprPalette& palette);
DrawnColours DrawnColoursOf(const BmpColourTable& table);

// Drawn for the screen: indices through the colours; true colour upright and laid over
// black, every colour becoming value * alpha / 255, rounded down.
DrawnPicture Drawn(const IndexedPicture& picture, const DrawnColours& colours);
DrawnPicture Drawn(const SpriteColourPicture& picture);
DrawnPicture Drawn(const TgaPicture& picture);
DrawnPicture Drawn(const PngColourPicture& picture);
// A sprite's frame, palettised ones through `palette`.
DrawnPicture Drawn(const SpriteFrame& frame, const SprPalette& palette);

// Ready to be laid over a background: indices looked up in the palette, every pixel
// opaque except index 0 when `clearIndexZero` is set; true colour upright; a drawn
// picture as it is.
StraightPicture Straight(const IndexedPicture& picture, const SprPalette& palette, bool clearIndexZero);
StraightPicture Straight(const SpriteColourPicture& picture);
StraightPicture Straight(DrawnPicture picture);

// `picture` scaled to `width` x `height` by nearest neighbour: each pixel takes the
// source pixel its position falls on. The layout, row order included, stays.
template <PixelLayout Layout>
Picture<Layout> ScaledNearest(const Picture<Layout>& picture, std::uint16_t width, std::uint16_t height);

// Pixel runs from one 4-byte order to another, position for position: alpha, blue,
// green, red and blue, green, red, alpha both ways; and reversed (alpha, blue, green,
// red and red, green, blue, alpha both ways).
void SpriteColourFromTga(ByteSpan in, std::span<std::uint8_t> out);
void TgaColourFromSprite(ByteSpan in, std::span<std::uint8_t> out);
void ReverseChannels(ByteSpan in, std::span<std::uint8_t> out);

// `rows` rows of `rowBytes` from `in` to `out` in the other order, the first row of
// one the last of the other; each side with its own stride, the bytes between rows of
// `out` left as they are.
void CopyRowsFlipped(ByteSpan in, std::size_t inStride, std::span<std::uint8_t> out, std::size_t outStride,
                     std::size_t rowBytes, std::size_t rows);

}  // namespace zandrel
