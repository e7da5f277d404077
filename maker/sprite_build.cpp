#include "maker/sprite_build.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <variant>

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/png_files.h"
#include "formats/spr_file.h"
#include "maker/source_images.h"
#include "platform/file.h"
#include "platform/file_identity.h"

namespace zandrel {
namespace {

// Either what a step of the build produced or the refusal that ends the build.
template <typename T>
using OrRefusal = std::variant<T, Outcome>;

Outcome Stop(std::string text) { return Outcome::Refused(std::move(text), MessageIcon::Stop); }

// Work buffers for reading and encoding a frame a piece at a time: never more than the
// frame's own pixels (give or take the smallest useful piece), and never large.
constexpr std::size_t kLeastWorkBytes = 2 * 256;  // an encoder piece holds a whole run
constexpr std::size_t kMostWorkBytes = std::size_t{128} << 10;

std::size_t WorkBytes(std::uint64_t frameBytes) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(frameBytes, kLeastWorkBytes, kMostWorkBytes));
}

OrRefusal<File> OpenSource(const std::string& path, const char* cannotOpenFormat) {
    try {
        return File::OpenRead(path);
    } catch (const FileError&) {
        return Stop(FormatText(cannotOpenFormat, path.c_str()));
    }
}

// What both kinds of build do first: check the frame count, make sure the output is
// none of the sources, create the output and write the header.
OrRefusal<OutputFile> OpenSprite(const std::vector<std::string>& sources, const std::string& output, SprKind kind) {
    if (sources.size() > kSprMaxField) return Stop(FormatText(kTooManySourcesFormat, static_cast<int>(kSprMaxField)));
    if (const std::optional<FileIdentity> target = IdentityOf(output)) {
        for (const std::string& source : sources) {
            if (IdentityOf(source) == target) {
                return Stop(FormatText(kOutputIsSourceFormat, output.c_str(), source.c_str()));
            }
        }
    }
    OutputFile out;
    try {
        out = OutputFile::Create(output);
    } catch (const FileError&) {
        return Stop(FormatText(kCannotCreateSprFormat, output.c_str()));
    }
    Bytes header;
    AppendSprHeader(header, MakeWrittenSprHeader(kind, static_cast<std::uint16_t>(sources.size())));
    out.Write(header);
    return out;
}

struct BmpFrame {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    Bytes indices;                 // top row first
    BmpColourTable colourTable{};  // read for the first source only
    std::optional<std::uint8_t> transparent;  // the index the source marks transparent, if it does
};

// The stored rows, bottom row first in the file, into `indices` top row first; a few
// rows a read, so that the rows' padding never takes memory of its own.
void ReadBmpRows(const File& file, std::uint32_t offset, std::uint16_t width, std::uint16_t height,
                 std::span<std::uint8_t> indices) {
    const std::size_t stride = BmpRowStride(width);
    const std::size_t rowsPerRead = std::max<std::size_t>(1, WorkBytes(indices.size()) / stride);
    Bytes work(std::min<std::size_t>(rowsPerRead, height) * stride);
    for (std::size_t k = 0; k < height; k += rowsPerRead) {
        const std::size_t rows = std::min<std::size_t>(rowsPerRead, height - k);
        // The file need not hold the padding of its last row.
        file.ReadAt(offset + k * stride, std::span(work).first((rows - 1) * stride + width));
        for (std::size_t r = 0; r < rows; ++r) {
            std::memcpy(indices.data() + (height - 1 - k - r) * width, work.data() + r * stride, width);
        }
    }
}

// Reads a palettised source by the reading rule. Everything that can refuse it is
// decided from its headers and its length before a pixel is read.
OrRefusal<BmpFrame> ReadBmpFrame(const std::string& path, bool withColourTable) {
    OrRefusal<File> opened = OpenSource(path, kCannotOpenBmpFormat);
    if (Outcome* refusal = std::get_if<Outcome>(&opened)) return std::move(*refusal);
    const File& file = std::get<File>(opened);

    // The headers and, behind an info header of up to 124 bytes, the colour table.
    std::array<std::uint8_t, kBmpFileHeaderBytes + kBmpLargestInfoHeader + kBmpColourTableBytes> headBytes{};
    const std::span head = std::span(headBytes).first(static_cast<std::size_t>(
        std::min<std::uint64_t>(file.Length(), withColourTable ? headBytes.size() : kBmpHeadersBytes)));
    file.ReadAt(0, head);
    if (head.size() < kBmpHeadersBytes) return Stop(BmpProblemText(DecodeBmp8(head).problem, path, SourceReader::Build));
    const Bmp8Headers headers = *ReadBmp8Headers(head);
    // The head holds the pixels seldom if ever: whether the file does is checked below.
    const Bmp8Problem problem = CheckBmp8(head, headers);
    if (problem != Bmp8Problem::None && problem != Bmp8Problem::PixelsOutsideFile) {
        return Stop(BmpProblemText(problem, path, SourceReader::Build));
    }

    BmpFrame frame;
    frame.width = static_cast<std::uint16_t>(headers.biWidth);
    frame.height = static_cast<std::uint16_t>(headers.biHeight);
    const std::uint64_t pixels = std::uint64_t{frame.width} * frame.height;
    if (pixels > SprMaxRlePixels(kSprMaxField)) return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    const std::uint64_t stored = std::uint64_t{BmpRowStride(frame.width)} * (frame.height - 1u) + frame.width;
    if (!FitsIn(file.Length(), headers.bfOffBits, stored)) {
        return Stop(BmpProblemText(Bmp8Problem::PixelsOutsideFile, path, SourceReader::Build));
    }

    if (withColourTable) frame.colourTable = ReadBmp8ColourTable(head, headers);
    frame.indices.resize(static_cast<std::size_t>(pixels));
    ReadBmpRows(file, headers.bfOffBits, frame.width, frame.height, frame.indices);
    return frame;
}

// A PNG source whole, checked from its header before its pixels are decoded; the
// decoder's own limits keep what it allocates to what the pixels need.
OrRefusal<PngDecoded> ReadPngSource(const std::string& path, PngKind wanted) {
    OrRefusal<File> opened = OpenSource(path, kCannotOpenPngFormat);
    if (Outcome* refusal = std::get_if<Outcome>(&opened)) return std::move(*refusal);
    const Bytes bytes = std::get<File>(opened).ReadAll();
    const PngHeader header = ReadPngHeader(bytes);
    if (header.problem != PngProblem::None) return Stop(PngProblemText(header.problem, path));
    if (header.kind != wanted) return Stop(kMixedKindsText);
    if (wanted == PngKind::Indexed && std::uint64_t{header.width} * header.height > SprMaxRlePixels(kSprMaxField)) {
        return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    }
    PngDecoded decoded = DecodePng(bytes);
    if (decoded.problem != PngProblem::None) return Stop(PngProblemText(decoded.problem, path));
    return decoded;
}

OrRefusal<BmpFrame> ReadIndexedPngFrame(const std::string& path) {
    OrRefusal<PngDecoded> read = ReadPngSource(path, PngKind::Indexed);
    if (Outcome* refusal = std::get_if<Outcome>(&read)) return std::move(*refusal);
    PngDecoded& png = std::get<PngDecoded>(read);
    BmpFrame frame;
    frame.width = png.width;
    frame.height = png.height;
    frame.indices = std::move(png.pixels);
    frame.colourTable = png.colourTable;
    frame.transparent = png.transparentIndex;
    return frame;
}

OrRefusal<BmpFrame> ReadPalettisedFrame(const std::string& path, bool withColourTable) {
    if (SourceKindOf(path) == SourceKind::Png) return ReadIndexedPngFrame(path);
    return ReadBmpFrame(path, withColourTable);
}

// The length of the RLE form of `indices`, without making it.
std::size_t EncodedLength(ByteSpan indices) {
    std::size_t length = 0;
    const std::uint8_t* at = indices.data();
    const std::uint8_t* const end = at + indices.size();
    while (at < end) {
        const void* zero = std::memchr(at, 0, static_cast<std::size_t>(end - at));
        const std::uint8_t* zeros = zero != nullptr ? static_cast<const std::uint8_t*>(zero) : end;
        length += static_cast<std::size_t>(zeros - at);
        at = zeros;
        while (at < end && *at == 0) ++at;
        length += 2 * ((static_cast<std::size_t>(at - zeros) + kRleMaxRun - 1) / kRleMaxRun);
    }
    return length;
}

// Where a piece of the frame that begins at `begin` may end so that the pieces encoded
// one by one give the bytes of the whole encoded at once: right after a nonzero index,
// or, in a long stretch of zeros, after a whole number of full runs. A piece begins at
// such a place too, so a stretch of zeros met here began a whole number of runs back.
std::size_t PieceEnd(ByteSpan indices, std::size_t begin, std::size_t most) {
    if (indices.size() - begin <= most) return indices.size();
    for (std::size_t end = begin + most; end > begin; --end) {
        if (indices[end - 1] != 0) return end;
    }
    return begin + most / kRleMaxRun * kRleMaxRun;
}

// The RLE form of `indices` into `out`, which has exactly its length: the encoder wants
// room for twice its input, so it is given the frame a piece at a time.
void EncodeInPieces(ByteSpan indices, std::span<std::uint8_t> out) {
    Bytes work;
    work.reserve(WorkBytes(indices.size()));
    const std::size_t most = work.capacity() / 2;
    std::size_t written = 0;
    for (std::size_t begin = 0; begin < indices.size();) {
        const std::size_t end = PieceEnd(indices, begin, most);
        work.clear();
        SprEncodeRle(indices.subspan(begin, end - begin), work);
        if (work.size() > out.size() - written) throw std::logic_error("encoded frame longer than counted");
        std::memcpy(out.data() + written, work.data(), work.size());
        written += work.size();
        begin = end;
    }
}

using IndexMap = std::array<std::uint8_t, kPaletteEntries>;

struct SourceIndexMap {
    IndexMap to{};
    std::optional<std::uint8_t> lost;  // an index whose colour the sprite cannot show
};

// The sprite's index for each index of a source whose top-left index is `t`. The
// sprite's palette is the first source's with entries 0 and `firstT` exchanged, so
// the first source's top-left colour is in entry 0, the transparent one. A source with
// the same top-left index exchanges the same two indices. Any other source makes its
// own top-left index 0 and keeps the rest of its colours where the palette has them;
// the first source's top-left colour only where the palette holds it a second time.
SourceIndexMap MapSourceIndices(std::uint8_t firstT, std::uint8_t t, const BmpColourTable& spritePalette) {
    SourceIndexMap map;
    std::iota(map.to.begin(), map.to.end(), std::uint8_t{0});
    std::swap(map.to[0], map.to[firstT]);
    if (t == firstT) return map;
    map.to[t] = 0;
    const auto sameColour = [&](std::size_t entry) {
        return std::equal(spritePalette.begin() + 4 * entry, spritePalette.begin() + 4 * entry + 3,
                          spritePalette.begin());
    };
    std::size_t twin = 1;
    while (twin < kPaletteEntries && !sameColour(twin)) ++twin;
    if (twin < kPaletteEntries) {
        map.to[firstT] = static_cast<std::uint8_t>(twin);
    } else {
        map.lost = firstT;
    }
    return map;
}

// Moves a source's indices to the sprite's, or refuses the source when a colour it uses
// would be lost.
Outcome MoveToSpriteIndices(Bytes& indices, const SourceIndexMap& map, const std::string& path) {
    if (map.lost && std::find(indices.begin(), indices.end(), *map.lost) != indices.end()) {
        return Stop(FormatText(kTransparentColourUsedFormat, path.c_str()));
    }
    IndexMap identity{};
    std::iota(identity.begin(), identity.end(), std::uint8_t{0});
    if (map.to != identity) {
        for (std::uint8_t& index : indices) index = map.to[index];
    }
    return Outcome::Done();
}

// The frame record: width, height, rleSize and the RLE data, or the refusal of a frame
// whose encoding rleSize cannot measure.
OrRefusal<Bytes> RleFrameRecord(const BmpFrame& frame, const std::string& path) {
    const std::size_t encoded = EncodedLength(frame.indices);
    if (encoded > kSprMaxField) return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    Bytes record;
    record.reserve(kSprRleFrameHeadBytes + encoded);
    PutU16(record, frame.width);
    PutU16(record, frame.height);
    PutU16(record, static_cast<std::uint16_t>(encoded));
    record.resize(kSprRleFrameHeadBytes + encoded);
    EncodeInPieces(frame.indices, std::span(record).subspan(kSprRleFrameHeadBytes));
    return record;
}

SprPalette PaletteOfColourTable(const BmpColourTable& table) {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    }
    return palette;
}

// A true-colour PNG as a frame record: its rows, top row first in red, green, blue,
// alpha, turned into the sprite's bottom-up alpha, blue, green, red.
OrRefusal<Bytes> PngTrueColourFrameRecord(const std::string& path) {
    OrRefusal<PngDecoded> read = ReadPngSource(path, PngKind::TrueColour);
    if (Outcome* refusal = std::get_if<Outcome>(&read)) return std::move(*refusal);
    const PngDecoded& png = std::get<PngDecoded>(read);
    const std::size_t rowBytes = std::size_t{png.width} * kSprTrueColourPixelBytes;
    Bytes record(kSprFrameHeadBytes + rowBytes * png.height);
    record[0] = static_cast<std::uint8_t>(png.width & 0xFF);
    record[1] = static_cast<std::uint8_t>(png.width >> 8);
    record[2] = static_cast<std::uint8_t>(png.height & 0xFF);
    record[3] = static_cast<std::uint8_t>(png.height >> 8);
    for (std::size_t row = 0; row < png.height; ++row) {
        const std::uint8_t* src = png.pixels.data() + row * rowBytes;
        std::uint8_t* dst = record.data() + kSprFrameHeadBytes + (png.height - 1 - row) * rowBytes;
        for (std::size_t x = 0; x < rowBytes; x += kSprTrueColourPixelBytes) {
            dst[x] = src[x + 3];
            dst[x + 1] = src[x + 2];
            dst[x + 2] = src[x + 1];
            dst[x + 3] = src[x];
        }
    }
    return record;
}

// A true-colour source as a frame record: width, height and the pixels moved from the
// TGA's blue, green, red, alpha to the sprite's alpha, blue, green, red. Both store the
// bottom row first, so no row moves.
OrRefusal<Bytes> TrueColourFrameRecord(const std::string& path) {
    if (SourceKindOf(path) == SourceKind::Png) return PngTrueColourFrameRecord(path);
    OrRefusal<File> opened = OpenSource(path, kCannotOpenTgaFormat);
    if (Outcome* refusal = std::get_if<Outcome>(&opened)) return std::move(*refusal);
    const File& file = std::get<File>(opened);

    std::array<std::uint8_t, kTgaHeaderBytes> headBytes{};
    const std::span head =
        std::span(headBytes).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kTgaHeaderBytes)));
    file.ReadAt(0, head);
    const std::optional<TgaSize> size = TestTga32Header(head);
    if (!size) return Stop(TgaProblemText(Tga32Problem::NotUncompressed32, path));
    const std::uint64_t pixelBytes = std::uint64_t{size->width} * size->height * kSprTrueColourPixelBytes;
    if (!FitsIn(file.Length(), kTgaHeaderBytes, pixelBytes)) {
        return Stop(TgaProblemText(Tga32Problem::PixelsOutsideFile, path));
    }

    Bytes record(kSprFrameHeadBytes + static_cast<std::size_t>(pixelBytes));
    record[0] = static_cast<std::uint8_t>(size->width & 0xFF);
    record[1] = static_cast<std::uint8_t>(size->width >> 8);
    record[2] = static_cast<std::uint8_t>(size->height & 0xFF);
    record[3] = static_cast<std::uint8_t>(size->height >> 8);
    const std::span pixels = std::span(record).subspan(kSprFrameHeadBytes);
    Bytes work(WorkBytes(pixelBytes) / kSprTrueColourPixelBytes * kSprTrueColourPixelBytes);
    for (std::size_t done = 0; done < pixels.size(); done += work.size()) {
        const std::size_t piece = std::min(work.size(), pixels.size() - done);
        file.ReadAt(kTgaHeaderBytes + done, std::span(work).first(piece));
        ReorderTrueColour(std::span(work).first(piece), TrueColourOrder::BlueGreenRedAlpha, pixels.subspan(done, piece));
    }
    return record;
}

}  // namespace

SourceKind SourceKindOf(std::string_view path) {
    const std::string_view tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    std::string upper(tail);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "BMP") return SourceKind::Bmp;
    if (upper == "TGA") return SourceKind::Tga;
    if (upper == "PNG") return SourceKind::Png;
    return SourceKind::Neither;
}

namespace {

// The kind of build a source belongs to: Bmp (palettised) or Tga (true-colour); a PNG's
// from its header. Neither, with the refusal, for a PNG that cannot be read as one.
SourceKind BuildKindOf(const std::string& path, std::string& refusal) {
    const SourceKind kind = SourceKindOf(path);
    if (kind != SourceKind::Png) return kind;
    std::array<std::uint8_t, kPngHeaderBytes> headBytes{};
    std::span<std::uint8_t> head;
    try {
        const File file = File::OpenRead(path);
        head = std::span(headBytes).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kPngHeaderBytes)));
        file.ReadAt(0, head);
    } catch (const FileError&) {
        refusal = FormatText(kCannotOpenPngFormat, path.c_str());
        return SourceKind::Neither;
    }
    const PngHeader header = ReadPngHeader(head);
    if (header.problem != PngProblem::None) {
        refusal = PngProblemText(header.problem, path);
        return SourceKind::Neither;
    }
    return header.kind == PngKind::Indexed ? SourceKind::Bmp : SourceKind::Tga;
}

}  // namespace

KindCheck CheckSourceKinds(const std::vector<std::string>& sources) {
    KindCheck check;
    // By the names first, so that a list of the wrong kinds is refused without reading.
    for (const std::string& source : sources) {
        if (SourceKindOf(source) == SourceKind::Neither) {
            check.refusal = kOnlyBmpOrTgaText;
            if (&source != &sources.front()) check.refusal = kMixedKindsText;
            return check;
        }
    }
    if (sources.empty()) {
        check.refusal = kOnlyBmpOrTgaText;
        return check;
    }
    check.kind = BuildKindOf(sources.front(), check.refusal);
    if (!check.refusal.empty()) return check;
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const SourceKind kind = BuildKindOf(sources[i], check.refusal);
        if (!check.refusal.empty()) return check;
        if (kind != check.kind) {
            check.refusal = kMixedKindsText;
            check.kind = SourceKind::Neither;
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
    OrRefusal<OutputFile> opened = OpenSprite(sources, output, SprKind::Indexed256Rle);
    if (Outcome* refusal = std::get_if<Outcome>(&opened)) return std::move(*refusal);
    OutputFile& out = std::get<OutputFile>(opened);

    // The first source's colour table, its top-left entry exchanged with entry 0.
    BmpColourTable spritePalette{};
    std::uint8_t firstT = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string& path = sources[i];
        OrRefusal<BmpFrame> read = ReadPalettisedFrame(path, i == 0);
        if (Outcome* refusal = std::get_if<Outcome>(&read)) return std::move(*refusal);
        BmpFrame& frame = std::get<BmpFrame>(read);

        const std::uint8_t t = frame.transparent.value_or(frame.indices.front());
        if (i == 0) {
            firstT = t;
            spritePalette = frame.colourTable;
            std::swap_ranges(spritePalette.begin(), spritePalette.begin() + 4, spritePalette.begin() + 4 * t);
        }
        const Outcome moved = MoveToSpriteIndices(frame.indices, MapSourceIndices(firstT, t, spritePalette), path);
        if (!moved.done) return moved;

        OrRefusal<Bytes> record = RleFrameRecord(frame, path);
        if (Outcome* refusal = std::get_if<Outcome>(&record)) return std::move(*refusal);
        out.Write(std::get<Bytes>(record));
    }

    Bytes palette;
    AppendSprPalette(palette, PaletteOfColourTable(spritePalette));
    out.Write(palette);
    out.Commit();
    return Outcome::Done(FormatText(kBuiltFormat, output.c_str()));
}

Outcome BuildTrueColourSprite(const std::vector<std::string>& sources, const std::string& output) {
    OrRefusal<OutputFile> opened = OpenSprite(sources, output, SprKind::TrueColor32);
    if (Outcome* refusal = std::get_if<Outcome>(&opened)) return std::move(*refusal);
    OutputFile& out = std::get<OutputFile>(opened);

    for (const std::string& path : sources) {
        OrRefusal<Bytes> record = TrueColourFrameRecord(path);
        if (Outcome* refusal = std::get_if<Outcome>(&record)) return std::move(*refusal);
        out.Write(std::get<Bytes>(record));
    }

    const Bytes zeros(kPaletteBytes, 0);
    out.Write(zeros);
    out.Commit();
    return Outcome::Done();
}

Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output) {
    const KindCheck check = CheckSourceKinds(sources);
    if (!check.refusal.empty()) return Outcome::Refused(check.refusal);
    if (check.kind == SourceKind::Bmp) return BuildPalettedSprite(sources, output);
    return BuildTrueColourSprite(sources, output);
}

}  // namespace zandrel
