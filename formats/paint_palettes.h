#pragma once

// The palette files of paint programs: up to 256 colours, red, green and blue only.
//
//   JASC-PAL  text: "JASC-PAL", "0100", the count, then one "R G B" line per colour
//             (written with CR LF)
//   GIMP      text: "GIMP Palette", optional "Name:" and "Columns:" lines, comments
//             ("#...") and blank lines anywhere, then "R G B name" lines
//   Adobe ACT 768 bytes: 256 x (red, green, blue); or 772 bytes: the same, then the
//             number of colours used and the transparent index (u16 each, big-endian)
//
// Colours the file does not give are black; the reserved byte of every entry is 0.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/byte_order.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::string_view kJascPaletteMagic = "JASC-PAL";
inline constexpr std::string_view kJascPaletteVersion = "0100";
inline constexpr std::string_view kGimpPaletteMagic = "GIMP Palette";
inline constexpr std::string_view kGimpNameField = "Name:";
inline constexpr std::string_view kGimpColumnsField = "Columns:";
inline constexpr std::size_t kGimpWrittenColumns = 16;
inline constexpr std::size_t kActColourBytes = 3 * kPaletteEntries;         // 768
inline constexpr std::size_t kActFileBytes = kActColourBytes;               // without the tail
inline constexpr std::size_t kActFileWithCountBytes = kActColourBytes + 4;  // 772
inline constexpr std::size_t kActCountOffset = kActColourBytes;
inline constexpr std::size_t kActTransparentOffset = kActColourBytes + 2;
inline constexpr std::uint16_t kActWrittenTransparent = 0;  // index 0 is the sprites' transparent one

// One code per way a paint palette can fail.
enum class PaintPaletteProblem {
    None,
    BadLine,         // a line that is not what its place asks for
    TooManyColours,  // a JASC count or a GIMP colour beyond the 256th
    EndsEarly,       // a JASC file that ends before the colours its count promised
    BadActCount,     // the count of a 772-byte ACT is 0 or beyond 256
};

struct PaintPaletteRead {
    PaintPaletteProblem problem = PaintPaletteProblem::None;
    // Where it went wrong: the line counted from 1 (for EndsEarly the line that is
    // missing); for BadActCount the count found.
    std::size_t where = 0;
    std::size_t colours = 0;  // how many colours the file gave
    SprPalette palette{};     // complete only when problem is None
};

// Whether the first bytes of a file are those of a JASC or a GIMP palette (a UTF-8 byte
// order mark before them is allowed).
bool BeginsAsJascPalette(ByteSpan head);
bool BeginsAsGimpPalette(ByteSpan head);
constexpr bool IsActPaletteLength(std::uint64_t length) {
    return length == kActFileBytes || length == kActFileWithCountBytes;
}

PaintPaletteRead ReadJascPalette(ByteSpan file);
PaintPaletteRead ReadGimpPalette(ByteSpan file);
PaintPaletteRead ReadActPalette(ByteSpan file);

// The whole file, all 256 colours. `name` is the GIMP palette's Name line; line breaks
// in it become blanks, and an empty name leaves the line out.
Bytes WriteJascPalette(const SprPalette& palette);
Bytes WriteGimpPalette(const SprPalette& palette, std::string_view name);
Bytes WriteActPalette(const SprPalette& palette);

}  // namespace zandrel
