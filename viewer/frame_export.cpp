#include "viewer/frame_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "formats/gif_files.h"
#include "formats/image_files.h"
#include "formats/png_files.h"
#include "os/file.h"
#include "os/ordered_pool.h"
#include "os/utf16.h"

namespace zandrel {

Bytes EncodeFrameFile(const SpriteModel& sprite, const SpriteFrame& frame, FrameFormat format) {
    Bytes file;
    EncodeFrameFile(sprite, frame, format, file);
    return file;
}

void EncodeFrameFile(const SpriteModel& sprite, const SpriteFrame& frame, FrameFormat format, Bytes& file) {
    if (const auto* indexed = std::get_if<IndexedPicture>(&frame)) {
        if (format == FrameFormat::Png) {
            EncodePngIndexed(indexed->width, indexed->height, indexed->pixels, sprite.Palette(), file);
        } else {
            EncodeBmp8(indexed->width, indexed->height, indexed->pixels, sprite.Palette(), file);
        }
        return;
    }
    const auto& colour = std::get<SpriteColourPicture>(frame);
    if (format == FrameFormat::Png) {
        EncodePngRgba(colour.width, colour.height, colour.pixels, file);
    } else {
        EncodeTga32(colour.width, colour.height, colour.pixels, file);
    }
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

std::vector<std::string> ExistingFrameFiles(const std::vector<std::string>& names, const std::string& folder,
                                            FrameFormat format) {
    std::vector<std::string> existing;
    for (const std::string& name : names) {
        std::string path = JoinPath(folder, FrameFileName(name, format));
        std::error_code error;
        if (std::filesystem::symlink_status(PathFromUtf8(path), error).type() !=
                std::filesystem::file_type::not_found &&
            !error) {
            existing.push_back(std::move(path));
        }
    }
    return existing;
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

namespace {

// One frame of an export of all frames: its file, complete under no name yet, or why
// it is refused.
struct FrameOutput {
    OutputFile file;
    std::optional<Refusal> refusal;
};

// A thread's buffers from one frame to the next; made on the thread that uses them.
struct FrameBuffers {
    SpriteFrame frame;
    Bytes encoded;
    Bytes file;
    PngEncoderMemory pngMemory;
};

FrameOutput MakeFrameOutput(const SpriteModel& sprite, std::size_t index, const std::string& path, FrameFormat format,
                            FrameBuffers& buffers) {
    FrameOutput output;
    output.refusal = sprite.ReadFrame(index, buffers.frame, buffers.encoded);
    if (output.refusal) return output;
    EncodeFrameFile(sprite, buffers.frame, format, buffers.file);
    output.file = OutputFile::Create(path);
    output.file.Write(buffers.file);
    return output;
}

// Frames read, encoded and written to their temporaries on a few threads, handed out
// in frame order.
using FramePool = OrderedPool<FrameOutput, FrameBuffers>;

// Each thread keeps up to two runs of files open, beside the batch's group: this many
// keep an export far below the usual limit of 1024 open files.
constexpr unsigned kMostThreads = 16;

unsigned ThreadsFor(unsigned asked, std::size_t frames) {
    const unsigned threads = asked != 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(std::min(threads, kMostThreads), frames));
}

}  // namespace

Outcome ExportAllFrames(const SpriteModel& sprite, const std::vector<std::string>& names, const std::string& folder,
                        FrameFormat format, unsigned threads) {
    if (std::optional<Refusal> refusal = OutputFolderRefusal(folder)) return std::move(*refusal);
    const std::size_t count = std::min(names.size(), sprite.FrameCount());
    // Every frame that the format cannot hold is known from the index: the export is
    // refused before its first file is written.
    for (std::size_t i = 0; i < count; ++i) {
        if (std::optional<Refusal> refusal = FormatRefusal(sprite, i, format)) return std::move(*refusal);
    }
    const auto make = [&](std::size_t i, FrameBuffers& buffers) {
        return MakeFrameOutput(sprite, i, JoinPath(folder, FrameFileName(names[i], format)), format, buffers);
    };
    const FramePool::Make makeInto = [&](std::size_t i, FrameBuffers& buffers, FrameOutput& output) {
        output = make(i, buffers);
        return !output.refusal;  // the export stops at it
    };
    // The files go in place a group at a time, with one flush a group, in frame order
    // whatever thread made them; whatever stops the export, the files of the frames
    // before it are put in place first, and those made after it are dropped.
    OutputBatch batch;
    try {
        const unsigned workers = ThreadsFor(threads, count);
        std::optional<FramePool> pool;
        if (workers > 1) pool.emplace(workers, 0, count, makeInto);
        FrameBuffers buffers;
        for (std::size_t i = 0; i < count; ++i) {
            FrameOutput output =
                pool ? pool->Take(i, [](FrameOutput& made) { return std::move(made); }) : make(i, buffers);
            if (output.refusal) {
                pool.reset();
                batch.Commit();
                return std::move(*output.refusal);
            }
            batch.Add(std::move(output.file));
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
    SpriteFrame read;
    Bytes encoded;
    for (std::size_t i = 0; i < sprite.FrameCount(); ++i) {
        if (std::optional<Refusal> refusal = sprite.ReadFrame(i, read, encoded)) return std::move(*refusal);
        // As the viewer places a frame.
        const auto& frame = std::get<IndexedPicture>(read);
        const auto left = static_cast<std::uint16_t>(CentredStart(canvasWidth, frame.width));
        const auto top = static_cast<std::uint16_t>(CentredStart(canvasHeight, frame.height));
        gif.AddFrame(left, top, frame.width, frame.height, frame.pixels);
        out.Write(gif.Written());
        gif.ClearWritten();
    }
    out.Write(gif.Finish());
    if (sprite.ChangedSinceLoad()) return Outcome::Refused(FormatText(kSourceChangedFormat, sprite.Path().c_str()));
    out.Commit();
    return Outcome::Done(FormatText(kGifWrittenFormat, path.c_str(), static_cast<int>(sprite.FrameCount())));
}

}  // namespace zandrel
