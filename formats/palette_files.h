#pragma once

// Palette files: the sprite palette's 1024 bytes on their own.
//
//   Velmark layout    1024 bytes: 256 x (red, green, blue, reserved)
//   Microsoft layout  1048 bytes: "RIFF" 1040 "PAL " "data" 1028, version 0x0300,
//                     256 entries (u16 each), then the same 1024 bytes
//
// On reading, the length alone tells the layouts apart; the header is never examined.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "formats/byte_order.h"
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

enum class PaletteFileFormat { Velmark, Microsoft };

enum class PaletteReadResult { Loaded, WrongLength };

// The whole file in the given layout.
Bytes WritePaletteFile(const SprPalette& palette, PaletteFileFormat format);

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
