#pragma once

// The maker's preview of the selected source: a BMP (told by its first two bytes
// "BM") with its colour table, or a TGA laid over black, drawn upright. A PNG (told by
// its signature) shows as the BMP when indexed, else as the TGA. A sprite's frame shows
// as the viewer shows it.

#include <string>

#include "formats/pixels.h"
#include "maker/sprite_build.h"
#include "os/result.h"

namespace zandrel {

// Reads and decodes the file at `path`, or refuses it with the reason; a file that
// cannot be read raises FileError.
Result<DrawnPicture> DecodePreview(const std::string& path);
Result<DrawnPicture> DecodePreview(const BuildSource& source);

}  // namespace zandrel
