#pragma once

// Replacing the viewer's palette by the colours of a palette file of either layout,
// told apart by its length. Only the palette in memory changes; the sprite file is
// never written.

#include <string>

#include "formats/spr_file.h"
#include "os/outcome.h"
#include "palette/palette_convert.h"  // the filter of palette files

namespace zandrel {

inline constexpr const char* kPaletteLengthText = "调色板文件长度错误！应该为1024或1048个字节";

// Fills `palette` from the file at `path`; a file of another length than 1024 or 1048
// bytes is refused and leaves the palette as it was.
Outcome ImportPalette(const std::string& path, SprPalette& palette);

}  // namespace zandrel
