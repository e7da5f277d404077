#include "maker/source_preview.h"

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/png_files.h"
#include "maker/source_images.h"
#include "os/file.h"

namespace zandrel {

namespace {

// An indexed PNG with its colour table; any other laid over black like a TGA.
PreviewImage DecodePngPreview(ByteSpan file, const std::string& path) {
    PreviewImage preview;
    const PngDecoded decoded = DecodePng(file);
    if (decoded.problem != PngProblem::None) {
        preview.problem = PngProblemText(decoded.problem, path);
        return preview;
    }
    preview.width = decoded.width;
    preview.height = decoded.height;
    preview.pixels.resize(std::size_t{decoded.width} * decoded.height * kDrawnPixelBytes);
    if (decoded.kind == PngKind::Indexed) {
        DrawIndices(decoded.pixels, DrawnColoursOf(decoded.colourTable), preview.pixels);
        return preview;
    }
    for (std::size_t i = 0; i < preview.pixels.size(); i += kDrawnPixelBytes) {
        const std::uint8_t* rgba = decoded.pixels.data() + i;
        const unsigned alpha = rgba[3];
        preview.pixels[i] = static_cast<std::uint8_t>(rgba[2] * alpha / 255);
        preview.pixels[i + 1] = static_cast<std::uint8_t>(rgba[1] * alpha / 255);
        preview.pixels[i + 2] = static_cast<std::uint8_t>(rgba[0] * alpha / 255);
        preview.pixels[i + 3] = 255;
    }
    return preview;
}

}  // namespace

PreviewImage DecodePreview(const std::string& path) {
    const Bytes file = File::OpenRead(path).ReadAll();
    if (HasPngSignature(file)) return DecodePngPreview(file, path);
    PreviewImage preview;
    if (file.size() >= 2 && GetU16(file, 0) == kBmpType) {
        const Bmp8Decoded decoded = DecodeBmp8(file);
        if (decoded.problem != Bmp8Problem::None) {
            preview.problem = BmpProblemText(decoded.problem, path, SourceReader::Preview);
            return preview;
        }
        preview.width = decoded.image.width;
        preview.height = decoded.image.height;
        preview.pixels.resize(decoded.image.indices.size() * kDrawnPixelBytes);
        DrawIndices(decoded.image.indices, DrawnColoursOf(decoded.image.colourTable), preview.pixels);
        return preview;
    }

    const Tga32Decoded decoded = DecodeTga32(file);
    if (decoded.problem != Tga32Problem::None) {
        preview.problem = TgaProblemText(decoded.problem, path);
        return preview;
    }
    preview.width = decoded.size.width;
    preview.height = decoded.size.height;
    preview.pixels.resize(decoded.pixels.size());
    DrawOverBlack(decoded.pixels, preview.width, preview.height, TrueColourOrder::BlueGreenRedAlpha, preview.pixels);
    return preview;
}

}  // namespace zandrel
