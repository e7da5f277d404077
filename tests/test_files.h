#pragma once

// Fixtures for the logic tests: a temporary folder, whole-file helpers, and sprites and
// images put together byte by byte.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/spr_file.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/result.h"

namespace zandrel::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Root() const { return m_strRoot; }
    // `name` may name a file in a subfolder ("a/b.bmp"); the path has the system's separators.
    std::string Path(const std::string& name) const;
    // Writes `bytes` to the file `name` in the folder; returns its path.
    std::string Write(const std::string& name, ByteSpan bytes) const;
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string m_strRoot;
};

// Why `action` failed in the file layer; None when it did not.
FileCause CauseOf(const auto& action) {
    try {
        action();
    } catch (const FileError& error) {
        return error.Cause();
    }
    return FileCause::None;
}

// The sentence that reports why `action` failed in the file layer; empty when it did not.
std::string MessageOf(const auto& action) {
    try {
        action();
    } catch (const FileError& error) {
        return DescribeFileError(error);
    }
    return {};
}

// Names of the entries in `folder`, sorted.
std::vector<std::string> EntriesOf(const std::string& folder);
Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, ByteSpan bytes);
bool Exists(const std::string& path);

// A palette whose every entry differs, with the reserved byte set too.
SprPalette DistinctPalette(std::uint8_t seed = 0);

struct TestFrame {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    // Palettised: indices, top row first. True-colour: A, B, G, R, bottom row first.
    Bytes pixels;
};

// The run-length form of `indices`, pixel by pixel, as the rule reads: a nonzero index
// is itself, zeros go in runs of at most 255. Independent of the program's encoder.
Bytes RleByHand(ByteSpan indices);

// A sprite file of the given kind: RLE frames are encoded here, by RleByHand.
Bytes MakeSprite(SprKind kind, const std::vector<TestFrame>& frames, const SprPalette& palette);

// Indices from a formula, with zero runs so that RLE has work to do.
// A palette with a few colours that are easy to find in a grab: entry 0 red 10, green
// 20, blue 30; entry 1 magenta; entry 2 green.
SprPalette MarkedPalette();
// A frame of one index all over.
TestFrame Filled(std::uint16_t width, std::uint16_t height, std::uint8_t index);

TestFrame PatternFrame(std::uint16_t width, std::uint16_t height, std::uint8_t seed = 1);
TestFrame TrueColourFrame(std::uint16_t width, std::uint16_t height, std::uint8_t seed = 1);

// An 8-bit BMP laid out field by field, as the export writes them: `indices` top row
// first, the palette as (blue, green, red, 0).
Bytes MakeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette);
// A bottom-up 8-bit BMP as paint programs write it, with the optional fields 0:
// `rows` top row first, each stored row padded to four bytes.
Bytes PaintedBmp8(int width, int height, const Bytes& rows, const SprPalette& palette, unsigned bitCount = 8);
// A 32-bit TGA from B, G, R, A pixels in stored order (bottom row first), no footer.
Bytes MakeTga32(std::uint16_t width, std::uint16_t height, ByteSpan bgra);

// What a frame's read or drawing gave: its size and pixels, or the refusal's text.
struct Seen {
    std::string refusal;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes pixels;
};
Seen SeenOf(const Result<SpriteFrame>& frame);
template <PixelLayout Layout>
Seen SeenOf(const Result<Picture<Layout>>& picture) {
    if (!picture) return {picture.Refused().text, 0, 0, {}};
    return {{}, picture->width, picture->height, picture->pixels};
}

}  // namespace zandrel::test
