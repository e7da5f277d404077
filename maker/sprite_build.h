#pragma once

// Building a sprite from an ordered list of source images: all 256-colour BMP files
// (a palettised sprite, run-length encoded, with the first source's palette) or all
// 32-bit TGA files (a true-colour sprite). The list order is the frame order.
//
// The sprite is written to a temporary file and put in place only when complete: a
// build that is refused or fails leaves the destination as it was.

#include <string>
#include <string_view>
#include <vector>

#include "platform/outcome.h"

namespace zandrel {

inline constexpr const char* kOnlyBmpOrTgaText = "只支持BMP或TGA格式!";
inline constexpr const char* kMixedKindsText = "列表中的文件类型不一致!";
inline constexpr const char* kSprFileFilter = "Velmark SPR(*.spr)|*.spr||";
inline constexpr const char* kSourceFilesFilter = "256色BMP图(*.bmp)|*.bmp|32位色TGA图(*.tga)|*.tga||";
inline constexpr const char* kCannotCreateSprFormat = "无法创建SPR文件:%s!";
inline constexpr const char* kCannotOpenBmpFormat = "无法打开BMP文件!:%s";
inline constexpr const char* kCannotOpenTgaFormat = "无法打开TGA文件!:%s";
inline constexpr const char* kBuiltFormat = "%s转换完成!";
inline constexpr const char* kEncodedTooLongFormat = "%s压缩后超过65535个字节，放不进SPR文件!";
inline constexpr const char* kTooManySourcesFormat = "列表中的文件太多：一个SPR文件最多只能有%d帧!";

// The frame number and extension that exported frame files end in ("000.bmp"); the
// save dialog drops them from the first source's name.
inline constexpr std::size_t kFrameNameSuffixChars = 7;  // "000.bmp"

enum class SourceKind { Bmp, Tga, Neither };

// By the path alone: its last three characters, upper-cased, against "BMP" and "TGA".
SourceKind SourceKindOf(std::string_view path);

struct KindCheck {
    SourceKind kind = SourceKind::Neither;
    std::string refusal;  // empty when every source is of the first source's kind
};

// The first source decides the kind; every other source must be of the same kind.
KindCheck CheckSourceKinds(const std::vector<std::string>& sources);

// What the save dialog proposes: the first source's path without its last seven
// characters, so that hero000.bmp proposes hero.
std::string InitialSaveName(std::string_view firstSource);

Outcome BuildPalettedSprite(const std::vector<std::string>& sources, const std::string& output);
Outcome BuildTrueColourSprite(const std::vector<std::string>& sources, const std::string& output);

// The kind check, then the build of that kind.
Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output);

}  // namespace zandrel
