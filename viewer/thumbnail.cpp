#include "viewer/thumbnail.h"

#include <algorithm>
#include <variant>

#include "formats/png_files.h"
#include "formats/spr_file.h"
#include "os/file.h"
#include "os/paths.h"
#include "viewer/sprite_model.h"

namespace zandrel {
namespace {

using FileSource = ReaderSource<File>;

// The larger side becomes `size`, the other keeps the frame's proportions (at least 1).
std::uint16_t FittedSide(std::uint16_t side, std::uint16_t larger, std::uint16_t size) {
    return static_cast<std::uint16_t>(std::max<std::uint32_t>(1, std::uint32_t{side} * size / larger));
}

}  // namespace

Result<Bytes> SpriteThumbnail(const std::string& path, std::uint16_t size) {
    const File file = File::OpenRead(path);
    if (file.Length() < kSprMinFileBytes) {
        const auto length = static_cast<unsigned long long>(file.Length());
        return Refusal{RefusalKind::Rule, FormatText(kSprTooShortFormat, path.c_str(), length)};
    }
    FileSource source(file);
    SprHeader header = ReadSprHeader(source);
    if (header.magic != kSprMagic) return Refusal{RefusalKind::Rule, kSprFormatErrorText};
    const int declared = SprFrameCountOf(header);
    if (declared == 0) return Refusal{RefusalKind::Rule, FormatText(kNoFramesFormat, path.c_str())};

    // The first record alone: the header as if it held one frame.
    (header.indexedCount != 0 ? header.indexedCount : header.trueColorCount) = 1;
    const SprFrameIndex index = SprIndexFrames(source, header, 1);
    if (index.frames.empty()) {
        return Refusal{RefusalKind::Rule, FormatText(kSprNoFrameCompleteFormat, path.c_str(), declared)};
    }
    const SprKind kind = SprKindOf(header);
    Result<SpriteFrame> frame = ReadSprFrame(source, kind, index.frames.front(), path,
                                             FormatFrameFileName(FileTitleOf(path), 0, kind == SprKind::TrueColor32));
    if (!frame) return std::move(frame.Refused());

    const std::uint16_t width = WidthOf(*frame);
    const std::uint16_t height = HeightOf(*frame);
    if (width == 0 || height == 0) return Refusal{RefusalKind::Rule, FormatText(kNoFramesFormat, path.c_str())};
    const std::uint16_t larger = std::max(width, height);
    const std::uint16_t fittedWidth = FittedSide(width, larger, size);
    const std::uint16_t fittedHeight = FittedSide(height, larger, size);
    if (const auto* indices = std::get_if<IndexedPicture>(&*frame)) {
        const IndexedPicture scaled = ScaledNearest(*indices, fittedWidth, fittedHeight);
        return EncodePngIndexed(scaled.width, scaled.height, scaled.pixels, ReadSprPalette(source));
    }
    const SpriteColourPicture scaled = ScaledNearest(std::get<SpriteColourPicture>(*frame), fittedWidth, fittedHeight);
    return EncodePngRgba(scaled.width, scaled.height, scaled.pixels);
}

Outcome WriteSpriteThumbnail(const std::string& path, const std::string& output, std::uint16_t size) {
    Result<Bytes> png = SpriteThumbnail(path, size);
    if (!png) return std::move(png.Refused());
    WriteWholeFile(output, *png);
    return Outcome::Done();
}

}  // namespace zandrel
