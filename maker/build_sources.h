#pragma once

// The sources of a sprite build, one reader for each kind of file behind the same two
// calls: a palettised source read into its indices, and a true-colour source written
// straight into the sprite as a frame record. Everything that can refuse a source is
// decided from its headers and its length before a pixel is read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/spr_file.h"
#include "maker/sprite_build.h"
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

// The sprite whose frames are being read, opened once for all of them and held until
// another sprite is wanted or the build is about to put its output in place.
class SpriteShelf {
public:
    struct Sprite {
        std::string path;
        File file;
        SprHeader header;
        SprPalette palette{};
        std::vector<SprFrameRecord> frames;
    };

    // The sprite at `path`, indexed whole, or why it cannot be used.
    Result<const Sprite*> Open(const std::string& path);
    // Lets the sprite go, so that the output may replace it.
    void Close() { m_sprite.reset(); }

private:
    std::optional<Sprite> m_sprite;
};

// The kind of the sprite at `path`, from its header.
Result<SprKind> SpriteKind(const std::string& path);

// A 256-colour BMP, an indexed PNG or a palettised sprite's frame. `whole` is a buffer
// kept from one source to the next for reading small sources in one read.
Outcome ReadPalettisedSource(const BuildSource& from, bool withColourTable, SpriteShelf& shelf,
                             PalettisedSource& source, Bytes& whole);
// A 32-bit TGA, a true-colour PNG or a true-colour sprite's frame as the next frame record.
Outcome WriteTrueColourSource(const BuildSource& from, SpriteShelf& shelf, SpriteWriter& writer);

// The frame a source names, as its sprite stores it; the shelf holds the sprite after.
Result<SpriteFrame> ReadSpriteFrame(SpriteShelf& shelf, const BuildSource& source);
// A frame of a palettised sprite: its indices as stored, index 0 transparent, and its
// sprite's palette as the colour table.
Outcome ReadSpriteFrameSource(SpriteShelf& shelf, const BuildSource& source, PalettisedSource& read);
// A frame of a true-colour sprite as the next frame record, its bytes as stored.
Outcome WriteSpriteFrameSource(SpriteShelf& shelf, const BuildSource& source, SpriteWriter& writer);

// The readers of each kind.
Outcome ReadBmpSource(const std::string& path, bool withColourTable, PalettisedSource& source, Bytes& whole);
Outcome ReadIndexedPngSource(const std::string& path, PalettisedSource& source);
Outcome WriteTgaSource(const std::string& path, SpriteWriter& writer);
Outcome WritePngTrueColourSource(const std::string& path, SpriteWriter& writer);

}  // namespace zandrel
