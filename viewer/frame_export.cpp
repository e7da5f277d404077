#include "viewer/frame_export.h"

#include <algorithm>
#include <cctype>

#include "formats/gif_files.h"
#include "formats/image_files.h"
#include "formats/png_files.h"
#include "os/file.h"

namespace zandrel {

Bytes EncodeFrameFile(const SpriteModel& sprite, const SpriteFrame& frame, FrameFormat format) {
    if (const auto* indexed = std::get_if<IndexedPicture>(&frame)) {
        if (format == FrameFormat::Png) {
            return EncodePngIndexed(indexed->width, indexed->height, indexed->pixels, sprite.Palette());
        }
        return EncodeBmp8(indexed->width, indexed->height, indexed->pixels, sprite.Palette());
    }
    const auto& colour = std::get<SpriteColourPicture>(frame);
    if (format == FrameFormat::Png) return EncodePngRgba(colour.width, colour.height, colour.pixels);
    return EncodeTga32(colour.width, colour.height, colour.pixels);
}

std::optional<Refusal> FormatRefusal(const SpriteModel& sprite, std::size_t index, FrameFormat format) {
    const SprFrameRecord& record = sprite.Frame(index);
    if (format != FrameFormat::Png || (record.width != 0 && record.height != 0)) return std::nullopt;
    const std::string name = FormatFrameFileName(sprite.Title(), index, sprite.IsTrueColour());
    return Refusal{RefusalKind::Rule, FormatText(kEmptyFrameNoPngFormat, sprite.Path().c_str(), name.c_str(),
                                                 record.width, record.height)};
}

Outcome WriteFrameFile(const SpriteModel& sprite, std::size_t index, const std::string& path, FrameFormat format) {
    if (std::optional<Refusal> refusal = FormatRefusal(sprite, index, format)) return std::move(*refusal);
    Result<SpriteFrame> frame = sprite.ReadFrame(index);
    if (!frame) return std::move(frame.Refused());
    if (sprite.ChangedSinceLoad()) return Outcome::Refused(FormatText(kSourceChangedFormat, sprite.Path().c_str()));
    WriteWholeFile(path, EncodeFrameFile(sprite, *frame, format));
    return Outcome::Done();
}

const char* SaveFilterOf(const SpriteModel& sprite) { return sprite.IsTrueColour() ? kTgaSaveFilter : kBmpSaveFilter; }

std::string SaveFilterWithPngOf(const SpriteModel& sprite) {
    std::string filter = SaveFilterOf(sprite);
    filter.resize(filter.size() - 1);  // keep one of the two closing bars
    return filter + kPngFilterEntry + "||";
}

FrameFormat FrameFormatOfPath(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".png" ? FrameFormat::Png : FrameFormat::Native;
}

std::string FrameFileName(const std::string& name, FrameFormat format) {
    if (format == FrameFormat::Native) return name;
    const std::size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".png";
}

Outcome ExportFrame(const SpriteModel& sprite, std::size_t index, const std::string& path, FrameFormat format) {
    if (Outcome written = WriteFrameFile(sprite, index, path, format); !written.done) return written;
    if (format == FrameFormat::Png) return Outcome::Done(FormatText(kPngWrittenFormat, path.c_str()));
    return Outcome::Done(FormatText(sprite.IsTrueColour() ? kTgaWrittenFormat : kBmpWrittenFormat, path.c_str()));
}

Outcome ExportAllFrames(const SpriteModel& sprite, const std::vector<std::string>& names, const std::string& folder,
                        FrameFormat format) {
    switch (CheckFolder(folder)) {
        case FolderState::Folder: break;
        case FolderState::EmptyPath: return Outcome::Refused(kNoOutputFolderText);
        case FolderState::TooLong: return Outcome::Refused(FormatText(kFolderPathTooLongFormat, folder.c_str()));
        case FolderState::Missing:
        case FolderState::NotAFolder:
        case FolderState::Unreachable: return Outcome::Refused(FormatText(kNotAFolderFormat, folder.c_str()));
    }
    const std::size_t count = std::min(names.size(), sprite.FrameCount());
    // Every frame that the format cannot hold is known from the index: the export is
    // refused before its first file is written.
    for (std::size_t i = 0; i < count; ++i) {
        if (std::optional<Refusal> refusal = FormatRefusal(sprite, i, format)) return std::move(*refusal);
    }
    // The files go in place a group at a time, with one flush a group; whatever stops
    // the export, the files of the frames before it are put in place first.
    OutputBatch batch;
    try {
        for (std::size_t i = 0; i < count; ++i) {
            Result<SpriteFrame> frame = sprite.ReadFrame(i);
            if (!frame) {
                batch.Commit();
                return std::move(frame.Refused());
            }
            batch.WriteWholeFile(JoinPath(folder, FrameFileName(names[i], format)),
                                 EncodeFrameFile(sprite, *frame, format));
        }
    } catch (...) {
        batch.Commit();
        throw;
    }
    batch.Commit();
    if (sprite.ChangedSinceLoad()) {
        return Outcome::Refused(
            FormatText(kSourceChangedDuringExportFormat, sprite.Path().c_str(), static_cast<int>(count)));
    }
    return Outcome::Done(FormatText(kAllWrittenFormat, static_cast<int>(names.size())));
}

Outcome ExportAnimation(const SpriteModel& sprite, const std::string& path, std::uint16_t delay) {
    if (sprite.IsTrueColour()) return Outcome::Refused(FormatText(kTrueColourNoGifFormat, sprite.Path().c_str()));
    if (sprite.FrameCount() == 0) return Outcome::Refused(FormatText(kNoFramesNoGifFormat, sprite.Path().c_str()));
    std::uint16_t canvasWidth = 0;
    std::uint16_t canvasHeight = 0;
    for (std::size_t i = 0; i < sprite.FrameCount(); ++i) {
        canvasWidth = std::max(canvasWidth, sprite.Frame(i).width);
        canvasHeight = std::max(canvasHeight, sprite.Frame(i).height);
    }
    // The file grows frame by frame, so only one frame is held at a time; it is put in
    // place once complete.
    OutputFile out = OutputFile::Create(path);
    AnimatedGifWriter gif(canvasWidth, canvasHeight, sprite.Palette(), delay);
    for (std::size_t i = 0; i < sprite.FrameCount(); ++i) {
        Result<SpriteFrame> read = sprite.ReadFrame(i);
        if (!read) return std::move(read.Refused());
        // As the viewer places a frame.
        const auto& frame = std::get<IndexedPicture>(*read);
        const auto left = static_cast<std::uint16_t>(CentredStart(canvasWidth, frame.width));
        const auto top = static_cast<std::uint16_t>(CentredStart(canvasHeight, frame.height));
        gif.AddFrame(left, top, frame.width, frame.height, frame.pixels);
        out.Write(gif.TakeWritten());
    }
    out.Write(gif.Finish());
    if (sprite.ChangedSinceLoad()) return Outcome::Refused(FormatText(kSourceChangedFormat, sprite.Path().c_str()));
    out.Commit();
    return Outcome::Done(FormatText(kGifWrittenFormat, path.c_str(), static_cast<int>(sprite.FrameCount())));
}

}  // namespace zandrel
