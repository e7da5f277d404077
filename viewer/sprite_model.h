#pragma once

// The sprite that the viewer shows: the open file, its palette and header, and where
// each frame starts. It holds no pixels; a frame is read from the file each time it is
// drawn or exported.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/byte_order.h"
#include "formats/byte_source.h"
#include "formats/pixels.h"
#include "formats/spr_file.h"
#include "formats/spr_frame.h"
#include "os/file.h"
#include "os/outcome.h"
#include "os/paths.h"
#include "os/result.h"

namespace zandrel {

inline constexpr std::size_t kMaxFrames = 999;

inline constexpr const char* kOpenFailedFormat = "File Open failed!(%x)";
inline constexpr const char* kSprFormatErrorText = "SPR文件格式错误！\n";
inline constexpr const char* kSprTooShortFormat = "%s不是一个合法的SPR文件：只有%llu个字节，放不下文件头和调色板!";
inline constexpr const char* kSprTruncatedFormat = "%s不完整：文件头说有%d帧，文件里只有前%d帧是完整的!";
inline constexpr const char* kSprNoFrameCompleteFormat = "%s不完整：文件头说有%d帧，文件里没有一帧是完整的!";
inline constexpr const char* kSprTooManyFramesFormat = "%s有%d帧，本程序只能显示前%d帧!";
inline constexpr const char* kFrameTooManyPixelsFormat = "%s的%s数据有误：压缩数据多于%d×%d个像素!";
inline constexpr const char* kFrameTooFewPixelsFormat = "%s的%s数据有误：压缩数据不足%d×%d个像素!";
inline constexpr const char* kFrameMissingCountFormat = "%s的%s数据有误：压缩数据以0结尾，缺少透明像素的个数!";
// The sprite, the frame's name, its width and height, then kMaxFramePixels.
inline constexpr const char* kFrameOverPixelLimitFormat = "%s的%s太大了：%d×%d超过了一帧最多%llu个像素的限制!";

inline constexpr const char* kTrueColourHasNoPaletteFormat = "%s是32位色SPR，没有调色板!";
inline constexpr const char* kTruncatedHasNoPaletteFormat =
    "%s不完整，文件最后的1024个字节是帧的数据，不是调色板，不能导出!";

inline constexpr const char* kFileLineIndexedFormat = "文件名:%s|[256色无压缩SPR]";
inline constexpr const char* kFileLineIndexedRleFormat = "文件名:%s|[256色压缩SPR]";
inline constexpr const char* kFileLineTrueColourFormat = "文件名:%s|[32位色SPR]";
inline constexpr const char* kFrameInfoFormat = "%d/%d\n(%d,%d)";

// Frame `record` of a sprite of `kind`, read from `source`. An RLE frame that does not
// decode to exactly its width * height indices, or a frame of more than kMaxFramePixels,
// is refused with a text that names the sprite's `path` and the frame's `frameName`.
Result<SpriteFrame> ReadSprFrame(ByteSource& source, SprKind kind, const SprFrameRecord& record,
                                 const std::string& path, const std::string& frameName);

class SpriteModel {
public:
    // Opens the file and holds it without sharing, reads the palette block, the header
    // and the head of every frame. When done, the text warns of frames left out (a
    // damaged or over-long file); when refused, it says why. A refused load, or one
    // ended by a FileError, leaves the model not loaded, as a new one.
    Outcome LoadSprite(const std::string& path);
    // Lets the file go and forgets the sprite.
    void Close();

    bool IsLoaded() const { return m_file.IsOpen(); }
    const std::string& Path() const { return m_strPath; }
    // The file name without the part from its last "."; the base of frame file names.
    const std::string& Title() const { return m_strTitle; }
    const SprHeader& Header() const { return m_header; }
    SprKind Kind() const { return SprKindOf(m_header); }
    bool IsTrueColour() const { return m_nBitDepth == 32; }
    int BitDepth() const { return m_nBitDepth; }
    // What loading found wrong or left out. After TruncatedFrame the palette block was
    // read from bytes that belong to frames; after TooManyFrames every record fits the
    // file and the palette is sound.
    SprIndexProblem LoadProblem() const { return m_loadProblem; }
    // Why the last load could not open its file, when that is what refused it: the cause
    // in words, for callers that have room for more than the cause number.
    const std::optional<FileError>& OpenError() const { return m_openError; }
    // The frames that can be shown: at most kMaxFrames of the header's count.
    std::size_t FrameCount() const { return m_frames.size(); }
    const SprFrameRecord& Frame(std::size_t index) const { return m_frames.at(index); }

    // The palette as read from the file, or as a palette import left it.
    SprPalette& Palette() { return m_palette; }
    const SprPalette& Palette() const { return m_palette; }

    // Why the palette cannot be exported, or nothing when it can: a true-colour sprite
    // has none, and a truncated one's last 1024 bytes belong to its frames. (More frames
    // than are listed leave the palette block where it belongs.)
    std::optional<Refusal> PaletteExportRefusal() const;

    std::string FileLine() const;
    std::vector<std::string> FrameNames() const;
    std::string FrameInfo(std::size_t index) const;

    // Whether another program changed the file since it was loaded: frames read before
    // and after may then come from different versions of it.
    bool ChangedSinceLoad() const { return m_file.ChangedSinceOpen(); }

    Result<SpriteFrame> ReadFrame(std::size_t index) const;
    // The same into `frame`, whose pixel buffer is reused when it holds a frame of the
    // same kind; `encoded` holds a compressed frame on its way. For callers that read
    // frame after frame: nothing is allocated once the buffers have grown. Safe to call
    // from several threads at once, each with buffers of its own.
    std::optional<Refusal> ReadFrame(std::size_t index, SpriteFrame& frame, Bytes& encoded) const;
    // Drawn for the screen: palettised frames through the palette the model holds now,
    // true-colour frames upright and laid over black.
    Result<DrawnPicture> RenderFrame(std::size_t index) const;

private:
    std::string m_strPath;
    std::string m_strTitle;
    File m_file;
    SprPalette m_palette{};
    SprHeader m_header{};
    int m_nBitDepth = 0;
    std::vector<SprFrameRecord> m_frames;
    SprIndexProblem m_loadProblem = SprIndexProblem::None;
    std::optional<FileError> m_openError;
};

// title + frame index padded to three digits + ".bmp" or ".tga"; indices past 999
// have no name.
std::string FormatFrameFileName(const std::string& title, std::size_t index, bool trueColour);

}  // namespace zandrel
