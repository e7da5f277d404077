#include "palette/palette_convert.h"

#include "os/file.h"

namespace zandrel {

void ExportPalette(const std::string& path, const SprPalette& palette, PaletteFileFormat format) {
    WriteWholeFile(path, WritePaletteFile(palette, format));
}

Outcome ConvertPalette(const std::string& source, const std::string& destination, PaletteFileFormat target) {
    File in = File::OpenRead(source);
    const std::size_t needed = ConvertSourceMinBytes(target);
    if (in.Length() < needed) {
        return Outcome::Refused(FormatText(kPaletteSourceShortFormat, source.c_str(), static_cast<int>(needed)));
    }
    // The destination is started while the source is still held, so that converting a
    // file onto itself is refused before anything is written.
    OutputFile out = OutputFile::Create(destination);
    const std::optional<Bytes> converted = ConvertPaletteFile(in.ReadAt(0, needed), target);
    in.Close();
    out.Write(*converted);
    out.Commit();
    const char* format = target == PaletteFileFormat::Microsoft ? kToMicrosoftDoneFormat : kToVelmarkDoneFormat;
    return Outcome::Done(FormatText(format, source.c_str(), destination.c_str()));
}

const char* ConvertFilterOf(PaletteFileFormat target) {
    return target == PaletteFileFormat::Microsoft ? kMicrosoftPaletteFilter : kVelmarkPaletteFilter;
}

}  // namespace zandrel
