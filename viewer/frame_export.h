#pragma once

// Export of frames as image files: palettised frames as 8-bit BMP files with the
// viewer's palette, true-colour frames as 32-bit TGA files with alpha.

#include <cstddef>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "platform/outcome.h"
#include "platform/paths.h"
#include "viewer/sprite_model.h"

namespace zandrel {

inline constexpr const char* kBmpSaveFilter = "256色BMP图(*.bmp)|*.bmp||";
inline constexpr const char* kTgaSaveFilter = "32位色TGA图(*.tga)|*.tga||";
inline constexpr const char* kBmpWrittenFormat = "256色BMP图%s输出完成.";
inline constexpr const char* kTgaWrittenFormat = "32位色TGA图%s输出完成.";
inline constexpr const char* kAllWrittenFormat = "输出完成，一共%d个文件.";
inline constexpr const char* kNoOutputFolderText = "没有指定输出文件夹!";
inline constexpr const char* kNotAFolderFormat = "%s不是一个文件夹!";

// The image file of a frame read from `sprite`, with the palette the model holds now.
// Only for frames without a problem.
Bytes EncodeFrameFile(const SpriteModel& sprite, const DecodedFrame& frame);

// WriteFrameBmp and WriteFrameTga: the frame into a file at `path`, replacing one that
// is there. Returns the problem that kept the frame from being written, or nothing.
std::string WriteFrameFile(const SpriteModel& sprite, std::size_t index, const std::string& path);

const char* SaveFilterOf(const SpriteModel& sprite);

// The current-frame export, to a path exactly as the save dialog gave it.
Outcome ExportFrame(const SpriteModel& sprite, std::size_t index, const std::string& path);

// Frame i into `folder` under names[i], for every name; existing files are replaced.
// Stops at the first frame that cannot be written; the files before it stay.
Outcome ExportAllFrames(const SpriteModel& sprite, const std::vector<std::string>& names, const std::string& folder);

}  // namespace zandrel
