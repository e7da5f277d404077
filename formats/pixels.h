#pragma once

// Pixel conversions shared by the frame export, the sprite preview and the source
// preview. Drawn pictures are 4 bytes a pixel in device order (blue, green, red,
// alpha = 255), top row first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::size_t kDrawnPixelBytes = 4;

// Device colours for the 256 indices, alpha 255: a lookup table for drawing.
using DrawnColours = std::array<std::uint32_t, kPaletteEntries>;
DrawnColours DrawnColoursOf(const SprPalette& palette);
DrawnColours DrawnColoursOf(const BmpColourTable& table);

// `indices` are width * height, top row first; `out` gets 4 bytes per index.
void DrawIndices(ByteSpan indices, const DrawnColours& colours, std::span<std::uint8_t> out);

// Byte order of the pixels of a true-colour source.
enum class TrueColourOrder {
    AlphaBlueGreenRed,  // sprite frames
    BlueGreenRedAlpha,  // TGA files
};

// Turns bottom-up stored rows upright and lays each pixel over black: every colour
// becomes value * alpha / 255, rounded down, and alpha becomes 255.
void DrawOverBlack(ByteSpan stored, std::uint16_t width, std::uint16_t height, TrueColourOrder order,
                   std::span<std::uint8_t> out);

// Rewrites pixels from one 4-byte order to the other, position for position.
void ReorderTrueColour(ByteSpan in, TrueColourOrder from, std::span<std::uint8_t> out);

}  // namespace zandrel
