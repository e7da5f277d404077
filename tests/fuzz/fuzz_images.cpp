// BMP and TGA files from arbitrary bytes: decoded and encoded again, shown by the
// maker's preview, built into a sprite that must hold the same picture, and that
// sprite's frame exported in every format and animated.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/png_files.h"
#include "maker/source_preview.h"
#include "maker/sprite_build.h"
#include "os/file.h"
#include "tests/fuzz/fuzz_support.h"
#include "viewer/sprite_model.h"

namespace {

using namespace zandrel;

SprPalette PaletteOf(const BmpColourTable& table) {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], table[4 * i + 3]};
    }
    return palette;
}

// The frame that a build of the one source `path` stores, or nothing to compare when
// the build refuses the source.
Result<SpriteFrame> BuiltFrame(const std::string& path, const fuzz::Scratch& scratch, SpriteModel& sprite) {
    const std::string built = scratch.Path("built.spr");
    if (!BuildSprite({path}, built).done) return Refusal{RefusalKind::Rule, "refused"};
    fuzz::Require(sprite.LoadSprite(built).text.empty() && sprite.FrameCount() == 1, "a built sprite loads");
    return sprite.ReadFrame(0);
}

void CheckBmp(ByteSpan bytes, const fuzz::Scratch& scratch) {
    const Bmp8Decoded decoded = DecodeBmp8(bytes);
    if (decoded.problem != Bmp8Problem::None) return;
    const std::string path = scratch.Put("in.bmp", bytes);
    const Bmp8Image& image = decoded.image;

    const SprPalette palette = PaletteOf(image.colourTable);
    const Bmp8Decoded again = DecodeBmp8(EncodeBmp8(image.width, image.height, image.indices, palette));
    fuzz::Require(again.problem == Bmp8Problem::None && again.image.indices == image.indices, "BMP pixels round-trip");

    SpriteModel sprite;
    const Result<SpriteFrame> frame = BuiltFrame(path, scratch, sprite);
    if (!frame) return;
    fuzz::Require(WidthOf(*frame) == image.width && HeightOf(*frame) == image.height, "a built BMP keeps its size");
    const std::uint8_t transparent = image.indices[0];
    fuzz::Require(PixelsOf(*frame) == fuzz::ExchangeTransparent(image.indices, transparent),
                  "a built BMP keeps its pixels");
    fuzz::Require(sprite.Palette() == fuzz::PaletteAfterBuild(palette, transparent), "a built BMP keeps its colours");
    fuzz::ExportEveryWay(sprite, scratch, 1);
}

void CheckTga(ByteSpan bytes, const fuzz::Scratch& scratch) {
    const Tga32Decoded decoded = DecodeTga32(bytes);
    if (decoded.problem != Tga32Problem::None) return;
    const std::string path = scratch.Put("in.tga", bytes);

    Bytes stored(decoded.pixels.size());
    SpriteColourFromTga(decoded.pixels, stored);
    const Tga32Decoded again = DecodeTga32(EncodeTga32(decoded.size.width, decoded.size.height, stored));
    fuzz::Require(again.problem == Tga32Problem::None && again.pixels == decoded.pixels, "TGA pixels round-trip");

    SpriteModel sprite;
    const Result<SpriteFrame> frame = BuiltFrame(path, scratch, sprite);
    if (!frame) return;
    fuzz::Require(WidthOf(*frame) == decoded.size.width && HeightOf(*frame) == decoded.size.height,
                  "a built TGA keeps its size");
    fuzz::Require(PixelsOf(*frame) == stored, "a built TGA keeps its pixels");
    fuzz::ExportEveryWay(sprite, scratch, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Scratch& scratch = fuzz::Scratch::Fresh();
    const ByteSpan bytes(data, size);
    try {
        // The preview tells the formats apart by their first bytes: the PNG signature,
        // "BM", anything else a TGA.
        const Result<DrawnPicture> preview = DecodePreview(scratch.Put("in", bytes));
        const bool png = HasPngSignature(bytes);
        const bool bmp = !png && size >= 2 && GetU16(bytes, 0) == kBmpType;

        const bool decodes = png   ? DecodePng(bytes).problem == PngProblem::None
                             : bmp ? DecodeBmp8(bytes).problem == Bmp8Problem::None
                                   : DecodeTga32(bytes).problem == Tga32Problem::None;
        fuzz::Require(static_cast<bool>(preview) == decodes, "the preview shows what decodes");
        fuzz::Require(!preview || preview->pixels.size() == preview->PixelCount() * 4, "a preview is whole");
        CheckBmp(bytes, scratch);
        CheckTga(bytes, scratch);
    } catch (const FileError&) {
        // Reported to the user as any other file error.
    }
    return 0;
}
