#include "viewer/frame_export.h"

#include <algorithm>

#include "formats/image_files.h"
#include "platform/file.h"

namespace zandrel {

FrameFile EncodeFrameFile(const SpriteModel& sprite, std::size_t index) {
    FrameData frame = sprite.ReadFrame(index);
    if (!frame.problem.empty()) return {std::move(frame.problem), {}};
    if (sprite.IsTrueColour()) return {{}, EncodeTga32(frame.width, frame.height, frame.pixels)};
    return {{}, EncodeBmp8(frame.width, frame.height, frame.pixels, sprite.Palette())};
}

std::string WriteFrameFile(const SpriteModel& sprite, std::size_t index, const std::string& path) {
    FrameFile file = EncodeFrameFile(sprite, index);
    if (file.problem.empty()) WriteWholeFile(path, file.bytes);
    return file.problem;
}

const char* SaveFilterOf(const SpriteModel& sprite) { return sprite.IsTrueColour() ? kTgaSaveFilter : kBmpSaveFilter; }

Outcome ExportFrame(const SpriteModel& sprite, std::size_t index, const std::string& path) {
    std::string problem = WriteFrameFile(sprite, index, path);
    if (!problem.empty()) return Outcome::Refused(std::move(problem));
    return Outcome::Done(FormatText(sprite.IsTrueColour() ? kTgaWrittenFormat : kBmpWrittenFormat, path.c_str()));
}

Outcome ExportAllFrames(const SpriteModel& sprite, const std::vector<std::string>& names, const std::string& folder) {
    if (folder.empty()) return Outcome::Refused(kNoOutputFolderText);
    if (!IsExistingFolder(folder)) return Outcome::Refused(FormatText(kNotAFolderFormat, folder.c_str()));
    const std::size_t count = std::min(names.size(), sprite.FrameCount());
    // The files go in place a group at a time, with one flush a group; whatever stops
    // the export, the files of the frames before it are put in place first.
    OutputBatch batch;
    try {
        for (std::size_t i = 0; i < count; ++i) {
            FrameFile file = EncodeFrameFile(sprite, i);
            if (!file.problem.empty()) {
                batch.Commit();
                return Outcome::Refused(std::move(file.problem));
            }
            batch.WriteWholeFile(JoinPath(folder, names[i]), file.bytes);
        }
    } catch (...) {
        batch.Commit();
        throw;
    }
    batch.Commit();
    return Outcome::Done(FormatText(kAllWrittenFormat, static_cast<int>(names.size())));
}

}  // namespace zandrel
