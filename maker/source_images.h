#pragma once

// The source images of a sprite build, and what the maker tells the user about a
// source that cannot be used. The build and the preview read sources by the same
// rules and share the texts for damaged files.

#include <string>

#include "formats/byte_order.h"
#include "formats/image_files.h"
#include "formats/png_files.h"

namespace zandrel {

inline constexpr const char* kNotValidBmpFormat = "%s不是一个合法的BMP文件!";
inline constexpr const char* kCompressedBmpFormat = "%s被压缩了!";
inline constexpr const char* kNotEightBitBmpFormat = "%s不是256色BMP图!";
inline constexpr const char* kPreviewNotBmpFormat = "%s不是256色无压缩BMP图!";
inline constexpr const char* kNotTga32Format = "%s不是32位无压缩的TGA文件!";
inline constexpr const char* kSourceIncompleteFormat = "%s不完整：文件里的数据比文件头说的少!";
inline constexpr const char* kTopDownBmpFormat = "%s是从上到下存储的BMP图，不支持!";
inline constexpr const char* kNoPixelsBmpFormat = "%s的宽度或高度无效!";
inline constexpr const char* kTooLargeBmpFormat = "%s太大了：宽度和高度都不能超过65535个像素!";
// Filled with the file, then kMaxFramePixels.
inline constexpr const char* kTooManyPixelsFormat = "%s太大了：一帧最多只能有%llu个像素（如4096×4096）!";

inline constexpr const char* kNotValidSprFormat = "%s不是一个合法的SPR文件!";
// A sprite's frame as messages name it ("hero.spr:3"), then the frame count.
inline constexpr const char* kNoSuchFrameFormat = "%s：这个SPR文件只有%d帧（从0数起）!";
inline constexpr const char* kDamagedSprFrameFormat = "%s：这一帧的数据有误，无法读出!";

inline constexpr const char* kNotValidPngFormat = "%s不是一个合法的PNG文件!";
inline constexpr const char* kDamagedPngFormat = "%s已损坏：PNG文件里的数据不完整或校验不对!";

enum class SourceReader { Build, Preview };

// The text for a BMP that fails the reading rule; the build and the preview word the
// bit count and compression refusals differently.
std::string BmpProblemText(Bmp8Problem problem, const std::string& path, SourceReader reader);
std::string TgaProblemText(Tga32Problem problem, const std::string& path);
std::string PngProblemText(PngProblem problem, const std::string& path);

}  // namespace zandrel
