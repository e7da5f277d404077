#pragma once

// Replacing the viewer's palette by the colours of a palette file: the two layouts,
// told apart by their length, and the paint programs' palettes, told apart by their
// content. Only the palette in memory changes; the sprite file is never written.

#include <string>

#include "formats/spr_file.h"
#include "os/outcome.h"
#include "palette/palette_convert.h"  // the filters of palette files
#include "palette/palette_read.h"     // the messages of a palette not taken

namespace zandrel {

// Fills `palette` from the file at `path`; a file that is not taken (of none of the
// formats, or a paint palette with a wrong line) leaves the palette as it was.
Outcome ImportPalette(const std::string& path, SprPalette& palette);

}  // namespace zandrel
