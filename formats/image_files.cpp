#include "formats/image_files.h"

#include <algorithm>
#include <cstring>

#include "formats/pixels.h"

namespace zandrel {
namespace {

std::int32_t GetI32(ByteSpan bytes, std::size_t offset) { return static_cast<std::int32_t>(GetU32(bytes, offset)); }

std::size_t ColourTableOffset(const Bmp8Headers& headers) {
    if (headers.biSize >= kBmpInfoHeaderBytes && headers.biSize <= kBmpLargestInfoHeader) {
        return kBmpFileHeaderBytes + headers.biSize;
    }
    return kBmpColourTableOffset;
}

}  // namespace

std::optional<Bmp8Headers> ReadBmp8Headers(ByteSpan file) {
    if (file.size() < kBmpHeadersBytes) return std::nullopt;
    Bmp8Headers h;
    h.bfType = GetU16(file, 0);
    h.bfSize = GetU32(file, 2);
    h.bfReserved1 = GetU16(file, 6);
    h.bfReserved2 = GetU16(file, 8);
    h.bfOffBits = GetU32(file, 10);
    h.biSize = GetU32(file, 14);
    h.biWidth = GetI32(file, 18);
    h.biHeight = GetI32(file, 22);
    h.biPlanes = GetU16(file, 26);
    h.biBitCount = GetU16(file, 28);
    h.biCompression = GetU32(file, 30);
    h.biSizeImage = GetU32(file, 34);
    h.biXPelsPerMeter = GetI32(file, 38);
    h.biYPelsPerMeter = GetI32(file, 42);
    h.biClrUsed = GetU32(file, 46);
    h.biClrImportant = GetU32(file, 50);
    return h;
}

BmpColourTable ReadBmp8ColourTable(ByteSpan file, const Bmp8Headers& headers) {
    BmpColourTable table{};
    const std::size_t offset = ColourTableOffset(headers);
    if (offset < file.size()) {
        const std::size_t available = std::min(kBmpColourTableBytes, file.size() - offset);
        std::memcpy(table.data(), file.data() + offset, available);
    }
    return table;
}

Bmp8Problem CheckBmp8(ByteSpan file, const Bmp8Headers& headers) {
    if (headers.bfType != kBmpType) return Bmp8Problem::NotBmp;
    if (headers.biCompression != kBmpCompressionNone) return Bmp8Problem::Compressed;
    if (headers.biBitCount != kBmpBitCount) return Bmp8Problem::NotEightBit;
    if (headers.biHeight < 0) return Bmp8Problem::TopDown;
    if (headers.biWidth <= 0 || headers.biHeight == 0) return Bmp8Problem::NoPixels;
    if (headers.biWidth > static_cast<std::int32_t>(kSprMaxField) ||
        headers.biHeight > static_cast<std::int32_t>(kSprMaxField)) {
        return Bmp8Problem::TooLarge;
    }
    if (ExceedsFramePixels(static_cast<std::uint32_t>(headers.biWidth), static_cast<std::uint32_t>(headers.biHeight))) {
        return Bmp8Problem::TooManyPixels;
    }
    // The last row needs its indices but not its padding.
    const std::uint64_t width = static_cast<std::uint32_t>(headers.biWidth);
    const std::uint64_t height = static_cast<std::uint32_t>(headers.biHeight);
    const std::uint64_t rows = BmpRowStride(static_cast<std::uint32_t>(width)) * (height - 1) + width;
    if (!FitsIn(file.size(), headers.bfOffBits, rows)) return Bmp8Problem::PixelsOutsideFile;
    return Bmp8Problem::None;
}

Bytes ReadBmp8Pixels(ByteSpan file, const Bmp8Headers& headers) {
    const std::size_t width = static_cast<std::uint32_t>(headers.biWidth);
    const std::size_t height = static_cast<std::uint32_t>(headers.biHeight);
    const std::size_t stride = BmpRowStride(static_cast<std::uint32_t>(width));
    Bytes indices(width * height);
    CopyRowsFlipped(file.subspan(headers.bfOffBits), stride, indices, width, width, height);
    return indices;
}

Bmp8Decoded DecodeBmp8(ByteSpan file) {
    Bmp8Decoded decoded;
    const std::optional<Bmp8Headers> headers = ReadBmp8Headers(file);
    if (!headers) {
        // A short file that does not even begin with "BM" is no BMP at all.
        const bool startsLikeBmp = file.size() >= 2 && GetU16(file, 0) == kBmpType;
        decoded.problem = startsLikeBmp ? Bmp8Problem::TooShort : Bmp8Problem::NotBmp;
        return decoded;
    }
    decoded.image.headers = *headers;
    decoded.problem = CheckBmp8(file, *headers);
    if (decoded.problem != Bmp8Problem::None) return decoded;
    decoded.image.colourTable = ReadBmp8ColourTable(file, *headers);
    decoded.image.width = static_cast<std::uint16_t>(headers->biWidth);
    decoded.image.height = static_cast<std::uint16_t>(headers->biHeight);
    decoded.image.indices = ReadBmp8Pixels(file, *headers);
    return decoded;
}

Bytes EncodeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette) {
    Bytes out;
    EncodeBmp8(width, height, indices, palette, out);
    return out;
}

void EncodeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette, Bytes& out) {
    const std::uint32_t stride = BmpRowStride(width);
    const std::uint32_t imageBytes = stride * height;
    out.clear();
    out.reserve(kBmpPixelOffset + imageBytes);
    PutU16(out, kBmpType);
    PutU32(out, kBmpPixelOffset + imageBytes);  // bfSize
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, kBmpPixelOffset);  // bfOffBits
    PutU32(out, kBmpInfoHeaderBytes);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, kBmpPlanes);
    PutU16(out, kBmpBitCount);
    PutU32(out, kBmpCompressionNone);
    PutU32(out, imageBytes);
    PutU32(out, kBmpResolution);
    PutU32(out, kBmpResolution);
    PutU32(out, kBmpColoursUsed);
    PutU32(out, kBmpColoursUsed);
    const BmpColourTable table = ColourTableOf(palette);
    out.insert(out.end(), table.begin(), table.end());

    // Frames are stored top row first; the BMP wants the bottom row first. The rows'
    // padding comes out zero from the resize.
    out.resize(kBmpPixelOffset + imageBytes);
    CopyRowsFlipped(indices, width, std::span(out).subspan(kBmpPixelOffset), stride, width, height);
}

std::optional<TgaSize> TestTga32Header(ByteSpan file) {
    if (file.size() < kTgaHeaderBytes) return std::nullopt;
    if (file[0] != 0 || file[1] != 0 || file[2] != kTgaImageTypeTrueColour) return std::nullopt;
    for (std::size_t i = 3; i < kTgaWidthOffset; ++i) {
        if (file[i] != 0) return std::nullopt;
    }
    const TgaSize size{GetU16(file, kTgaWidthOffset), GetU16(file, kTgaHeightOffset)};
    if (file[kTgaDepthOffset] != kTgaPixelDepth || file[kTgaDescriptorOffset] != kTgaDescriptor) return std::nullopt;
    return size;
}

Bytes ReadTga32Pixels(ByteSpan file, TgaSize size) {
    const std::size_t bytes = std::size_t{size.width} * size.height * 4;
    const ByteSpan pixels = file.subspan(kTgaHeaderBytes, bytes);
    return Bytes(pixels.begin(), pixels.end());
}

Tga32Decoded DecodeTga32(ByteSpan file) {
    Tga32Decoded decoded;
    const std::optional<TgaSize> size = TestTga32Header(file);
    if (!size) {
        decoded.problem = Tga32Problem::NotUncompressed32;
        return decoded;
    }
    decoded.size = *size;
    if (ExceedsFramePixels(size->width, size->height)) {
        decoded.problem = Tga32Problem::TooManyPixels;
        return decoded;
    }
    if (!FitsIn(file.size(), kTgaHeaderBytes, std::uint64_t{size->width} * size->height * 4)) {
        decoded.problem = Tga32Problem::PixelsOutsideFile;
        return decoded;
    }
    decoded.pixels = ReadTga32Pixels(file, *size);
    return decoded;
}

Bytes EncodeTga32(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels) {
    Bytes out;
    EncodeTga32(width, height, sprPixels, out);
    return out;
}

void EncodeTga32(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels, Bytes& out) {
    const std::size_t pixelBytes = std::size_t{width} * height * 4;
    out.clear();
    out.reserve(kTgaHeaderBytes + pixelBytes + kTgaFooterBytes);
    out.insert(out.end(), {0, 0, kTgaImageTypeTrueColour, 0, 0, 0, 0, 0});
    PutU16(out, 0);  // X origin
    PutU16(out, 0);  // Y origin
    PutU16(out, width);
    PutU16(out, height);
    PutU8(out, kTgaPixelDepth);
    PutU8(out, kTgaDescriptor);
    // Both keep the bottom row first, so only the bytes of each pixel move.
    out.resize(kTgaHeaderBytes + pixelBytes);
    TgaColourFromSprite(sprPixels.first(pixelBytes), std::span(out).subspan(kTgaHeaderBytes));
    PutU32(out, 0);  // extension area offset
    PutU32(out, 0);  // developer directory offset
    out.insert(out.end(), kTgaSignature.begin(), kTgaSignature.end());
}

}  // namespace zandrel
