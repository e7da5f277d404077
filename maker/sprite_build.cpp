#include "maker/sprite_build.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/png_files.h"
#include "formats/spr_file.h"
#include "maker/source_images.h"
#include "os/file.h"
#include "os/file_identity.h"

namespace zandrel {
namespace {

// Every refusal of the build ends what it set out to make.
Refusal Stop(std::string text) { return {RefusalKind::Failure, std::move(text)}; }

// Work buffers for reading and encoding a frame a piece at a time: never more than the
// frame's own pixels (give or take the smallest useful piece), and never large.
constexpr std::size_t kLeastWorkBytes = 2 * 256;  // an encoder piece holds a whole run
constexpr std::size_t kMostWorkBytes = std::size_t{128} << 10;

std::size_t WorkBytes(std::uint64_t frameBytes) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(frameBytes, kLeastWorkBytes, kMostWorkBytes));
}

Result<File> OpenSource(const std::string& path, const char* cannotOpenFormat) {
    try {
        return File::OpenRead(path);
    } catch (const FileError&) {
        return Stop(FormatText(cannotOpenFormat, path.c_str()));
    }
}

// What both kinds of build do first: check the frame count, make sure the output is
// none of the sources and create the output.
Result<OutputFile> OpenSprite(const std::vector<std::string>& sources, const std::string& output) {
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
    return out;
}

// The sprite's bytes on their way to the output, gathered into writes of up to about
// a megabyte: one large write costs far less than many small ones. The buffer grows
// with what has been written, so that a small sprite keeps a small one, and a record
// that is still being encoded stays in it whole, so that its head can be filled in.
class SpriteWriter {
public:
    SpriteWriter(OutputFile& out, SprKind kind, std::size_t frames) : m_out(out) {
        AppendSprHeader(Room(kSprHeaderBytes), MakeWrittenSprHeader(kind, static_cast<std::uint16_t>(frames)));
    }

    // The buffer, with room for `count` more bytes appended to it without it moving.
    Bytes& Room(std::size_t count) {
        if (m_bytes.capacity() - m_bytes.size() >= count) return m_bytes;
        const std::size_t done = std::min(m_nRecordStart, m_bytes.size());
        if (done > 0) m_out.Write(std::span(m_bytes).first(done));
        m_nWritten += done;
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(done));
        if (m_nRecordStart != kNoRecord) m_nRecordStart = 0;

        const std::size_t wanted = std::max<std::size_t>(
            m_bytes.size() + count, static_cast<std::size_t>(std::min<std::uint64_t>(2 * m_nWritten, kGatherBytes)));
        if (m_bytes.capacity() < wanted && m_bytes.empty()) {
            m_bytes = Bytes();  // the old buffer goes before the new one comes
            m_bytes.reserve(wanted);
        } else if (m_bytes.capacity() < wanted) {
            Bytes larger;
            larger.reserve(wanted);
            larger.assign(m_bytes.begin(), m_bytes.end());
            m_bytes = std::move(larger);
        }
        return m_bytes;
    }

    // Bytes appended from here to EndRecord are kept together in the buffer.
    void StartRecord() { m_nRecordStart = m_bytes.size(); }
    std::span<std::uint8_t> Record() { return std::span(m_bytes).subspan(m_nRecordStart); }
    void EndRecord() { m_nRecordStart = kNoRecord; }

    void Finish() {
        m_out.Write(m_bytes);
        m_bytes = Bytes();
        m_out.Commit();
    }

private:
    static constexpr std::size_t kGatherBytes = std::size_t{1} << 20;
    static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

    OutputFile& m_out;
    Bytes m_bytes;
    std::uint64_t m_nWritten = 0;
    std::size_t m_nRecordStart = kNoRecord;
};

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

// A source no longer than this is read whole, in one read, into a buffer kept from
// one source to the next: most sources are small, and a read of the headers and
// another of the pixels cost a small source nearly twice what one read does.
constexpr std::uint64_t kWholeSourceBytes = std::uint64_t{64} << 10;

// Reads a palettised source by the reading rule into `frame`, whose buffers are kept
// from one source to the next. Everything that can refuse it is decided from its
// headers and its length before a pixel is read.
Outcome ReadBmpFrame(const std::string& path, bool withColourTable, BmpFrame& frame, Bytes& whole) {
    Result<File> opened = OpenSource(path, kCannotOpenBmpFormat);
    if (!opened) return std::move(opened.Refused());
    const File& file = *opened;

    // The headers and, behind an info header of up to 124 bytes, the colour table.
    std::array<std::uint8_t, kBmpFileHeaderBytes + kBmpLargestInfoHeader + kBmpColourTableBytes> headBytes{};
    const std::size_t headLength = static_cast<std::size_t>(
        std::min<std::uint64_t>(file.Length(), withColourTable ? headBytes.size() : kBmpHeadersBytes));
    std::span<const std::uint8_t> bytes;  // the whole file, when it is small
    std::span<const std::uint8_t> head;
    if (file.Length() <= kWholeSourceBytes) {
        const auto length = static_cast<std::size_t>(file.Length());
        if (whole.size() < length) whole.resize(length);
        file.ReadAt(0, std::span(whole).first(length));
        bytes = std::span(whole).first(length);
        head = bytes.first(headLength);
    } else {
        file.ReadAt(0, std::span(headBytes).first(headLength));
        head = std::span(headBytes).first(headLength);
    }
    if (head.size() < kBmpHeadersBytes) return Stop(BmpProblemText(DecodeBmp8(head).problem, path, SourceReader::Build));
    const Bmp8Headers headers = *ReadBmp8Headers(head);
    // The head holds the pixels seldom if ever: whether the file does is checked below.
    const Bmp8Problem problem = CheckBmp8(head, headers);
    if (problem != Bmp8Problem::None && problem != Bmp8Problem::PixelsOutsideFile) {
        return Stop(BmpProblemText(problem, path, SourceReader::Build));
    }

    frame.width = static_cast<std::uint16_t>(headers.biWidth);
    frame.height = static_cast<std::uint16_t>(headers.biHeight);
    const std::uint64_t pixels = std::uint64_t{frame.width} * frame.height;
    if (pixels > SprMaxRlePixels(kSprMaxField)) return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    const std::size_t stride = BmpRowStride(frame.width);
    const std::uint64_t stored = std::uint64_t{stride} * (frame.height - 1u) + frame.width;
    if (!FitsIn(file.Length(), headers.bfOffBits, stored)) {
        return Stop(BmpProblemText(Bmp8Problem::PixelsOutsideFile, path, SourceReader::Build));
    }

    if (withColourTable) frame.colourTable = ReadBmp8ColourTable(head, headers);
    frame.indices.resize(static_cast<std::size_t>(pixels));
    if (bytes.empty()) {
        ReadBmpRows(file, headers.bfOffBits, frame.width, frame.height, frame.indices);
        return Outcome::Done();
    }
    // Rows are stored bottom-up.
    for (std::size_t k = 0; k < frame.height; ++k) {
        std::memcpy(frame.indices.data() + (frame.height - 1 - k) * frame.width,
                    bytes.data() + headers.bfOffBits + k * stride, frame.width);
    }
    return Outcome::Done();
}

// A PNG source whole, checked from its header before its pixels are decoded; the
// decoder's own limits keep what it allocates to what the pixels need.
Result<PngDecoded> ReadPngSource(const std::string& path, PngKind wanted) {
    Result<File> opened = OpenSource(path, kCannotOpenPngFormat);
    if (!opened) return std::move(opened.Refused());
    const Bytes bytes = opened->ReadAll();
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

Outcome ReadIndexedPngFrame(const std::string& path, BmpFrame& frame) {
    Result<PngDecoded> read = ReadPngSource(path, PngKind::Indexed);
    if (!read) return std::move(read.Refused());
    PngDecoded& png = *read;
    frame.width = png.width;
    frame.height = png.height;
    frame.indices = std::move(png.pixels);
    frame.colourTable = png.colourTable;
    frame.transparent = png.transparentIndex;
    return Outcome::Done();
}

Outcome ReadPalettisedFrame(const std::string& path, bool withColourTable, BmpFrame& frame, Bytes& whole) {
    frame.transparent.reset();
    if (SourceKindOf(path) == SourceKind::Png) return ReadIndexedPngFrame(path, frame);
    return ReadBmpFrame(path, withColourTable, frame, whole);
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
// whose encoding rleSize cannot measure. The encoder wants room for twice its input, so
// it is given the frame a piece at a time, each piece ending where the pieces' encodings
// one after the other give the bytes of the whole frame's.
Outcome WriteRleFrameRecord(const BmpFrame& frame, const std::string& path, SpriteWriter& writer) {
    writer.StartRecord();
    Bytes& head = writer.Room(kSprRleFrameHeadBytes);
    PutU16(head, frame.width);
    PutU16(head, frame.height);
    PutU16(head, 0);  // rleSize, once it is known
    const ByteSpan indices = frame.indices;
    const std::size_t most = WorkBytes(indices.size()) / 2;
    for (std::size_t begin = 0; begin < indices.size();) {
        const std::size_t end = PieceEnd(indices, begin, most);
        SprEncodeRle(indices.subspan(begin, end - begin), writer.Room(2 * (end - begin)));
        if (writer.Record().size() - kSprRleFrameHeadBytes > kSprMaxField) {
            return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
        }
        begin = end;
    }
    const std::span record = writer.Record();
    const std::size_t encoded = record.size() - kSprRleFrameHeadBytes;
    record[4] = static_cast<std::uint8_t>(encoded & 0xFF);
    record[5] = static_cast<std::uint8_t>(encoded >> 8);
    writer.EndRecord();
    return Outcome::Done();
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
Outcome WritePngTrueColourFrameRecord(const std::string& path, SpriteWriter& writer) {
    Result<PngDecoded> read = ReadPngSource(path, PngKind::TrueColour);
    if (!read) return std::move(read.Refused());
    const PngDecoded& png = *read;
    const std::size_t rowBytes = std::size_t{png.width} * kSprTrueColourPixelBytes;
    Bytes& head = writer.Room(kSprFrameHeadBytes);
    PutU16(head, png.width);
    PutU16(head, png.height);
    for (std::size_t row = png.height; row-- > 0;) {
        const std::uint8_t* src = png.pixels.data() + row * rowBytes;
        Bytes& bytes = writer.Room(rowBytes);
        bytes.resize(bytes.size() + rowBytes);
        std::uint8_t* dst = bytes.data() + bytes.size() - rowBytes;
        for (std::size_t x = 0; x < rowBytes; x += kSprTrueColourPixelBytes) {
            dst[x] = src[x + 3];
            dst[x + 1] = src[x + 2];
            dst[x + 2] = src[x + 1];
            dst[x + 3] = src[x];
        }
    }
    return Outcome::Done();
}

// A true-colour source as a frame record: width, height and the pixels moved from the
// TGA's blue, green, red, alpha to the sprite's alpha, blue, green, red. Both store the
// bottom row first, so no row moves.
Outcome WriteTrueColourFrameRecord(const std::string& path, SpriteWriter& writer) {
    if (SourceKindOf(path) == SourceKind::Png) return WritePngTrueColourFrameRecord(path, writer);
    Result<File> opened = OpenSource(path, kCannotOpenTgaFormat);
    if (!opened) return std::move(opened.Refused());
    const File& file = *opened;

    std::array<std::uint8_t, kTgaHeaderBytes> headBytes{};
    const std::span head =
        std::span(headBytes).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kTgaHeaderBytes)));
    file.ReadAt(0, head);
    const std::optional<TgaSize> size = TestTga32Header(head);
    if (!size) return Stop(TgaProblemText(Tga32Problem::NotUncompressed32, path));
    if (ExceedsFramePixels(size->width, size->height)) return Stop(TgaProblemText(Tga32Problem::TooManyPixels, path));
    const std::uint64_t pixelBytes = std::uint64_t{size->width} * size->height * kSprTrueColourPixelBytes;
    if (!FitsIn(file.Length(), kTgaHeaderBytes, pixelBytes)) {
        return Stop(TgaProblemText(Tga32Problem::PixelsOutsideFile, path));
    }

    Bytes& recordHead = writer.Room(kSprFrameHeadBytes);
    PutU16(recordHead, size->width);
    PutU16(recordHead, size->height);
    Bytes work(WorkBytes(pixelBytes) / kSprTrueColourPixelBytes * kSprTrueColourPixelBytes);
    for (std::uint64_t done = 0; done < pixelBytes; done += work.size()) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(work.size(), pixelBytes - done));
        file.ReadAt(kTgaHeaderBytes + done, std::span(work).first(piece));
        Bytes& bytes = writer.Room(piece);
        bytes.resize(bytes.size() + piece);
        ReorderTrueColour(std::span(work).first(piece), TrueColourOrder::BlueGreenRedAlpha,
                          std::span(bytes).last(piece));
    }
    return Outcome::Done();
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
// from its header, which must be sound.
Result<SourceKind> BuildKindOf(const std::string& path) {
    const SourceKind kind = SourceKindOf(path);
    if (kind != SourceKind::Png) return kind;
    std::array<std::uint8_t, kPngHeaderBytes> headBytes{};
    std::span<std::uint8_t> head;
    try {
        const File file = File::OpenRead(path);
        head = std::span(headBytes).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kPngHeaderBytes)));
        file.ReadAt(0, head);
    } catch (const FileError&) {
        return Refusal{RefusalKind::Rule, FormatText(kCannotOpenPngFormat, path.c_str())};
    }
    const PngHeader header = ReadPngHeader(head);
    if (header.problem != PngProblem::None) return Refusal{RefusalKind::Rule, PngProblemText(header.problem, path)};
    return header.kind == PngKind::Indexed ? SourceKind::Bmp : SourceKind::Tga;
}

}  // namespace

Result<SourceKind> CheckSourceKinds(const std::vector<std::string>& sources) {
    // By the names first, so that a list of the wrong kinds is refused without reading.
    for (const std::string& source : sources) {
        if (SourceKindOf(source) == SourceKind::Neither) {
            return Refusal{RefusalKind::Rule, &source == &sources.front() ? kOnlyBmpOrTgaText : kMixedKindsText};
        }
    }
    if (sources.empty()) return Refusal{RefusalKind::Rule, kOnlyBmpOrTgaText};
    const Result<SourceKind> first = BuildKindOf(sources.front());
    if (!first) return first;
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const Result<SourceKind> kind = BuildKindOf(sources[i]);
        if (!kind) return kind;
        if (*kind != *first) return Refusal{RefusalKind::Rule, kMixedKindsText};
    }
    return first;
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
    Result<OutputFile> opened = OpenSprite(sources, output);
    if (!opened) return std::move(opened.Refused());
    SpriteWriter writer(*opened, SprKind::Indexed256Rle, sources.size());

    // The first source's colour table, its top-left entry exchanged with entry 0.
    BmpColourTable spritePalette{};
    std::uint8_t firstT = 0;
    BmpFrame frame;
    Bytes whole;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::string& path = sources[i];
        if (Outcome read = ReadPalettisedFrame(path, i == 0, frame, whole); !read.done) return read;

        const std::uint8_t t = frame.transparent.value_or(frame.indices.front());
        if (i == 0) {
            firstT = t;
            spritePalette = frame.colourTable;
            std::swap_ranges(spritePalette.begin(), spritePalette.begin() + 4, spritePalette.begin() + 4 * t);
        }
        const Outcome moved = MoveToSpriteIndices(frame.indices, MapSourceIndices(firstT, t, spritePalette), path);
        if (!moved.done) return moved;
        if (Outcome written = WriteRleFrameRecord(frame, path, writer); !written.done) return written;
    }
    frame = BmpFrame();
    whole = Bytes();

    AppendSprPalette(writer.Room(kPaletteBytes), PaletteOfColourTable(spritePalette));
    writer.Finish();
    return Outcome::Done(FormatText(kBuiltFormat, output.c_str()));
}

Outcome BuildTrueColourSprite(const std::vector<std::string>& sources, const std::string& output) {
    Result<OutputFile> opened = OpenSprite(sources, output);
    if (!opened) return std::move(opened.Refused());
    SpriteWriter writer(*opened, SprKind::TrueColor32, sources.size());

    for (const std::string& path : sources) {
        if (Outcome written = WriteTrueColourFrameRecord(path, writer); !written.done) return written;
    }

    Bytes& bytes = writer.Room(kPaletteBytes);
    bytes.resize(bytes.size() + kPaletteBytes, 0);
    writer.Finish();
    return Outcome::Done();
}

Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output) {
    const Result<SourceKind> kind = CheckSourceKinds(sources);
    if (!kind) return kind.Refused();
    if (*kind == SourceKind::Bmp) return BuildPalettedSprite(sources, output);
    return BuildTrueColourSprite(sources, output);
}

}  // namespace zandrel
