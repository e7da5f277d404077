#pragma once

// One frame of a sprite read from its file: the record's pixels as stored, indices for
// palettised sprites (RLE ones decoded), alpha, blue, green, red bottom row first for
// true-colour ones. The readers of the viewer, the maker and the thumbnailer share it;
// each words the problems for its own users.

#include <cstdint>

#include "formats/byte_order.h"
#include "formats/byte_source.h"
#include "formats/pixels.h"
#include "formats/spr_file.h"

namespace zandrel {

enum class SprFrameProblem {
    None,
    OverPixelLimit,  // more than kMaxFramePixels: nothing is read
    RunPastFrame,    // the RLE data yields more indices than the frame holds
    ShortOfPixels,   // the RLE data ends before the frame is full
    MissingCount,    // the RLE data ends in a 0x00 without its count
};

// Frame `record` of a sprite of `kind` into `into`, whose pixel buffer is reused when it
// holds a frame of the same kind; `encoded` holds an RLE frame on its way. Indexing
// checked that the record lies inside the file.
SprFrameProblem SprReadFrame(ByteSource& source, SprKind kind, const SprFrameRecord& record, SpriteFrame& into,
                             Bytes& encoded);

}  // namespace zandrel
