#include "palette/palette_convert.h"

#include <algorithm>

#include "os/file.h"
#include "os/paths.h"
#include "palette/palette_read.h"

namespace zandrel {
namespace {

bool IsLayout(PaletteFileFormat format) {
    return format == PaletteFileFormat::Velmark || format == PaletteFileFormat::Microsoft;
}

// The source of a conversion, read while `in` holds it.
Result<LoadedPalette> ReadConvertSource(const File& in, PaletteFileFormat target) {
    const std::uint64_t length = in.Length();
    const Bytes head = in.ReadAt(0, static_cast<std::size_t>(std::min<std::uint64_t>(length, kPaletteFormatHeadBytes)));
    std::optional<PaletteFileFormat> format;
    if (length == kVelmarkPaletteFileBytes) {
        format = PaletteFileFormat::Velmark;
    } else if (length >= kRiffPaletteFileBytes && BeginsAsRiffPalette(head)) {
        format = PaletteFileFormat::Microsoft;
    } else if (const std::optional<PaletteFileFormat> paint = PaletteFileFormatOf(length, head);
               paint && !IsLayout(*paint)) {
        format = paint;
    }

    if (format && *format == target) {
        return Refusal{RefusalKind::Rule,
                       FormatText(kPaletteAlreadyInFormat, in.Path().c_str(), PaletteFormatName(target))};
    }
    if (format && !IsLayout(*format)) return ReadPaletteOf(in);
    if (format) {
        const std::size_t offset = *format == PaletteFileFormat::Microsoft ? kRiffPaletteHeaderBytes : 0;
        const Bytes entries = in.ReadAt(offset, kPaletteBytes);
        return LoadedPalette{*format, ParseSprPalette(std::span(entries).first<kPaletteBytes>())};
    }

    // A file that tells nothing: between the layouts it is in the other one, as the
    // direction chosen says; towards a paint program it is read as the viewer reads it.
    if (!IsLayout(target)) return ReadPaletteOf(in);
    const std::size_t needed = ConvertSourceMinBytes(target);
    if (length < needed) {
        return Refusal{RefusalKind::Rule,
                       FormatText(kPaletteSourceShortFormat, in.Path().c_str(), static_cast<int>(needed))};
    }
    const Bytes entries = in.ReadAt(ConvertSourceOffset(target), kPaletteBytes);
    const PaletteFileFormat assumed =
        target == PaletteFileFormat::Microsoft ? PaletteFileFormat::Velmark : PaletteFileFormat::Microsoft;
    return LoadedPalette{assumed, ParseSprPalette(std::span(entries).first<kPaletteBytes>())};
}

}  // namespace

void ExportPalette(const std::string& path, const SprPalette& palette, PaletteFileFormat format) {
    WriteWholeFile(path, WritePaletteFile(palette, format, FileTitleOf(path)));
}

Outcome CheckPaletteConversion(const std::string& source, PaletteFileFormat target) {
    const File in = File::OpenRead(source);
    const Result<LoadedPalette> read = ReadConvertSource(in, target);
    if (!read) return read.Refused();
    return Outcome::Done();
}

Outcome ConvertPalette(const std::string& source, const std::string& destination, PaletteFileFormat target) {
    File in = File::OpenRead(source);
    const Result<LoadedPalette> read = ReadConvertSource(in, target);
    if (!read) return read.Refused();
    // The destination is started while the source is still held, so that converting a
    // file onto itself is refused before anything is written.
    OutputFile out = OutputFile::Create(destination);
    in.Close();
    out.Write(WritePaletteFile(read->palette, target, FileTitleOf(destination)));
    out.Commit();
    return Outcome::Done(FormatText(kConvertDoneFormat, PaletteFormatName(read->format), source.c_str(),
                                    PaletteFormatName(target), destination.c_str()));
}

PaletteFileFormat PaintPaletteFormatOfFilter(std::size_t index) {
    switch (index) {
        case 1: return PaletteFileFormat::Gimp;
        case 2: return PaletteFileFormat::Act;
        default: return PaletteFileFormat::Jasc;
    }
}

const char* ConvertFilterOf(PaletteFileFormat target) {
    return target == PaletteFileFormat::Microsoft ? kMicrosoftPaletteFilter : kVelmarkPaletteFilter;
}

}  // namespace zandrel
