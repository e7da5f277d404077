#include "formats/pixels.h"

#include <bit>

namespace zandrel {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t Drawn(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return kOpaque | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

// Byte-wise so that the order is the same on every machine; compilers fuse these
// into single loads and stores.
std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

void StoreU32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace

DrawnColours DrawnColoursOf(const SprPalette& palette) {
    DrawnColours colours{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        colours[i] = Drawn(palette[i].blue, palette[i].green, palette[i].red);
    }
    return colours;
}

DrawnColours DrawnColoursOf(const BmpColourTable& table) {
    DrawnColours colours{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        colours[i] = Drawn(table[4 * i], table[4 * i + 1], table[4 * i + 2]);
    }
    return colours;
}

void DrawIndices(ByteSpan indices, const DrawnColours& colours, std::span<std::uint8_t> out) {
    std::uint8_t* dst = out.data();
    for (std::uint8_t index : indices) {
        StoreU32(dst, colours[index]);
        dst += kDrawnPixelBytes;
    }
}

void DrawOverBlack(ByteSpan stored, std::uint16_t width, std::uint16_t height, TrueColourOrder order,
                   std::span<std::uint8_t> out) {
    const std::size_t rowBytes = std::size_t{width} * 4;
    const bool alphaFirst = order == TrueColourOrder::AlphaBlueGreenRed;
    for (std::size_t k = 0; k < height; ++k) {
        const std::uint8_t* src = stored.data() + k * rowBytes;
        std::uint8_t* dst = out.data() + (height - 1 - k) * rowBytes;
        for (std::size_t x = 0; x < width; ++x, src += 4, dst += 4) {
            const unsigned alpha = alphaFirst ? src[0] : src[3];
            const std::uint8_t* bgr = alphaFirst ? src + 1 : src;
            dst[0] = static_cast<std::uint8_t>(bgr[0] * alpha / 255);
            dst[1] = static_cast<std::uint8_t>(bgr[1] * alpha / 255);
            dst[2] = static_cast<std::uint8_t>(bgr[2] * alpha / 255);
            dst[3] = 0xFF;
        }
    }
}

void ReorderTrueColour(ByteSpan in, TrueColourOrder from, std::span<std::uint8_t> out) {
    // As a little-endian word an A,B,G,R pixel is B,G,R,A rotated by one byte.
    const bool alphaFirst = from == TrueColourOrder::AlphaBlueGreenRed;
    for (std::size_t i = 0; i + 4 <= in.size(); i += 4) {
        const std::uint32_t pixel = LoadU32(in.data() + i);
        StoreU32(out.data() + i, alphaFirst ? std::rotr(pixel, 8) : std::rotl(pixel, 8));
    }
}

}  // namespace zandrel
