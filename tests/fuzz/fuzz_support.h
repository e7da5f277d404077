#pragma once

// What the fuzz targets share: a scratch folder on a memory file system for the tools
// that work on files, and the check that stops the run on a broken promise.

#include <cstdint>
#include <string>

#include "formats/byte_order.h"
#include "formats/spr_file.h"

namespace zandrel {
class SpriteModel;
}

namespace zandrel::fuzz {

// Stops the run, naming the promise, when `holds` is false.
void Require(bool holds, const char* promise);

// One folder per process, emptied for every input.
class Scratch {
public:
    // The folder, emptied of what the previous input left.
    static Scratch& Fresh();
    std::string Path(const std::string& name) const { return m_strRoot + "/" + name; }
    // Writes `bytes` to the file `name` and returns its path.
    std::string Put(const std::string& name, ByteSpan bytes) const;

private:
    Scratch();
    std::string m_strRoot;
};

Bytes ReadWhole(const std::string& path);

// The palette of a build from BMP sources whose first has the transparent index
// `transparent`: entries 0 and `transparent` change places, reserved bytes become 0.
SprPalette PaletteAfterBuild(const SprPalette& table, std::uint8_t transparent);
// Indices with 0 and `transparent` exchanged, as the build stores a BMP's pixels.
Bytes ExchangeTransparent(ByteSpan indices, std::uint8_t transparent);

// The first `frames` frames of a loaded sprite written in every format the program
// writes (its own, and PNG) and the sprite animated: each is written, or refused for a
// reason the sprite shows (a damaged frame, a PNG of no pixels, a true-colour GIF).
// Written PNGs decode to the frame's pixels.
void ExportEveryWay(const SpriteModel& sprite, const Scratch& scratch, std::size_t frames);

}  // namespace zandrel::fuzz
