#include "viewer/sprite_model.h"

#include <utility>

namespace zandrel {
namespace {

using FileSource = ReaderSource<File>;

}  // namespace

std::string FormatFrameFileName(const std::string& title, std::size_t index, bool trueColour) {
    if (index >= 1000) return {};
    const char* format = nullptr;
    if (index < 10) {
        format = trueColour ? "%s00%d.tga" : "%s00%d.bmp";
    } else if (index < 100) {
        format = trueColour ? "%s0%d.tga" : "%s0%d.bmp";
    } else {
        format = trueColour ? "%s%d.tga" : "%s%d.bmp";
    }
    return FormatText(format, title.c_str(), static_cast<int>(index));
}

Outcome SpriteModel::LoadSprite(const std::string& path) {
    // The file held before is let go first, so that the same file can be loaded again.
    // Everything is read into locals and taken over only at the end: a refusal or a
    // FileError part way leaves the model not loaded, never half loaded.
    Close();
    File file;
    try {
        file = File::OpenRead(path);
    } catch (const FileError& error) {
        m_openError = error;
        return Outcome::Refused(FormatText(kOpenFailedFormat, static_cast<unsigned>(error.Cause())));
    }

    // Without a whole palette block there is nothing to show; refusing here keeps the
    // reads below inside the file. From 1024 bytes on, the header is read where it is,
    // inside the palette block of a file too short to hold both.
    if (file.Length() < kPaletteBytes) {
        const auto length = static_cast<unsigned long long>(file.Length());
        return Outcome::Refused(FormatText(kSprTooShortFormat, path.c_str(), length));
    }

    FileSource source(file);
    const SprPalette palette = ReadSprPalette(source);
    const SprHeader header = ReadSprHeader(source);
    if (header.magic != kSprMagic) return Outcome::Refused(kSprFormatErrorText);

    SprFrameIndex index = SprIndexFrames(source, header, kMaxFrames);
    const int declared = index.declaredCount;
    std::string warning;
    if (index.problem == SprIndexProblem::TruncatedFrame) {
        warning = index.completeCount == 0
                      ? FormatText(kSprNoFrameCompleteFormat, path.c_str(), declared)
                      : FormatText(kSprTruncatedFormat, path.c_str(), declared, static_cast<int>(index.completeCount));
    }
    if (index.completeCount > kMaxFrames) {
        if (!warning.empty()) warning += '\n';
        warning += FormatText(kSprTooManyFramesFormat, path.c_str(), declared, static_cast<int>(kMaxFrames));
    }

    m_strPath = path;
    m_strTitle = FileTitleOf(path);
    m_file = std::move(file);
    m_palette = palette;
    m_header = header;
    m_nBitDepth = header.indexedCount != 0 ? 8 : 32;
    m_frames = std::move(index.frames);
    m_loadProblem = index.problem;
    return Outcome::Done(std::move(warning));
}

void SpriteModel::Close() { *this = SpriteModel(); }

std::optional<Refusal> SpriteModel::PaletteExportRefusal() const {
    if (IsTrueColour()) return Refusal{RefusalKind::Rule, FormatText(kTrueColourHasNoPaletteFormat, m_strPath.c_str())};
    if (m_loadProblem == SprIndexProblem::TruncatedFrame) {
        return Refusal{RefusalKind::Rule, FormatText(kTruncatedHasNoPaletteFormat, m_strPath.c_str())};
    }
    return std::nullopt;
}

std::string SpriteModel::FileLine() const {
    const char* format = kFileLineTrueColourFormat;
    if (Kind() == SprKind::Indexed256) format = kFileLineIndexedFormat;
    if (Kind() == SprKind::Indexed256Rle) format = kFileLineIndexedRleFormat;
    return FormatText(format, m_strPath.c_str());
}

std::vector<std::string> SpriteModel::FrameNames() const {
    std::vector<std::string> names;
    names.reserve(m_frames.size());
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        names.push_back(FormatFrameFileName(m_strTitle, i, IsTrueColour()));
    }
    return names;
}

std::string SpriteModel::FrameInfo(std::size_t index) const {
    const SprFrameRecord& frame = Frame(index);
    // The count is the header's, also when only the first kMaxFrames are listed.
    return FormatText(kFrameInfoFormat, static_cast<int>(index + 1), static_cast<int>(SprFrameCountOf(m_header)),
                      frame.width, frame.height);
}

Result<SpriteFrame> SpriteModel::ReadFrame(std::size_t index) const {
    SpriteFrame frame;
    Bytes encoded;
    if (std::optional<Refusal> refusal = ReadFrame(index, frame, encoded)) return std::move(*refusal);
    return frame;
}

Result<DrawnPicture> SpriteModel::RenderFrame(std::size_t index) const {
    Result<SpriteFrame> read = ReadFrame(index);
    if (!read) return std::move(read.Refused());
    return Drawn(*read, m_palette);
}

namespace {

// SprReadFrame with the problem worded; `nameOf` gives the frame's name for a refusal,
// made only when there is one.
template <class NameOf>
std::optional<Refusal> ReadSprFrameInto(ByteSource& source, SprKind kind, const SprFrameRecord& record,
                                        const std::string& path, const NameOf& nameOf, SpriteFrame& into,
                                        Bytes& encoded) {
    const auto refuse = [&](const char* format) {
        return Refusal{RefusalKind::Rule,
                       FormatText(format, path.c_str(), nameOf().c_str(), record.width, record.height)};
    };
    switch (SprReadFrame(source, kind, record, into, encoded)) {
        case SprFrameProblem::None: return std::nullopt;
        case SprFrameProblem::OverPixelLimit:
            return Refusal{RefusalKind::Rule,
                           FormatText(kFrameOverPixelLimitFormat, path.c_str(), nameOf().c_str(), record.width,
                                      record.height, static_cast<unsigned long long>(kMaxFramePixels))};
        case SprFrameProblem::RunPastFrame: return refuse(kFrameTooManyPixelsFormat);
        case SprFrameProblem::ShortOfPixels: return refuse(kFrameTooFewPixelsFormat);
        case SprFrameProblem::MissingCount: return refuse(kFrameMissingCountFormat);
    }
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> SpriteModel::ReadFrame(std::size_t index, SpriteFrame& frame, Bytes& encoded) const {
    FileSource source(m_file);
    return ReadSprFrameInto(
        source, Kind(), Frame(index), m_strPath, [&] { return FormatFrameFileName(m_strTitle, index, IsTrueColour()); },
        frame, encoded);
}

Result<SpriteFrame> ReadSprFrame(ByteSource& source, SprKind kind, const SprFrameRecord& record,
                                 const std::string& path, const std::string& frameName) {
    SpriteFrame frame;
    Bytes encoded;
    if (std::optional<Refusal> refusal = ReadSprFrameInto(
            source, kind, record, path, [&] { return frameName; }, frame, encoded)) {
        return std::move(*refusal);
    }
    return frame;
}

}  // namespace zandrel
