#include "formats/pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

namespace zandrel {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t DrawnColour(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return kOpaque | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

// Byte-wise so that the order is the same on every machine; compilers fuse these
// into single loads and stores.
std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

void StoreU32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
}

// Each index's colour, a word at a time. Kept out of line: where the compiler can see
// that the buffers are apart it vectorises the lookups into slower emulated gathers.
[[gnu::noinline]] void LookUp(ByteSpan indices, const DrawnColours& colours, std::uint8_t* out) {
    for (std::uint8_t index : indices) {
        StoreU32(out, colours[index]);
        out += 4;
    }
}

// Each pixel of `in` through `change`, a word at a time.
template <class Change>
void EachWord(ByteSpan in, std::span<std::uint8_t> out, Change change) {
    for (std::size_t i = 0; i + 4 <= in.size(); i += 4) StoreU32(out.data() + i, change(LoadU32(in.data() + i)));
}

// Where each channel of a 4-byte layout sits.
struct Channels {
    std::size_t blue, green, red, alpha;
};
constexpr Channels kSpriteChannels{1, 2, 3, 0};
constexpr Channels kTgaChannels{0, 1, 2, 3};
constexpr Channels kPngChannels{2, 1, 0, 3};

// True colour into blue, green, red and alpha (255 once laid over black), top row first.
template <PixelLayout To>
Picture<To> Upright(ByteSpan pixels, std::uint16_t width, std::uint16_t height, bool bottomUp, Channels from) {
    Picture<To> out{width, height, Bytes(std::size_t{width} * height * 4)};
    const std::size_t rowBytes = out.RowBytes();
    for (std::size_t k = 0; k < height; ++k) {
        const std::uint8_t* src = pixels.data() + k * rowBytes;
        std::uint8_t* dst = out.pixels.data() + (bottomUp ? height - 1 - k : k) * rowBytes;
        for (std::size_t x = 0; x < width; ++x, src += 4, dst += 4) {
            const std::uint8_t alpha = src[from.alpha];
            if constexpr (To == PixelLayout::Drawn) {
                dst[0] = Over(src[from.blue], 0, alpha);
                dst[1] = Over(src[from.green], 0, alpha);
                dst[2] = Over(src[from.red], 0, alpha);
                dst[3] = 0xFF;
            } else {
                dst[0] = src[from.blue];
                dst[1] = src[from.green];
                dst[2] = src[from.red];
                dst[3] = alpha;
            }
        }
    }
    return out;
}

}  // namespace

BmpColourTable ColourTableOf(const SprPalette& palette) {
    BmpColourTable table{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        table[4 * i] = palette[i].blue;
        table[4 * i + 1] = palette[i].green;
        table[4 * i + 2] = palette[i].red;
    }
    return table;
}

SprPalette PaletteOf(const BmpColourTable& table) {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    }
    return palette;
}

DrawnColours DrawnColoursOf(const SprPalette& palette) {
    DrawnColours colours{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        colours[i] = DrawnColour(palette[i].blue, palette[i].green, palette[i].red);
    }
    return colours;
}

DrawnColours DrawnColoursOf(const BmpColourTable& table) {
    DrawnColours colours{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        colours[i] = DrawnColour(table[4 * i], table[4 * i + 1], table[4 * i + 2]);
    }
    return colours;
}

DrawnPicture Drawn(const IndexedPicture& picture, const DrawnColours& colours) {
    DrawnPicture drawn{picture.width, picture.height, Bytes(picture.PixelCount() * DrawnPicture::kPixelBytes)};
    LookUp(ByteSpan(picture.pixels).first(std::min(picture.PixelCount(), picture.pixels.size())), colours,
           drawn.pixels.data());
    return drawn;
}

DrawnPicture Drawn(const SpriteColourPicture& picture) {
    return Upright<PixelLayout::Drawn>(picture.pixels, picture.width, picture.height, true, kSpriteChannels);
}

DrawnPicture Drawn(const TgaPicture& picture) {
    return Upright<PixelLayout::Drawn>(picture.pixels, picture.width, picture.height, true, kTgaChannels);
}

DrawnPicture Drawn(const PngColourPicture& picture) {
    return Upright<PixelLayout::Drawn>(picture.pixels, picture.width, picture.height, false, kPngChannels);
}

DrawnPicture Drawn(const SpriteFrame& frame, const SprPalette& palette) {
    if (const auto* indexed = std::get_if<IndexedPicture>(&frame)) return Drawn(*indexed, DrawnColoursOf(palette));
    return Drawn(std::get<SpriteColourPicture>(frame));
}

StraightPicture Straight(const IndexedPicture& picture, const SprPalette& palette, bool clearIndexZero) {
    StraightPicture straight{picture.width, picture.height, Bytes(picture.PixelCount() * StraightPicture::kPixelBytes)};
    const std::size_t count = std::min(picture.PixelCount(), picture.pixels.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t index = picture.pixels[i];
        const SprPaletteEntry& entry = palette[index];
        std::uint8_t* out = &straight.pixels[i * StraightPicture::kPixelBytes];
        out[0] = entry.blue;
        out[1] = entry.green;
        out[2] = entry.red;
        out[3] = clearIndexZero && index == 0 ? 0 : 0xFF;
    }
    return straight;
}

StraightPicture Straight(const SpriteColourPicture& picture) {
    if (!picture.IsWhole()) return {picture.width, picture.height, Bytes(picture.PixelCount() * 4)};
    return Upright<PixelLayout::Straight>(picture.pixels, picture.width, picture.height, true, kSpriteChannels);
}

StraightPicture Straight(DrawnPicture picture) { return {picture.width, picture.height, std::move(picture.pixels)}; }

void SpriteColourFromTga(ByteSpan in, std::span<std::uint8_t> out) {
    // As a little-endian word, A,B,G,R is B,G,R,A rotated by one byte.
    EachWord(in, out, [](std::uint32_t pixel) { return std::rotl(pixel, 8); });
}

void TgaColourFromSprite(ByteSpan in, std::span<std::uint8_t> out) {
    EachWord(in, out, [](std::uint32_t pixel) { return std::rotr(pixel, 8); });
}

void ReverseChannels(ByteSpan in, std::span<std::uint8_t> out) {
    EachWord(in, out, [](std::uint32_t pixel) {
        return (pixel >> 24) | ((pixel >> 8) & 0xFF00u) | ((pixel << 8) & 0xFF0000u) | (pixel << 24);
    });
}

void CopyRowsFlipped(ByteSpan in, std::size_t inStride, std::span<std::uint8_t> out, std::size_t outStride,
                     std::size_t rowBytes, std::size_t rows) {
    // A picture without pixels may have no storage at all.
    if (rows == 0 || rowBytes == 0) return;
    for (std::size_t k = 0; k < rows; ++k) {
        std::memcpy(out.data() + (rows - 1 - k) * outStride, in.data() + k * inStride, rowBytes);
    }
}

template <PixelLayout Layout>
Picture<Layout> ScaledNearest(const Picture<Layout>& picture, std::uint16_t width, std::uint16_t height) {
    constexpr std::size_t kBytes = Picture<Layout>::kPixelBytes;
    Picture<Layout> scaled{width, height, Bytes(std::size_t{width} * height * kBytes)};
    if (!picture.IsWhole() || picture.PixelCount() == 0) return scaled;
    std::vector<std::size_t> columns(width);
    for (std::size_t x = 0; x < width; ++x) columns[x] = x * picture.width / width * kBytes;
    std::uint8_t* to = scaled.pixels.data();
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.pixels.data() + y * picture.height / height * picture.RowBytes();
        for (const std::size_t column : columns) {
            std::memcpy(to, row + column, kBytes);
            to += kBytes;
        }
    }
    return scaled;
}

template IndexedPicture ScaledNearest(const IndexedPicture&, std::uint16_t, std::uint16_t);
template SpriteColourPicture ScaledNearest(const SpriteColourPicture&, std::uint16_t, std::uint16_t);

}  // namespace zandrel
