#include "maker/sprite_build.h"

#include <array>
#include <cctype>
#include <numeric>
#include <optional>

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/spr_file.h"
#include "maker/source_images.h"
#include "platform/file.h"

namespace zandrel {
namespace {

// Reads a whole source; a source that cannot be opened is told in `cannotOpenFormat`.
std::optional<Bytes> ReadSource(const std::string& path, const char* cannotOpenFormat, Outcome& refusal) {
    File file;
    try {
        file = File::OpenRead(path);
    } catch (const FileError&) {
        refusal = Outcome::Refused(FormatText(cannotOpenFormat, path.c_str()), MessageIcon::Stop);
        return std::nullopt;
    }
    return file.ReadAll();
}

std::optional<OutputFile> CreateOutput(const std::string& output, Outcome& refusal) {
    try {
        return OutputFile::Create(output);
    } catch (const FileError&) {
        refusal = Outcome::Refused(FormatText(kCannotCreateSprFormat, output.c_str()), MessageIcon::Stop);
        return std::nullopt;
    }
}

Outcome Stop(std::string text) { return Outcome::Refused(std::move(text), MessageIcon::Stop); }

std::optional<Outcome> CheckFrameCount(const std::vector<std::string>& sources) {
    if (sources.size() <= kSprMaxField) return std::nullopt;
    return Stop(FormatText(kTooManySourcesFormat, static_cast<int>(kSprMaxField)));
}

// Puts index 0, the transparent index of a sprite, where the picture's top-left index
// t was, and t where 0 was.
void ExchangeTransparentIndex(Bytes& indices, std::uint8_t t) {
    std::array<std::uint8_t, kPaletteEntries> exchange{};
    std::iota(exchange.begin(), exchange.end(), std::uint8_t{0});
    std::swap(exchange[0], exchange[t]);
    for (std::uint8_t& index : indices) index = exchange[index];
}

SprPalette PaletteOfColourTable(const BmpColourTable& table) {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    }
    return palette;
}

}  // namespace

SourceKind SourceKindOf(std::string_view path) {
    const std::string_view tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    std::string upper(tail);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "BMP") return SourceKind::Bmp;
    if (upper == "TGA") return SourceKind::Tga;
    return SourceKind::Neither;
}

KindCheck CheckSourceKinds(const std::vector<std::string>& sources) {
    KindCheck check;
    check.kind = sources.empty() ? SourceKind::Neither : SourceKindOf(sources.front());
    if (check.kind == SourceKind::Neither) {
        check.refusal = kOnlyBmpOrTgaText;
        return check;
    }
    for (std::size_t i = 1; i < sources.size(); ++i) {
        if (SourceKindOf(sources[i]) != check.kind) {
            check.refusal = kMixedKindsText;
            return check;
        }
    }
    return check;
}

std::string InitialSaveName(std::string_view firstSource) {
    // Characters, not bytes: a name may end in Chinese characters.
    std::size_t end = firstSource.size();
    for (std::size_t dropped = 0; dropped < kFrameNameSuffixChars; ++dropped) {
        if (end == 0) return {};
        do {
            --end;
        } while (end > 0 && (static_cast<unsigned char>(firstSource[end]) & 0xC0) == 0x80);
    }
    return std::string(firstSource.substr(0, end));
}

Outcome BuildPalettedSprite(const std::vector<std::string>& sources, const std::string& output) {
    if (std::optional<Outcome> refusal = CheckFrameCount(sources)) return *refusal;
    Outcome refusal;
    std::optional<OutputFile> out = CreateOutput(output, refusal);
    if (!out) return refusal;

    Bytes record;
    AppendSprHeader(record, MakeWrittenSprHeader(false, static_cast<std::uint16_t>(sources.size())));
    out->Write(record);

    BmpColourTable colourTable{};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string& path = sources[i];
        const std::optional<Bytes> file = ReadSource(path, kCannotOpenBmpFormat, refusal);
        if (!file) return refusal;
        Bmp8Decoded decoded = DecodeBmp8(*file);
        if (decoded.problem != Bmp8Problem::None) return Stop(BmpProblemText(decoded.problem, path, SourceReader::Build));
        Bmp8Image& image = decoded.image;
        if (i == 0) colourTable = image.colourTable;

        const std::uint8_t t = image.indices.front();
        if (t != 0) {
            // Only the first source's palette becomes the sprite's; later sources just
            // move their own transparent index to 0.
            if (i == 0) std::swap_ranges(colourTable.begin(), colourTable.begin() + 4, colourTable.begin() + 4 * t);
            ExchangeTransparentIndex(image.indices, t);
        }

        record.clear();
        PutU16(record, image.width);
        PutU16(record, image.height);
        PutU16(record, 0);  // rleSize, filled in below
        SprEncodeRle(image.indices, record);
        const std::size_t encoded = record.size() - kSprRleFrameHeadBytes;
        if (encoded > kSprMaxField) return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
        record[4] = static_cast<std::uint8_t>(encoded & 0xFF);
        record[5] = static_cast<std::uint8_t>(encoded >> 8);
        out->Write(record);
    }

    record.clear();
    AppendSprPalette(record, PaletteOfColourTable(colourTable));
    out->Write(record);
    out->Commit();
    return Outcome::Done(FormatText(kBuiltFormat, output.c_str()));
}

Outcome BuildTrueColourSprite(const std::vector<std::string>& sources, const std::string& output) {
    if (std::optional<Outcome> refusal = CheckFrameCount(sources)) return *refusal;
    Outcome refusal;
    std::optional<OutputFile> out = CreateOutput(output, refusal);
    if (!out) return refusal;

    Bytes record;
    AppendSprHeader(record, MakeWrittenSprHeader(true, static_cast<std::uint16_t>(sources.size())));
    out->Write(record);

    for (const std::string& path : sources) {
        const std::optional<Bytes> file = ReadSource(path, kCannotOpenTgaFormat, refusal);
        if (!file) return refusal;
        const Tga32Decoded decoded = DecodeTga32(*file);
        if (decoded.problem != Tga32Problem::None) return Stop(TgaProblemText(decoded.problem, path));

        // TGA and sprite both store the bottom row first: only the bytes of each
        // pixel move, from blue, green, red, alpha to alpha, blue, green, red.
        record.assign(kSprFrameHeadBytes + decoded.pixels.size(), 0);
        record[0] = static_cast<std::uint8_t>(decoded.size.width & 0xFF);
        record[1] = static_cast<std::uint8_t>(decoded.size.width >> 8);
        record[2] = static_cast<std::uint8_t>(decoded.size.height & 0xFF);
        record[3] = static_cast<std::uint8_t>(decoded.size.height >> 8);
        ReorderTrueColour(decoded.pixels, TrueColourOrder::BlueGreenRedAlpha,
                          std::span(record).subspan(kSprFrameHeadBytes));
        out->Write(record);
    }

    const Bytes zeros(kPaletteBytes, 0);
    out->Write(zeros);
    out->Commit();
    return Outcome::Done();
}

Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output) {
    const KindCheck check = CheckSourceKinds(sources);
    if (!check.refusal.empty()) return Outcome::Refused(check.refusal);
    if (check.kind == SourceKind::Bmp) return BuildPalettedSprite(sources, output);
    return BuildTrueColourSprite(sources, output);
}

}  // namespace zandrel
