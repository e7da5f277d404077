#pragma once

// PNG files in and out, through libspng; nothing else in the program sees that library.
//
// Written: a palettised frame as an 8-bit indexed PNG with all 256 palette entries and a
// tRNS chunk that makes index 0 fully transparent; a true-colour frame as an 8-bit RGBA
// PNG with the frame's own alpha, top row first.
//
// Read: an indexed PNG of any bit depth gives indices (one byte each), its colour table
// and the index its tRNS marks fully transparent; every other PNG (RGB, RGBA, grey, grey
// with alpha, 16 bits a channel, interlaced or not) gives 8-bit RGBA pixels. Ancillary
// chunks other than tRNS are skipped unread, however many there are; only the image
// data and the chunks it needs can make a file damaged.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::size_t kPngSignatureBytes = 8;
inline constexpr std::size_t kPngHeaderBytes = 33;  // the signature and the IHDR chunk

enum class PngKind { Indexed, TrueColour };

enum class PngProblem {
    None,
    NotPng,         // no PNG signature, or no sound IHDR chunk behind it
    NoPixels,       // width or height 0
    TooLarge,       // width or height beyond 65535, what a frame can hold
    TooManyPixels,  // more pixels than one frame may have (kMaxFramePixels)
    Damaged,        // a chunk, checksum or the compressed pixels are broken or missing
};

struct PngHeader {
    PngProblem problem = PngProblem::None;
    PngKind kind = PngKind::TrueColour;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

struct PngDecoded {
    PngProblem problem = PngProblem::None;
    PngKind kind = PngKind::TrueColour;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes pixels;                  // Indexed: one index a pixel; TrueColour: red, green, blue, alpha; top row first
    BmpColourTable colourTable{};  // Indexed: blue, green, red, 0 per entry; entries the file lacks are black
    std::optional<std::uint8_t> transparentIndex;  // Indexed: the first entry tRNS makes fully transparent
};

// Does the file begin with the eight bytes every PNG begins with?
bool HasPngSignature(ByteSpan file);
// The signature and the IHDR chunk only: what kind of source the file is, and its size.
PngHeader ReadPngHeader(ByteSpan file);
PngDecoded DecodePng(ByteSpan whole);

// `indices` width * height, top row first.
Bytes EncodePngIndexed(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette);
// `sprPixels` as a true-colour sprite stores them: alpha, blue, green, red; bottom row first.
Bytes EncodePngRgba(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels);

// The same into `out`, which is cleared first and keeps its capacity: a caller that
// encodes frame after frame into one buffer, on one thread, with a PngEncoderMemory in
// place, allocates nothing once the buffer and the encoder's memory have grown to the
// largest frame.
void EncodePngIndexed(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette,
                      Bytes& out);
void EncodePngRgba(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels, Bytes& out);

// While one lives, the PNG encoder on the thread that made it keeps its memory from one
// image to the next instead of handing it back to the C library after each; it is freed
// with this. Made, used and ended on one thread; one made while another is in place on
// the thread leaves the memory to that one.
class PngEncoderMemory {
public:
    PngEncoderMemory();
    ~PngEncoderMemory();
    PngEncoderMemory(const PngEncoderMemory&) = delete;
    PngEncoderMemory& operator=(const PngEncoderMemory&) = delete;

    class Blocks;

private:
    std::unique_ptr<Blocks> m_blocks;  // null when another was in place
};

}  // namespace zandrel
