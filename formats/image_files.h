#pragma once

// The two image formats that frames travel in: the 8-bit BMP with a 256-entry colour
// table, and the uncompressed 32-bit TGA with alpha. Encoders produce whole files;
// decoders take whole files and check every field against the bytes really there.
//
// BMP as written (W x H, row stride S = W rounded up to a multiple of 4):
//   0     file header    "BM", bfSize = 1078 + H*S, 0, 0, bfOffBits = 1078
//   14    info header    40, W, H (positive: bottom row first), 1, 8, 0, H*S, 72, 72, 256, 256
//   54    colour table   256 x (blue, green, red, 0)
//   1078  pixels         H rows, bottom row first, each W indices then S-W zero bytes
//
// TGA as written:
//   0     header         0, 0, 2, 0 x 9, W u16, H u16, 32, 8 (alpha bits, bottom-left origin)
//   18    pixels         H rows, bottom row first, each pixel blue, green, red, alpha
//   end   footer         0 u32, 0 u32, "TRUEVISION-XFILE." 0

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/byte_order.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::uint16_t kBmpType = 0x4D42;  // "BM"
inline constexpr std::size_t kBmpFileHeaderBytes = 14;
inline constexpr std::size_t kBmpInfoHeaderBytes = 40;
inline constexpr std::size_t kBmpHeadersBytes = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
inline constexpr std::size_t kBmpColourTableOffset = 54;  // after 14 + 40 header bytes
inline constexpr std::size_t kBmpColourTableBytes = 1024;
inline constexpr std::uint32_t kBmpPixelOffset = 1078;  // 54 + 1024
inline constexpr std::uint16_t kBmpPlanes = 1;
inline constexpr std::uint16_t kBmpBitCount = 8;
inline constexpr std::uint32_t kBmpCompressionNone = 0;  // BI_RGB
inline constexpr std::uint32_t kBmpResolution = 72;
inline constexpr std::uint32_t kBmpColoursUsed = 256;
// Info headers that other writers use (V4: 108, V5: 124) are followed by the colour
// table just the same; a size outside this range is taken as the usual 40.
inline constexpr std::uint32_t kBmpLargestInfoHeader = 124;

inline constexpr std::size_t kTgaHeaderBytes = 18;
inline constexpr std::uint8_t kTgaImageTypeTrueColour = 2;
inline constexpr std::uint8_t kTgaPixelDepth = 32;
inline constexpr std::uint8_t kTgaDescriptor = 8;  // 8 alpha bits, origin bottom left
inline constexpr std::size_t kTgaWidthOffset = 12;
inline constexpr std::size_t kTgaHeightOffset = 14;
inline constexpr std::size_t kTgaDepthOffset = 16;
inline constexpr std::size_t kTgaDescriptorOffset = 17;
inline constexpr std::string_view kTgaSignature{"TRUEVISION-XFILE.\0", 18};
inline constexpr std::size_t kTgaFooterBytes = 8 + kTgaSignature.size();

using BmpColourTable = std::array<std::uint8_t, kBmpColourTableBytes>;  // blue, green, red, 0

constexpr std::uint32_t BmpRowStride(std::uint32_t width) { return (width + 3u) & ~3u; }

struct Bmp8Headers {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// One code per way a BMP can fail the reading rule, checked in this order.
enum class Bmp8Problem {
    None,
    TooShort,           // begins with "BM" but has fewer than the 54 header bytes
    NotBmp,             // bfType is not "BM" (or the file is too short to have one)
    Compressed,         // biCompression is not 0
    NotEightBit,        // biBitCount is not 8
    TopDown,            // negative biHeight
    NoPixels,           // width or height 0, or a negative width
    TooLarge,           // width or height beyond 65535, what a frame can hold
    TooManyPixels,      // more pixels than one frame may have (kMaxFramePixels)
    PixelsOutsideFile,  // the rows that bfOffBits and the size promise are not all there
};

struct Bmp8Image {
    Bmp8Headers headers;
    BmpColourTable colourTable{};
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes indices;  // width * height, top row first, no row padding
};

struct Bmp8Decoded {
    Bmp8Problem problem = Bmp8Problem::None;
    Bmp8Image image;  // complete only when problem is None
};

// Reads the 14 + 40 header bytes from offset 0; nothing when the file is shorter.
std::optional<Bmp8Headers> ReadBmp8Headers(ByteSpan file);
// The 1024 bytes that follow the info header; bytes the file does not have read as 0.
BmpColourTable ReadBmp8ColourTable(ByteSpan file, const Bmp8Headers& headers);
// Checks the fields of the reading rule against each other and the file.
Bmp8Problem CheckBmp8(ByteSpan file, const Bmp8Headers& headers);
// The rows from bfOffBits, first stored row to the bottom of the result. Only for
// headers that CheckBmp8 passed.
Bytes ReadBmp8Pixels(ByteSpan file, const Bmp8Headers& headers);
// All of the above in order.
Bmp8Decoded DecodeBmp8(ByteSpan file);

// The whole 8-bit BMP for a frame: `indices` top row first, the palette turned into
// (blue, green, red, 0) entries.
Bytes EncodeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette);
// The same into `out`, cleared first; its capacity is kept for the next frame.
void EncodeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette, Bytes& out);

struct TgaSize {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

enum class Tga32Problem {
    None,
    NotUncompressed32,  // the header test failed (or the file has no full header)
    TooManyPixels,      // more pixels than one frame may have (kMaxFramePixels)
    PixelsOutsideFile,  // fewer than width * height * 4 bytes follow the header
};

struct Tga32Decoded {
    Tga32Problem problem = Tga32Problem::None;
    TgaSize size;
    Bytes pixels;  // blue, green, red, alpha, rows in stored order (bottom row first)
};

// The header test, field by field: no identification field, no colour map, image
// type 2, zero colour map fields and origins, depth 32, descriptor exactly 8.
std::optional<TgaSize> TestTga32Header(ByteSpan file);
// width * height * 4 bytes from offset 18; only for sizes that fit the file.
Bytes ReadTga32Pixels(ByteSpan file, TgaSize size);
Tga32Decoded DecodeTga32(ByteSpan file);

// The whole 32-bit TGA for a true-colour frame given as stored in a sprite
// (alpha, blue, green, red; bottom row first).
Bytes EncodeTga32(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels);
// The same into `out`, cleared first; its capacity is kept for the next frame.
void EncodeTga32(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels, Bytes& out);

}  // namespace zandrel
