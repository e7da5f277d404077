#pragma once

// Building a sprite from an ordered list of source images: all palettised, 256-colour
// BMP files and indexed PNG files (a palettised sprite, run-length encoded, with the
// first source's palette), or all true-colour, 32-bit TGA files and RGB(A) or grey PNG
// files (a true-colour sprite). The list order is the frame order.
//
// The sprite is written to a temporary file and put in place only when complete: a
// build that is refused or fails leaves the destination as it was. A build never
// writes onto one of its own sources, however the two paths are spelled.
//
// Memory: a source is checked from its headers before its pixels are read, and a frame
// is read and encoded through small work buffers (a small source is read whole, in one
// read), so that a build takes at most about twice the largest frame's pixels plus the
// bytes it writes, for each thread that reads sources (the records of a build on several
// threads wait in memory, at most two runs of eight a thread). The bytes are written out
// in pieces of up to about a megabyte.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "os/outcome.h"
#include "os/result.h"

namespace zandrel {

inline constexpr const char* kOnlyBmpOrTgaText = "只支持BMP或TGA格式!";
inline constexpr const char* kMixedKindsText = "列表中的文件类型不一致!";
inline constexpr const char* kSprFileFilter = "Velmark SPR(*.spr)|*.spr||";
inline constexpr const char* kSourceFilesFilter =
    "256色BMP图(*.bmp)|*.bmp|32位色TGA图(*.tga)|*.tga|PNG图(*.png)|*.png|Velmark SPR(*.spr)|*.spr||";
inline constexpr const char* kCannotCreateSprFormat = "无法创建SPR文件:%s!";
inline constexpr const char* kCannotOpenBmpFormat = "无法打开BMP文件!:%s";
inline constexpr const char* kCannotOpenTgaFormat = "无法打开TGA文件!:%s";
inline constexpr const char* kCannotOpenPngFormat = "无法打开PNG文件!:%s";
inline constexpr const char* kCannotOpenSprFormat = "无法打开SPR文件!:%s";
inline constexpr const char* kBuiltFormat = "%s转换完成!";
inline constexpr const char* kEncodedTooLongFormat = "%s压缩后超过65535个字节，放不进SPR文件!";
inline constexpr const char* kTooManySourcesFormat = "列表中的文件太多：一个SPR文件最多只能有%d帧!";
// The output path as given, then the source it is.
inline constexpr const char* kOutputIsSourceFormat = "SPR文件%s就是列表中的源图%s，不能覆盖源图!";
// A later source whose top-left index differs from the first one's, and which uses the
// first one's top-left colour: that colour is the sprite's transparent one.
inline constexpr const char* kTransparentColourUsedFormat =
    "%s左上角的颜色和第一幅图的不同，图中却又用到了第一幅图左上角的颜色：这些像素在SPR里无法保持原色，"
    "请让每幅图左上角的颜色都相同!";

// The frame number and extension that exported frame files end in ("000.bmp"); the
// save dialog drops them from the first source's name.
inline constexpr std::size_t kFrameNameSuffixChars = 7;  // "000.bmp"

enum class SourceKind { Bmp, Tga, Png, Spr, Neither };

// By the path alone: its last three characters, upper-cased, against "BMP", "TGA", "PNG"
// and "SPR".
SourceKind SourceKindOf(std::string_view path);
// Whether the maker takes `path` as a source at all, by its name: what Add, a drop and
// the build accept alike.
inline bool IsSourceFileName(std::string_view path) { return SourceKindOf(path) != SourceKind::Neither; }

// One entry of a build: an image file, or one frame of a sprite. A sprite's frame is
// taken as it is stored: its indices with index 0 transparent and its sprite's palette,
// or its true-colour pixels.
struct BuildSource {
    std::string path;
    std::optional<std::uint16_t> frame;  // counted from 0; set for a sprite's frame
    friend bool operator==(const BuildSource&, const BuildSource&) = default;
};

std::vector<BuildSource> ImageSources(const std::vector<std::string>& paths);
// Every frame of the sprite at `path`, in order, or why the sprite cannot be used.
Result<std::vector<BuildSource>> SpriteFrameSources(const std::string& path);
// A source as messages name it: the path, and a frame's number after a colon.
std::string SourceName(const BuildSource& source);
// The sources that a name on the command line stands for: an image file; a sprite, for
// all its frames; or one frame of a sprite, counted from 0, after a colon ("hero.spr:3":
// only digits after a name ending in .spr, and only when no file has that very name, so
// that "C:\x.spr" stays a path).
Result<std::vector<BuildSource>> SourcesNamed(const std::string& name);

// The kind of build the sources make: Bmp (palettised) or Tga (true-colour). The first
// source decides; every other must be of the same kind. A PNG's kind is read from its
// header: indexed ones go with BMPs, the others with TGAs; a sprite's frame goes by its
// sprite's kind.
Result<SourceKind> CheckSourceKinds(std::span<const BuildSource> sources);
Result<SourceKind> CheckSourceKinds(const std::vector<std::string>& sources);

// The question before a palettised build whose later BMPs carry a colour table other
// than the first source's, then the list of them, one a line.
inline constexpr const char* kOtherPalettesQuestion = "以下源图的调色板和第一幅图的不同，做出的SPR颜色会异常：";
inline constexpr const char* kOtherPalettesGoOn = "是否继续?";
inline constexpr std::size_t kOtherPalettesListed = 10;  // then "……"

// The BMPs and sprites after the first source whose colour tables differ from the first
// source's (a BMP's, an indexed PNG's or a sprite's), each named once. Sources that
// cannot be read are left to the build.
std::vector<std::string> SourcesWithOtherPalettes(std::span<const BuildSource> sources);
// The question that names them.
std::string OtherPalettesQuestion(const std::vector<std::string>& sources);

// What the save dialog proposes: the first source's path without its last seven
// characters, so that hero000.bmp proposes hero.
std::string InitialSaveName(std::string_view firstSource);
// For a sprite's frame, its sprite: editing a sprite proposes to write it again.
std::string InitialSaveName(const BuildSource& firstSource);

// A sprite whose frames are sources may be the output: its frames are all read before
// the new file takes its place. Any other source never is.
//
// Sources are read and encoded on `threads` threads (0: one a hardware thread; never
// more than 16, and none started for one or two sources) and written in list order by
// the calling thread; the sprite's bytes are the same whatever the count, and so is a
// refusal: the first source in list order that is refused, and nothing written.
Outcome BuildPalettedSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads = 0);
Outcome BuildTrueColourSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads = 0);

// The kind check, then the build of that kind.
Outcome BuildSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads = 0);
Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output, unsigned threads = 0);

}  // namespace zandrel
