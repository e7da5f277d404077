#pragma once

// The maker's preview of the selected source: a BMP (told by its first two bytes
// "BM") with its colour table, or a TGA laid over black, drawn upright. A PNG (told by
// its signature) shows as the BMP when indexed, else as the TGA.

#include <cstdint>
#include <string>

#include "formats/byte_order.h"

namespace zandrel {

struct PreviewImage {
    std::string problem;  // the refusal to show; empty when the picture is there
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes pixels;  // blue, green, red, 255 per pixel, top row first
};

// Reads and decodes the file at `path`; a file that cannot be read raises FileError.
PreviewImage DecodePreview(const std::string& path);

}  // namespace zandrel
