#pragma once

// Reading a palette file of any format the program knows, with the message that tells
// the user why a file was not taken. The viewer's import, the converter and the
// command line all read palettes through here.

#include <string>

#include "formats/palette_files.h"
#include "formats/spr_file.h"
#include "os/file.h"
#include "os/result.h"

namespace zandrel {

// A file of none of the formats keeps the message of the two layouts.
inline constexpr const char* kPaletteLengthText = "调色板文件长度错误！应该为1024或1048个字节";
inline constexpr const char* kPaletteBadLineFormat = "调色板文件%s第%d行格式错误！";
inline constexpr const char* kPaletteTooManyColoursFormat = "调色板文件%s第%d行超出了256种颜色！";
inline constexpr const char* kPaletteEndsEarlyFormat = "调色板文件%s到第%d行就结束了，颜色数不够！";
inline constexpr const char* kActPaletteCountFormat = "调色板文件%s的颜色数%d错误！应该为1到256";

// The name a format goes by in the program's messages.
const char* PaletteFormatName(PaletteFileFormat format);

struct LoadedPalette {
    PaletteFileFormat format = PaletteFileFormat::Velmark;
    SprPalette palette{};
};

// Reads the palette of the open file, told apart by its length and first bytes. A file
// of another length than 1024 or 1048 bytes is read whole only when its first bytes
// name a text palette or its length is that of an ACT table, so a large file of no
// format costs nothing.
Result<LoadedPalette> ReadPaletteOf(const File& file);

// The refusal of a paint palette that ReadAnyPaletteFile did not take.
Refusal PaletteProblemOf(const PaletteFileRead& read, const std::string& path);

}  // namespace zandrel
