#include "viewer/sprite_model.h"

#include <array>

#include "formats/pixels.h"

namespace zandrel {
namespace {

class FileSource final : public ByteSource {
public:
    explicit FileSource(const File& file) : m_file(file) {}
    std::uint64_t Length() const override { return m_file.Length(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override { m_file.ReadAt(offset, out); }

private:
    const File& m_file;
};

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
    Close();
    m_strPath = path;
    m_strTitle = FileTitleOf(path);
    try {
        m_file = File::OpenRead(path);
    } catch (const FileError& error) {
        return Outcome::Refused(FormatText(kOpenFailedFormat, static_cast<unsigned>(error.Cause())));
    }

    // Without room for a header and a palette block there is nothing to show; refusing
    // here keeps the reads below inside the file.
    if (m_file.Length() < kSprMinFileBytes) {
        const auto length = static_cast<unsigned long long>(m_file.Length());
        Close();
        return Outcome::Refused(FormatText(kSprTooShortFormat, path.c_str(), length));
    }

    std::array<std::uint8_t, kPaletteBytes> paletteBytes{};
    m_file.ReadAt(m_file.Length() - kPaletteBytes, paletteBytes);
    m_palette = ParseSprPalette(paletteBytes);

    std::array<std::uint8_t, kSprHeaderBytes> headerBytes{};
    m_file.ReadAt(0, headerBytes);
    m_header = ParseSprHeader(headerBytes);
    if (m_header.magic != kSprMagic) {
        Close();
        return Outcome::Refused(kSprFormatErrorText);
    }
    m_nBitDepth = m_header.indexedCount != 0 ? 8 : 32;

    FileSource source(m_file);
    SprFrameIndex index = SprIndexFrames(source, m_header, kMaxFrames);
    m_frames = std::move(index.frames);
    switch (index.problem) {
        case SprIndexProblem::None: return Outcome::Done();
        case SprIndexProblem::TruncatedFrame:
            return Outcome::Done(FormatText(kSprTruncatedFormat, path.c_str(), index.declaredCount,
                                            static_cast<int>(m_frames.size())));
        case SprIndexProblem::TooManyFrames:
            return Outcome::Done(
                FormatText(kSprTooManyFramesFormat, path.c_str(), index.declaredCount, static_cast<int>(kMaxFrames)));
    }
    return Outcome::Done();
}

void SpriteModel::Close() {
    m_file.Close();
    m_frames.clear();
    m_nBitDepth = 0;
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
    for (std::size_t i = 0; i < m_frames.size(); ++i) names.push_back(FormatFrameFileName(m_strTitle, i, IsTrueColour()));
    return names;
}

std::string SpriteModel::FrameInfo(std::size_t index) const {
    const SprFrameRecord& frame = Frame(index);
    return FormatText(kFrameInfoFormat, static_cast<int>(index + 1), static_cast<int>(m_frames.size()), frame.width,
                      frame.height);
}

FrameData SpriteModel::ReadFrame(std::size_t index) const {
    const SprFrameRecord& frame = Frame(index);
    FrameData data;
    data.width = frame.width;
    data.height = frame.height;
    if (Kind() != SprKind::Indexed256Rle) {
        // Raw indices and true-colour pixels are used as stored; indexing checked that
        // they lie inside the file.
        data.pixels = m_file.ReadAt(frame.dataOffset, static_cast<std::size_t>(frame.dataBytes));
        return data;
    }

    const std::uint64_t pixels = std::uint64_t{frame.width} * frame.height;
    const std::string name = FormatFrameFileName(m_strTitle, index, false);
    if (pixels > SprMaxRlePixels(frame.dataBytes)) {
        data.problem = FormatText(kFrameTooFewPixelsFormat, m_strPath.c_str(), name.c_str(), frame.width, frame.height);
        return data;
    }
    const Bytes encoded = m_file.ReadAt(frame.dataOffset, static_cast<std::size_t>(frame.dataBytes));
    data.pixels.resize(static_cast<std::size_t>(pixels));
    const RleDecodeResult decoded = SprDecodeRle(encoded, data.pixels);
    const char* problem = nullptr;
    switch (decoded.problem) {
        case RleProblem::None: return data;
        case RleProblem::RunPastFrame: problem = kFrameTooManyPixelsFormat; break;
        case RleProblem::ShortOfPixels: problem = kFrameTooFewPixelsFormat; break;
        case RleProblem::MissingCount: problem = kFrameMissingCountFormat; break;
    }
    data.problem = FormatText(problem, m_strPath.c_str(), name.c_str(), frame.width, frame.height);
    data.pixels.clear();
    return data;
}

DrawnFrame SpriteModel::RenderFrame(std::size_t index) const {
    FrameData frame = ReadFrame(index);
    DrawnFrame drawn;
    drawn.problem = std::move(frame.problem);
    if (!drawn.problem.empty()) return drawn;
    drawn.width = frame.width;
    drawn.height = frame.height;
    drawn.pixels.resize(std::size_t{frame.width} * frame.height * kDrawnPixelBytes);
    if (IsTrueColour()) {
        DrawOverBlack(frame.pixels, frame.width, frame.height, TrueColourOrder::AlphaBlueGreenRed, drawn.pixels);
    } else {
        DrawIndices(frame.pixels, DrawnColoursOf(m_palette), drawn.pixels);
    }
    return drawn;
}

}  // namespace zandrel
