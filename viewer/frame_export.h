#pragma once

// Export of frames as image files: palettised frames as 8-bit BMP files with the
// viewer's palette, true-colour frames as 32-bit TGA files with alpha. On request both
// kinds go out as PNG instead: indexed with index 0 transparent, or RGBA.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "os/create_folders.h"
#include "os/outcome.h"
#include "os/paths.h"
#include "viewer/sprite_model.h"

namespace zandrel {

inline constexpr const char* kBmpSaveFilter = "256色BMP图(*.bmp)|*.bmp||";
inline constexpr const char* kTgaSaveFilter = "32位色TGA图(*.tga)|*.tga||";
inline constexpr const char* kBmpWrittenFormat = "256色BMP图%s输出完成.";
inline constexpr const char* kTgaWrittenFormat = "32位色TGA图%s输出完成.";
inline constexpr const char* kPngWrittenFormat = "PNG图%s输出完成.";
inline constexpr const char* kPngFilterEntry = "PNG图(*.png)|*.png";
inline constexpr const char* kGifWrittenFormat = "GIF动画%s输出完成，一共%d帧.";
inline constexpr const char* kTrueColourNoGifFormat = "%s是32位色SPR，不能输出GIF动画：GIF只能用256色调色板!";
inline constexpr const char* kNoFramesNoGifFormat = "%s没有帧，不能输出GIF动画!";
inline constexpr std::uint16_t kDefaultAnimationDelay = 10;  // hundredths of a second: 10 frames a second
inline constexpr const char* kGifSaveFilter = "GIF动画(*.gif)|*.gif||";
inline constexpr const char* kAllWrittenFormat = "输出完成，一共%d个文件.";
// The sprite; nothing was written.
inline constexpr const char* kSourceChangedFormat = "%s在读取期间被其他程序改动了，没有输出!";
// The sprite and the number of files written, which stay.
inline constexpr const char* kSourceChangedDuringExportFormat =
    "%s在读取期间被其他程序改动了：已输出的%d个文件可能混有改动前后的帧，仍留在文件夹里!";
// The sprite, the frame's name, its width and height.
inline constexpr const char* kEmptyFrameNoPngFormat = "%s的%s没有像素(%d×%d)：PNG图至少要有一个像素，不能输出为PNG!";

// BMP or TGA by the sprite's kind, or PNG for both.
enum class FrameFormat { Native, Png };

// Frames without pixels (0 wide or 0 high) are sound: BMP and TGA files hold them as
// they are, a GIF shows them as an empty canvas for their delay. A PNG cannot be empty,
// so they are refused there, before anything is written.

// Why frame `index` cannot be written in `format`, or nothing when it can be tried.
std::optional<Refusal> FormatRefusal(const SpriteModel& sprite, std::size_t index, FrameFormat format);

// The image file of a frame read from `sprite`, with the palette the model holds now.
Bytes EncodeFrameFile(const SpriteModel& sprite, const SpriteFrame& frame, FrameFormat format = FrameFormat::Native);
// The same into `file`, cleared first; its capacity is kept for the next frame.
void EncodeFrameFile(const SpriteModel& sprite, const SpriteFrame& frame, FrameFormat format, Bytes& file);

// WriteFrameBmp and WriteFrameTga: the frame into a file at `path`, replacing one that
// is there; done without a text, or refused with what kept the frame from being written.
Outcome WriteFrameFile(const SpriteModel& sprite, std::size_t index, const std::string& path,
                       FrameFormat format = FrameFormat::Native);

const char* SaveFilterOf(const SpriteModel& sprite);
// The save dialog's filters with PNG offered after the kind's own format.
std::string SaveFilterWithPngOf(const SpriteModel& sprite);
// PNG for a path ending in ".png" (any case), else the sprite's own format.
FrameFormat FrameFormatOfPath(const std::string& path);

// A frame name ("hero000.bmp") with the extension of `format` ("hero000.png").
std::string FrameFileName(const std::string& name, FrameFormat format);

// The folder, how many of the files to write are there already, and the first of them.
inline constexpr const char* kReplaceExistingFormat = "%s里已经有%d个要输出的同名文件（如%s），全部替换吗?";

// The paths among the files that an export of all frames would write into `folder`
// (names[i] with the extension of `format`) that exist already, in frame order.
std::vector<std::string> ExistingFrameFiles(const std::vector<std::string>& names, const std::string& folder,
                                            FrameFormat format);

// The current-frame export, to a path exactly as the save dialog gave it.
Outcome ExportFrame(const SpriteModel& sprite, std::size_t index, const std::string& path,
                    FrameFormat format = FrameFormat::Native);

// Frame i into `folder` under names[i] (its extension that of `format`), for every
// name; existing files are replaced. Stops at the first frame that cannot be written;
// the files before it stay. A sprite that another program changed meanwhile is
// reported once all files are written, as they may mix frames of both versions.
// The single-file exports check the same before their file is put in place, and then
// write nothing.
// Frames are read and encoded on `threads` threads (0: one a hardware thread; never
// more than 16 nor than there are frames, and a single frame starts none); the files
// are put in place in frame order and are the same whatever the number.
Outcome ExportAllFrames(const SpriteModel& sprite, const std::vector<std::string>& names, const std::string& folder,
                        FrameFormat format = FrameFormat::Native, unsigned threads = 0);

// Every frame in list order as a looping GIF at `path`, each centred on a canvas of the
// largest width and height as the viewer centres it, with the palette the model holds
// now; `delay` in hundredths of a second. True-colour sprites are refused.
// A GIF's delay in hundredths of a second for `framesPerSecond` (1 to 100), to the
// nearest hundredth.
constexpr std::uint16_t AnimationDelayOf(unsigned framesPerSecond) {
    return static_cast<std::uint16_t>((100 + framesPerSecond / 2) / framesPerSecond);
}

Outcome ExportAnimation(const SpriteModel& sprite, const std::string& path,
                        std::uint16_t delay = kDefaultAnimationDelay);

}  // namespace zandrel
