#include "maker/source_preview.h"

#include <utility>

#include "formats/image_files.h"
#include "formats/png_files.h"
#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "os/file.h"

namespace zandrel {
namespace {

Refusal CannotShow(std::string text) { return {RefusalKind::Rule, std::move(text)}; }

// An indexed PNG with its colour table; any other laid over black like a TGA.
Result<DrawnPicture> DecodePngPreview(ByteSpan file, const std::string& path) {
    PngDecoded decoded = DecodePng(file);
    if (decoded.problem != PngProblem::None) return CannotShow(PngProblemText(decoded.problem, path));
    if (decoded.kind == PngKind::Indexed) {
        return Drawn(IndexedPicture{decoded.width, decoded.height, std::move(decoded.pixels)},
                     DrawnColoursOf(decoded.colourTable));
    }
    return Drawn(PngColourPicture{decoded.width, decoded.height, std::move(decoded.pixels)});
}

}  // namespace

Result<DrawnPicture> DecodePreview(const std::string& path) {
    const Bytes file = File::OpenRead(path).ReadAll();
    if (HasPngSignature(file)) return DecodePngPreview(file, path);
    if (file.size() >= 2 && GetU16(file, 0) == kBmpType) {
        Bmp8Decoded decoded = DecodeBmp8(file);
        if (decoded.problem != Bmp8Problem::None) {
            return CannotShow(BmpProblemText(decoded.problem, path, SourceReader::Preview));
        }
        Bmp8Image& image = decoded.image;
        return Drawn(IndexedPicture{image.width, image.height, std::move(image.indices)},
                     DrawnColoursOf(image.colourTable));
    }
    Tga32Decoded decoded = DecodeTga32(file);
    if (decoded.problem != Tga32Problem::None) return CannotShow(TgaProblemText(decoded.problem, path));
    return Drawn(TgaPicture{decoded.size.width, decoded.size.height, std::move(decoded.pixels)});
}

Result<DrawnPicture> DecodePreview(const BuildSource& source) {
    if (!source.frame) return DecodePreview(source.path);
    SpriteShelf shelf;
    Result<SpriteFrame> frame = ReadSpriteFrame(shelf, source);
    if (!frame) return CannotShow(std::move(frame.Refused().text));
    return Drawn(*frame, (*shelf.Open(source.path))->palette);
}

}  // namespace zandrel
