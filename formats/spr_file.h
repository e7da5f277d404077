#pragma once

// The SPR sprite file: an 8-byte header, the frame records of one kind back to back,
// and a 1024-byte palette block that ends the file.
//
//   0        SprHeader   "SP", rleFlag, formatByte, indexedCount u16, trueColorCount u16
//   8        frames      palettised: width u16, height u16, [rleSize u16 when RLE], data
//                        true-colour: width u16, height u16, width*height*4 bytes (A,B,G,R)
//   len-1024 SprPalette  256 x (red, green, blue, reserved)
//
// Palettised rows run top row first; true-colour rows bottom row first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/byte_order.h"
#include "formats/byte_source.h"

namespace zandrel {

inline constexpr std::size_t kSprHeaderBytes = 8;
inline constexpr std::uint16_t kSprMagic = 0x5053;  // "SP" read as a little-endian u16
inline constexpr std::uint8_t kSprWrittenRleFlag = 1;
inline constexpr std::uint8_t kSprWrittenFormatByte = 2;
inline constexpr std::size_t kPaletteEntries = 256;
inline constexpr std::size_t kPaletteBytes = 1024;
inline constexpr std::size_t kSprFrameHeadBytes = 4;     // width, height
inline constexpr std::size_t kSprRleFrameHeadBytes = 6;  // width, height, rleSize
inline constexpr std::size_t kSprTrueColourPixelBytes = 4;
inline constexpr std::uint32_t kSprMaxField = 0xFFFF;  // widths, heights, counts, rleSize
inline constexpr std::uint8_t kRleMaxRun = 255;
// The most pixels one frame may have, wherever it comes from (a sprite, a BMP, a TGA or
// a PNG), checked before anything is allocated for it: 4096 x 4096, 64 MB as 32-bit
// pixels. It keeps what one command holds to a small multiple of one honest frame,
// where a header alone could otherwise ask for gigabytes (65535 x 65535 x 4 bytes).
inline constexpr std::uint64_t kMaxFramePixels = std::uint64_t{1} << 24;
constexpr bool ExceedsFramePixels(std::uint64_t width, std::uint64_t height) {
    return height != 0 && width > kMaxFramePixels / height;
}
// The smallest file that holds a header and a palette block: a sprite without frames.
inline constexpr std::uint64_t kSprMinFileBytes = kSprHeaderBytes + kPaletteBytes;

struct SprHeader {
    std::uint16_t magic = 0;
    std::uint8_t rleFlag = 0;
    std::uint8_t formatByte = 0;
    std::uint16_t indexedCount = 0;
    std::uint16_t trueColorCount = 0;
};

struct SprPaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t reserved = 0;
    friend bool operator==(const SprPaletteEntry&, const SprPaletteEntry&) = default;
};

using SprPalette = std::array<SprPaletteEntry, kPaletteEntries>;

enum class SprKind { Indexed256, Indexed256Rle, TrueColor32 };

SprHeader ParseSprHeader(std::span<const std::uint8_t, kSprHeaderBytes> bytes);
void AppendSprHeader(Bytes& out, const SprHeader& header);
// The header a writer puts in front of `count` frames of one kind; a file read back
// with it is of that kind (raw palettised frames get rleFlag 0).
SprHeader MakeWrittenSprHeader(SprKind kind, std::uint16_t count);

// A palettised file has indexedCount != 0; its trueColorCount is then ignored.
SprKind SprKindOf(const SprHeader& header);
std::uint16_t SprFrameCountOf(const SprHeader& header);

SprPalette ParseSprPalette(std::span<const std::uint8_t, kPaletteBytes> bytes);
// Copies every byte of every entry, the reserved byte included.
void AppendSprPalette(Bytes& out, const SprPalette& palette);

// The header at the start of a sprite file and the palette block at its end; the
// caller has made sure the file is long enough for the one it reads.
SprHeader ReadSprHeader(ByteSource& source);
SprPalette ReadSprPalette(ByteSource& source);

// Where one frame record lies in the file, as indexing found it.
struct SprFrameRecord {
    std::uint64_t offset = 0;  // start of the record
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint64_t dataOffset = 0;  // first byte after the record's head
    std::uint64_t dataBytes = 0;   // rleSize, width*height or width*height*4
};

enum class SprIndexProblem {
    None,
    TruncatedFrame,  // a record runs past the start of the palette block
    TooManyFrames,   // every record fits, but more than the caller can hold
};

struct SprFrameIndex {
    std::vector<SprFrameRecord> frames;  // the first records that lie wholly inside the file
    std::uint16_t declaredCount = 0;     // what the header says
    std::uint16_t completeCount = 0;     // records that lie wholly inside the file, kept or not
    SprIndexProblem problem = SprIndexProblem::None;
    std::uint64_t problemOffset = 0;  // record that did not fit
};

// Walks the frame records of the file's kind from offset 8, reading only their heads,
// and stops at the first record that would reach into the palette block. Keeps the
// first `maxFrames` records but walks every declared one, so that a damaged end is
// found in a file with more frames than the caller holds. A truncated file is
// reported as such whatever its count. Requires source.Length() >= kPaletteBytes; in a file
// of fewer than kSprMinFileBytes the header and the palette block overlap and no frame fits.
SprFrameIndex SprIndexFrames(ByteSource& source, const SprHeader& header, std::size_t maxFrames);

enum class RleProblem {
    None,
    RunPastFrame,   // the data yields more indices than the frame holds
    ShortOfPixels,  // the data ends before the frame is full
    MissingCount,   // the last byte is a 0x00 without its count
};

struct RleDecodeResult {
    RleProblem problem = RleProblem::None;
    std::size_t offset = 0;  // data offset at which the problem was found
};

// The most indices that `rleBytes` bytes of RLE data can stand for: a frame claiming
// more cannot decode, so nothing is allocated for it.
constexpr std::uint64_t SprMaxRlePixels(std::uint64_t rleBytes) { return rleBytes / 2 * kRleMaxRun + rleBytes % 2; }

// Expands RLE data into exactly indices.size() indices: a nonzero byte is one pixel,
// 0x00 and a count n is n pixels of index 0. Never writes past `indices`.
RleDecodeResult SprDecodeRle(ByteSpan data, std::span<std::uint8_t> indices);

// Appends the RLE form of `indices` to `out`; zero runs cross row ends and are cut at
// 255. The result is at most twice as long as the input.
void SprEncodeRle(ByteSpan indices, Bytes& out);
Bytes SprEncodeRle(ByteSpan indices);

}  // namespace zandrel
