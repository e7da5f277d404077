#include "viewer/palette_import.h"

#include "formats/palette_files.h"
#include "os/file.h"

namespace zandrel {

Outcome ImportPalette(const std::string& path, SprPalette& palette) {
    const File file = File::OpenRead(path);
    // The length decides before anything is read, so a large file costs nothing.
    if (!PaletteFileFormatOfLength(file.Length())) return Outcome::Refused(kPaletteLengthText);
    const Bytes bytes = file.ReadAll();
    if (ReadPaletteFile(bytes, palette) != PaletteReadResult::Loaded) return Outcome::Refused(kPaletteLengthText);
    return Outcome::Done();
}

}  // namespace zandrel
