#pragma once

// Palette files on disk: writing the palette held in memory, and converting a file
// from one layout to the other.

#include <string>

#include "formats/palette_files.h"
#include "formats/spr_file.h"
#include "os/outcome.h"

namespace zandrel {

inline constexpr const char* kPaletteFileFilter = "调色板文件(*.pal)|*.pal||";
inline constexpr const char* kMicrosoftPaletteFilter = "Microsoft格式调色板文件(*.pal)|*.pal||";
inline constexpr const char* kVelmarkPaletteFilter = "Velmark格式调色板文件(*.pal)|*.pal||";
inline constexpr const char* kToMicrosoftDoneFormat =
    "Velmark格式的调色板文件%s转换到Microsoft格式的调色板文件%s完成。";
inline constexpr const char* kToVelmarkDoneFormat = "Microsoft格式的调色板文件%s转换到Velmark格式的调色板文件%s完成。";
inline constexpr const char* kPaletteSourceShortFormat = "调色板文件%s长度不足！应该至少有%d个字节";

// Writes the palette, every byte as held (reserved bytes included), in the layout.
void ExportPalette(const std::string& path, const SprPalette& palette, PaletteFileFormat format);

// Converts the source, taken to be in the other layout, into `target` at `destination`.
// The destination is written only when the conversion is complete; naming the source
// itself as the destination is a sharing violation and leaves the source intact.
Outcome ConvertPalette(const std::string& source, const std::string& destination, PaletteFileFormat target);

const char* ConvertFilterOf(PaletteFileFormat target);

}  // namespace zandrel
