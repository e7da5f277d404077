#include "viewer/palette_import.h"

#include "os/file.h"

namespace zandrel {

Outcome ImportPalette(const std::string& path, SprPalette& palette) {
    const Result<LoadedPalette> read = ReadPaletteOf(File::OpenRead(path));
    if (!read) return read.Refused();
    palette = read->palette;
    return Outcome::Done();
}

}  // namespace zandrel
