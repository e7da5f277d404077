#include "formats/palette_files.h"

#include <algorithm>

namespace zandrel {

Bytes WritePaletteFile(const SprPalette& palette, PaletteFileFormat format, std::string_view name) {
    switch (format) {
        case PaletteFileFormat::Jasc: return WriteJascPalette(palette);
        case PaletteFileFormat::Gimp: return WriteGimpPalette(palette, name);
        case PaletteFileFormat::Act: return WriteActPalette(palette);
        case PaletteFileFormat::Velmark:
        case PaletteFileFormat::Microsoft: break;
    }
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

bool BeginsAsRiffPalette(ByteSpan head) {
    constexpr std::string_view kRiff = "RIFF";
    constexpr std::string_view kPal = "PAL ";
    if (head.size() < kRiffFormTypeOffset + kRiffTagBytes) return false;
    return std::equal(kRiff.begin(), kRiff.end(), head.begin()) &&
           std::equal(kPal.begin(), kPal.end(), head.begin() + kRiffFormTypeOffset);
}

std::optional<PaletteFileFormat> PaletteFileFormatOf(std::uint64_t length, ByteSpan head) {
    if (const std::optional<PaletteFileFormat> layout = PaletteFileFormatOfLength(length)) return layout;
    const bool text = BeginsAsJascPalette(head) || BeginsAsGimpPalette(head);
    if (text && length > kMaxTextPaletteFileBytes) return std::nullopt;
    if (BeginsAsJascPalette(head)) return PaletteFileFormat::Jasc;
    if (BeginsAsGimpPalette(head)) return PaletteFileFormat::Gimp;
    if (IsActPaletteLength(length)) return PaletteFileFormat::Act;
    return std::nullopt;
}

PaletteFileRead ReadAnyPaletteFile(ByteSpan file) {
    PaletteFileRead read;
    read.format = PaletteFileFormatOf(file.size(), file.first(std::min(file.size(), kPaletteFormatHeadBytes)));
    if (!read.format) return read;
    PaintPaletteRead paint;
    switch (*read.format) {
        case PaletteFileFormat::Velmark:
        case PaletteFileFormat::Microsoft: ReadPaletteFile(file, read.palette); return read;
        case PaletteFileFormat::Jasc: paint = ReadJascPalette(file); break;
        case PaletteFileFormat::Gimp: paint = ReadGimpPalette(file); break;
        case PaletteFileFormat::Act: paint = ReadActPalette(file); break;
    }
    read.problem = paint.problem;
    read.where = paint.where;
    read.palette = paint.palette;
    return read;
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
