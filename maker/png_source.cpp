#include <utility>

#include "formats/png_files.h"
#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "maker/sprite_build.h"

namespace zandrel {
namespace {

// A PNG source whole, checked from its header before its pixels are decoded; the
// decoder's own limits keep what it allocates to what the pixels need.
Result<PngDecoded> ReadPngSource(const std::string& path, PngKind wanted) {
    Result<File> opened = OpenSource(path, kCannotOpenPngFormat);
    if (!opened) return std::move(opened.Refused());
    const Bytes bytes = opened->ReadAll();
    const PngHeader header = ReadPngHeader(bytes);
    if (header.problem != PngProblem::None) return Stop(PngProblemText(header.problem, path));
    if (header.kind != wanted) return Stop(kMixedKindsText);
    if (wanted == PngKind::Indexed && std::uint64_t{header.width} * header.height > SprMaxRlePixels(kSprMaxField)) {
        return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    }
    PngDecoded decoded = DecodePng(bytes);
    if (decoded.problem != PngProblem::None) return Stop(PngProblemText(decoded.problem, path));
    return decoded;
}

}  // namespace

Outcome ReadIndexedPngSource(const std::string& path, PalettisedSource& source) {
    Result<PngDecoded> read = ReadPngSource(path, PngKind::Indexed);
    if (!read) return std::move(read.Refused());
    PngDecoded& png = *read;
    source.picture = {png.width, png.height, std::move(png.pixels)};
    source.colourTable = png.colourTable;
    source.transparent = png.transparentIndex;
    return Outcome::Done();
}

// A true-colour PNG as a frame record: its rows, top row first in red, green, blue,
// alpha, turned into the sprite's bottom-up alpha, blue, green, red.
Outcome WritePngTrueColourSource(const std::string& path, SpriteWriter& writer) {
    Result<PngDecoded> read = ReadPngSource(path, PngKind::TrueColour);
    if (!read) return std::move(read.Refused());
    const PngDecoded& png = *read;
    const std::size_t rowBytes = std::size_t{png.width} * kSprTrueColourPixelBytes;
    writer.AppendFrameHead(png.width, png.height);
    for (std::size_t row = png.height; row-- > 0;) {
        const std::uint8_t* src = png.pixels.data() + row * rowBytes;
        Bytes& bytes = writer.Room(rowBytes);
        bytes.resize(bytes.size() + rowBytes);
        ReverseChannels(ByteSpan(src, rowBytes), std::span(bytes).last(rowBytes));
    }
    return Outcome::Done();
}

}  // namespace zandrel
