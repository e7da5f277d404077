#include "viewer/frame_export.h"

#include <algorithm>

#include "formats/image_files.h"

namespace zandrel {

Bytes EncodeFrameFile(const SpriteModel& sprite, const DecodedFrame& frame) {
    if (sprite.IsTrueColour()) return EncodeTga32(frame.width, frame.height, frame.pixels);
    return EncodeBmp8(frame.width, frame.height, frame.pixels, sprite.Palette());
}

std::string WriteFrameFile(const SpriteModel& sprite, std::size_t index, const std::string& path) {
    DecodedFrame frame = sprite.ReadFrame(index);
    if (frame.problem.empty()) WriteWholeFile(path, EncodeFrameFile(sprite, frame));
    return std::move(frame.problem);
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
    for (std::size_t i = 0; i < count; ++i) {
        std::string problem = WriteFrameFile(sprite, i, JoinPath(folder, names[i]));
        if (!problem.empty()) return Outcome::Refused(std::move(problem));
    }
    return Outcome::Done(FormatText(kAllWrittenFormat, static_cast<int>(names.size())));
}

}  // namespace zandrel
