#include "maker/source_preview.h"

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "maker/source_images.h"
#include "platform/file.h"

namespace zandrel {

PreviewImage DecodePreview(const std::string& path) {
    const Bytes file = File::OpenRead(path).ReadAll();
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
