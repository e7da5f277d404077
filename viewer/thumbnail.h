#pragma once

// The picture a file manager shows for a sprite: its first frame, index 0 transparent
// in palettised frames, scaled by nearest neighbour to fit a square, as a PNG. Only the
// header, the palette block and the first frame are read, however many frames follow.

#include <cstdint>
#include <string>

#include "formats/byte_order.h"
#include "os/outcome.h"
#include "os/result.h"

namespace zandrel {

inline constexpr std::uint16_t kDefaultThumbnailSize = 128;  // the file managers' "normal" size
inline constexpr const char* kNoFramesFormat = "%s没有帧，做不出缩略图!";

// The PNG of the sprite at `path` fitted into `size` x `size`, or why there is none;
// a file that cannot be read raises FileError.
Result<Bytes> SpriteThumbnail(const std::string& path, std::uint16_t size);

// The same written to `output` through the file layer; nothing is written when refused.
Outcome WriteSpriteThumbnail(const std::string& path, const std::string& output, std::uint16_t size);

}  // namespace zandrel
