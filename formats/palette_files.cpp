#include "formats/palette_files.h"

namespace zandrel {

Bytes WritePaletteFile(const SprPalette& palette, PaletteFileFormat format) {
    Bytes out;
    out.reserve(kRiffPaletteFileBytes);
    if (format == PaletteFileFormat::Microsoft) PutBytes(out, kRiffPaletteHeader);
    AppendSprPalette(out, palette);
    return out;
}

std::optional<PaletteFileFormat> PaletteFileFormatOfLength(std::uint64_t length) {
    if (length == kVelmarkPaletteFileBytes) return PaletteFileFormat::Velmark;
    if (length == kRiffPaletteFileBytes) return PaletteFileFormat::Microsoft;
    return std::nullopt;
}

PaletteReadResult ReadPaletteFile(ByteSpan file, SprPalette& palette) {
    const std::optional<PaletteFileFormat> format = PaletteFileFormatOfLength(file.size());
    if (!format) return PaletteReadResult::WrongLength;
    const std::size_t offset = *format == PaletteFileFormat::Microsoft ? kRiffPaletteHeaderBytes : 0;
    palette = ParseSprPalette(file.subspan(offset).first<kPaletteBytes>());
    return PaletteReadResult::Loaded;
}

std::size_t ConvertSourceOffset(PaletteFileFormat target) {
    return target == PaletteFileFormat::Velmark ? kRiffPaletteHeaderBytes : 0;
}

std::size_t ConvertSourceMinBytes(PaletteFileFormat target) { return ConvertSourceOffset(target) + kPaletteBytes; }

std::optional<Bytes> ConvertPaletteFile(ByteSpan source, PaletteFileFormat target) {
    if (source.size() < ConvertSourceMinBytes(target)) return std::nullopt;
    const ByteSpan entries = source.subspan(ConvertSourceOffset(target), kPaletteBytes);
    Bytes out;
    out.reserve(kRiffPaletteFileBytes);
    if (target == PaletteFileFormat::Microsoft) PutBytes(out, kRiffPaletteHeader);
    PutBytes(out, entries);
    return out;
}

}  // namespace zandrel
