#pragma once

// Palette files on disk: writing the palette held in memory, and converting a file
// from one format to another.

#include <string>

#include "formats/palette_files.h"
#include "formats/spr_file.h"
#include "os/outcome.h"

namespace zandrel {

inline constexpr const char* kPaletteFileFilter = "调色板文件(*.pal)|*.pal||";
// Opening a palette also offers the paint programs' files, after the filter above.
inline constexpr const char* kPaletteOpenFilter =
    "调色板文件(*.pal)|*.pal|画图程序调色板(*.pal;*.gpl;*.act)|*.pal;*.gpl;*.act||";
// Saving in a paint program's format: the filter chosen is the format written.
inline constexpr const char* kPaintPaletteSaveFilter =
    "JASC-PAL调色板(*.pal)|*.pal|GIMP调色板(*.gpl)|*.gpl|Adobe调色板(*.act)|*.act||";
inline constexpr const char* kMicrosoftPaletteFilter = "Microsoft格式调色板文件(*.pal)|*.pal||";
inline constexpr const char* kVelmarkPaletteFilter = "Velmark格式调色板文件(*.pal)|*.pal||";
// Filled with the source's format and path, then the destination's. Between the two
// layouts it reads "Velmark格式的调色板文件%s转换到Microsoft格式的调色板文件%s完成。" and
// "Microsoft格式的调色板文件%s转换到Velmark格式的调色板文件%s完成。".
inline constexpr const char* kConvertDoneFormat = "%s格式的调色板文件%s转换到%s格式的调色板文件%s完成。";
inline constexpr const char* kPaletteSourceShortFormat = "调色板文件%s长度不足！应该至少有%d个字节";
inline constexpr const char* kPaletteAlreadyInFormat = "调色板文件%s已经是%s格式的，不用转换。";

// Writes the palette in the format: every byte as held (reserved bytes included) in the
// two layouts; a GIMP palette is named after the file.
void ExportPalette(const std::string& path, const SprPalette& palette, PaletteFileFormat format);

// Whether the source can be converted into `target`, asked before the destination is
// chosen: a file already in that format, or one that cannot be read as a palette, is
// refused. A file that can be told (1024 bytes; "RIFF"…"PAL " and at least 1048 bytes;
// a paint program's palette) converts from what it is; any other is taken to be in the
// other layout than `target`, as the user's choice of direction says.
Outcome CheckPaletteConversion(const std::string& source, PaletteFileFormat target);

// Converts the source into `target` at `destination`, refusing what the check above
// refuses. The destination is written only when the conversion is complete; naming the
// source itself as the destination is a sharing violation and leaves the source intact.
Outcome ConvertPalette(const std::string& source, const std::string& destination, PaletteFileFormat target);

const char* ConvertFilterOf(PaletteFileFormat target);
// The format of the entry of kPaintPaletteSaveFilter counted from 0.
PaletteFileFormat PaintPaletteFormatOfFilter(std::size_t index);

}  // namespace zandrel
