#include <algorithm>
#include <array>

#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "maker/sprite_build.h"

namespace zandrel {

// A TGA as a frame record: width, height and the pixels moved from the
// TGA's blue, green, red, alpha to the sprite's alpha, blue, green, red. Both store the
// bottom row first, so no row moves.
Outcome WriteTgaSource(const std::string& path, SpriteWriter& writer) {
    Result<File> opened = OpenSource(path, kCannotOpenTgaFormat);
    if (!opened) return std::move(opened.Refused());
    const File& file = *opened;

    std::array<std::uint8_t, kTgaHeaderBytes> headBytes{};
    const std::span head =
        std::span(headBytes).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kTgaHeaderBytes)));
    file.ReadAt(0, head);
    const std::optional<TgaSize> size = TestTga32Header(head);
    if (!size) return Stop(TgaProblemText(Tga32Problem::NotUncompressed32, path));
    if (ExceedsFramePixels(size->width, size->height)) return Stop(TgaProblemText(Tga32Problem::TooManyPixels, path));
    const std::uint64_t pixelBytes = std::uint64_t{size->width} * size->height * kSprTrueColourPixelBytes;
    if (!FitsIn(file.Length(), kTgaHeaderBytes, pixelBytes)) {
        return Stop(TgaProblemText(Tga32Problem::PixelsOutsideFile, path));
    }

    writer.AppendFrameHead(size->width, size->height);
    Bytes work(WorkBytes(pixelBytes) / kSprTrueColourPixelBytes * kSprTrueColourPixelBytes);
    for (std::uint64_t done = 0; done < pixelBytes; done += work.size()) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(work.size(), pixelBytes - done));
        file.ReadAt(kTgaHeaderBytes + done, std::span(work).first(piece));
        Bytes& bytes = writer.Room(piece);
        bytes.resize(bytes.size() + piece);
        SpriteColourFromTga(std::span(work).first(piece), std::span(bytes).last(piece));
    }
    return Outcome::Done();
}

}  // namespace zandrel
