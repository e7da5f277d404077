#pragma once

// The sources of a sprite build, one reader for each kind of file behind the same two
// calls: a palettised source read into its indices, and a true-colour source written
// straight into the sprite as a frame record. Everything that can refuse a source is
// decided from its headers and its length before a pixel is read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/pixels.h"
#include "maker/sprite_writer.h"
#include "os/file.h"
#include "os/outcome.h"
#include "os/result.h"

namespace zandrel {

// Every refusal of the build ends what it set out to make.
inline Refusal Stop(std::string text) { return {RefusalKind::Failure, std::move(text)}; }

// Work buffers for reading and encoding a frame a piece at a time: never more than the
// frame's own pixels (give or take the smallest useful piece), and never large.
std::size_t WorkBytes(std::uint64_t frameBytes);

// The source at `path` opened for reading, or the refusal in `cannotOpenFormat`.
Result<File> OpenSource(const std::string& path, const char* cannotOpenFormat);

// A palettised source as the build takes it; its buffers are kept from one source to
// the next.
struct PalettisedSource {
    IndexedPicture picture;
    BmpColourTable colourTable{};             // read for the first source only
    std::optional<std::uint8_t> transparent;  // the index the source marks transparent, if it does
};

// A 256-colour BMP or an indexed PNG, by its name. `whole` is a buffer kept from one
// source to the next for reading small sources in one read.
Outcome ReadPalettisedSource(const std::string& path, bool withColourTable, PalettisedSource& source, Bytes& whole);
// A 32-bit TGA or a true-colour PNG, by its name, as the next frame record.
Outcome WriteTrueColourSource(const std::string& path, SpriteWriter& writer);

// The readers of each kind.
Outcome ReadBmpSource(const std::string& path, bool withColourTable, PalettisedSource& source, Bytes& whole);
Outcome ReadIndexedPngSource(const std::string& path, PalettisedSource& source);
Outcome WriteTgaSource(const std::string& path, SpriteWriter& writer);
Outcome WritePngTrueColourSource(const std::string& path, SpriteWriter& writer);

}  // namespace zandrel
