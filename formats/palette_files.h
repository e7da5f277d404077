#pragma once

// Palette files: the sprite palette's 1024 bytes on their own.
//
//   Velmark layout    1024 bytes: 256 x (red, green, blue, reserved)
//   Microsoft layout  1048 bytes: "RIFF" 1040 "PAL " "data" 1028, version 0x0300,
//                     256 entries (u16 each), then the same 1024 bytes
//
// On reading, the length alone tells the layouts apart; the header is never examined.
// The palettes of paint programs (formats/paint_palettes.h) are read and written
// beside them; a file of neither length is told by its content.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/byte_order.h"
#include "formats/paint_palettes.h"
#include "formats/spr_file.h"

namespace zandrel {

inline constexpr std::size_t kVelmarkPaletteFileBytes = kPaletteBytes;
inline constexpr std::size_t kRiffPaletteHeaderBytes = 24;
inline constexpr std::size_t kRiffPaletteFileBytes = kRiffPaletteHeaderBytes + kPaletteBytes;  // 1048
inline constexpr std::array<std::uint8_t, kRiffPaletteHeaderBytes> kRiffPaletteHeader{
    'R',  'I',  'F',  'F',  0x10, 0x04, 0x00, 0x00,  // chunk size 1040: file length - 8
    'P',  'A',  'L',  ' ',  'd',  'a',  't',  'a',   //
    0x04, 0x04, 0x00, 0x00,                          // data size 1028: 4 + 1024
    0x00, 0x03, 0x00, 0x01,                          // version 0x0300, 256 entries
};

inline constexpr std::size_t kRiffFormTypeOffset = 8;
inline constexpr std::size_t kRiffTagBytes = 4;
// How many of a file's first bytes tell which palette format it holds.
inline constexpr std::size_t kPaletteFormatHeadBytes = 16;
// The longest text palette taken: 256 colours with long names and comments fit many
// times over, and a larger file is refused before it is read.
inline constexpr std::uint64_t kMaxTextPaletteFileBytes = std::uint64_t{1} << 20;

// The two layouts of the game's tools, then the paint programs' palettes.
enum class PaletteFileFormat { Velmark, Microsoft, Jasc, Gimp, Act };

enum class PaletteReadResult { Loaded, WrongLength };

// The whole file in the given format; every byte of every entry in the two layouts,
// red, green and blue alone in the others. `name` is the GIMP palette's name.
Bytes WritePaletteFile(const SprPalette& palette, PaletteFileFormat format, std::string_view name = {});

// "RIFF" and the form type "PAL " where a RIFF palette has them.
bool BeginsAsRiffPalette(ByteSpan head);

// Which format a file holds, from its length and its first bytes (`head`, at most
// kPaletteFormatHeadBytes): 1024 and 1048 bytes are the two layouts whatever they hold,
// then a JASC or GIMP text by its first line, then 768 or 772 bytes an ACT table;
// nothing for any other file, and for a text palette longer than
// kMaxTextPaletteFileBytes.
std::optional<PaletteFileFormat> PaletteFileFormatOf(std::uint64_t length, ByteSpan head);

// A palette file of any format, told apart as above.
struct PaletteFileRead {
    std::optional<PaletteFileFormat> format;                  // nothing: a file of none of the formats
    PaintPaletteProblem problem = PaintPaletteProblem::None;  // how a paint palette failed
    std::size_t where = 0;                                    // the line or count at fault
    SprPalette palette{};                                     // complete only for a known format without a problem
    bool Loaded() const { return format && problem == PaintPaletteProblem::None; }
};
PaletteFileRead ReadAnyPaletteFile(ByteSpan file);

// Which layout a file of this length holds, if any.
std::optional<PaletteFileFormat> PaletteFileFormatOfLength(std::uint64_t length);

// Fills `palette` from a whole palette file; a file of any other length than 1024 or
// 1048 leaves it untouched.
PaletteReadResult ReadPaletteFile(ByteSpan file, SprPalette& palette);

// Where the 1024 palette bytes start in a source taken to be in the other layout than
// `target`, and how long the source must be to hold them.
std::size_t ConvertSourceOffset(PaletteFileFormat target);
std::size_t ConvertSourceMinBytes(PaletteFileFormat target);

// The destination file of a conversion, from a source taken to be in the other
// layout; nothing when the source is too short to hold a palette there. Bytes past
// the palette are ignored.
std::optional<Bytes> ConvertPaletteFile(ByteSpan source, PaletteFileFormat target);

}  // namespace zandrel
