#include "formats/spr_frame.h"

#include <variant>

namespace zandrel {
namespace {

// The picture of the kind wanted, taking over the one `frame` holds (and its buffer)
// when it is of that kind already.
template <class Picture>
Picture& PictureIn(SpriteFrame& frame, const SprFrameRecord& record) {
    if (!std::holds_alternative<Picture>(frame)) frame.emplace<Picture>();
    auto& picture = std::get<Picture>(frame);
    picture.width = record.width;
    picture.height = record.height;
    return picture;
}

}  // namespace

SprFrameProblem SprReadFrame(ByteSource& source, SprKind kind, const SprFrameRecord& record, SpriteFrame& into,
                             Bytes& encoded) {
    if (ExceedsFramePixels(record.width, record.height)) return SprFrameProblem::OverPixelLimit;
    // Raw indices and true-colour pixels are used as stored.
    if (kind == SprKind::TrueColor32) {
        auto& frame = PictureIn<SpriteColourPicture>(into, record);
        frame.pixels.resize(static_cast<std::size_t>(record.dataBytes));
        source.ReadAt(record.dataOffset, frame.pixels);
        return SprFrameProblem::None;
    }
    // Too few bytes to stand for the frame: nothing is allocated for it.
    if (kind == SprKind::Indexed256Rle &&
        std::size_t{record.width} * record.height > SprMaxRlePixels(record.dataBytes)) {
        return SprFrameProblem::ShortOfPixels;
    }
    auto& frame = PictureIn<IndexedPicture>(into, record);
    if (kind == SprKind::Indexed256) {
        frame.pixels.resize(static_cast<std::size_t>(record.dataBytes));
        source.ReadAt(record.dataOffset, frame.pixels);
        return SprFrameProblem::None;
    }
    encoded.resize(static_cast<std::size_t>(record.dataBytes));
    source.ReadAt(record.dataOffset, encoded);
    // A sound frame's runs write every pixel, whatever the buffer held before.
    frame.pixels.resize(frame.PixelCount());
    switch (SprDecodeRle(encoded, frame.pixels).problem) {
        case RleProblem::None: return SprFrameProblem::None;
        case RleProblem::RunPastFrame: return SprFrameProblem::RunPastFrame;
        case RleProblem::ShortOfPixels: return SprFrameProblem::ShortOfPixels;
        case RleProblem::MissingCount: return SprFrameProblem::MissingCount;
    }
    return SprFrameProblem::None;
}

}  // namespace zandrel
