#include "palette/palette_read.h"

#include <algorithm>

#include "os/outcome.h"

namespace zandrel {

const char* PaletteFormatName(PaletteFileFormat format) {
    switch (format) {
        case PaletteFileFormat::Velmark: return "Velmark";
        case PaletteFileFormat::Microsoft: return "Microsoft";
        case PaletteFileFormat::Jasc: return "JASC-PAL";
        case PaletteFileFormat::Gimp: return "GIMP";
        case PaletteFileFormat::Act: return "Adobe ACT";
    }
    return "";
}

Refusal PaletteProblemOf(const PaletteFileRead& read, const std::string& path) {
    const int where = static_cast<int>(read.where);
    switch (read.problem) {
        case PaintPaletteProblem::None: break;
        case PaintPaletteProblem::BadLine:
            return {RefusalKind::Rule, FormatText(kPaletteBadLineFormat, path.c_str(), where)};
        case PaintPaletteProblem::TooManyColours:
            return {RefusalKind::Rule, FormatText(kPaletteTooManyColoursFormat, path.c_str(), where)};
        case PaintPaletteProblem::EndsEarly:
            return {RefusalKind::Rule, FormatText(kPaletteEndsEarlyFormat, path.c_str(), where)};
        case PaintPaletteProblem::BadActCount:
            return {RefusalKind::Rule, FormatText(kActPaletteCountFormat, path.c_str(), where)};
    }
    return {RefusalKind::Rule, kPaletteLengthText};
}

Result<LoadedPalette> ReadPaletteOf(const File& file) {
    const std::uint64_t length = file.Length();
    const Bytes head =
        file.ReadAt(0, static_cast<std::size_t>(std::min<std::uint64_t>(length, kPaletteFormatHeadBytes)));
    if (!PaletteFileFormatOf(length, head)) return Refusal{RefusalKind::Rule, kPaletteLengthText};
    const PaletteFileRead read = ReadAnyPaletteFile(file.ReadAll());
    if (!read.Loaded()) return PaletteProblemOf(read, file.Path());
    return LoadedPalette{*read.format, read.palette};
}

}  // namespace zandrel
