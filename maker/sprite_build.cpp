#include "maker/sprite_build.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <thread>

#include "formats/image_files.h"
#include "formats/pixels.h"
#include "formats/png_files.h"
#include "formats/spr_file.h"
#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "os/file.h"
#include "os/file_identity.h"
#include "os/ordered_pool.h"

namespace zandrel {
namespace {

// What both kinds of build do first: check the frame count, make sure the output is
// none of the image sources and create the output. A sprite whose frames are read may
// be replaced: the build lets it go before the output takes its place.
Result<OutputFile> OpenSprite(std::span<const BuildSource> sources, const std::string& output) {
    if (sources.size() > kSprMaxField) return Stop(FormatText(kTooManySourcesFormat, static_cast<int>(kSprMaxField)));
    if (const std::optional<FileIdentity> target = IdentityOf(output)) {
        for (const BuildSource& source : sources) {
            if (!source.frame && IdentityOf(source.path) == target) {
                return Stop(FormatText(kOutputIsSourceFormat, output.c_str(), source.path.c_str()));
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
Outcome WriteRleFrameRecord(const IndexedPicture& frame, const std::string& path, SpriteWriter& writer) {
    writer.StartRecord();
    Bytes& head = writer.Room(kSprRleFrameHeadBytes);
    PutU16(head, frame.width);
    PutU16(head, frame.height);
    PutU16(head, 0);  // rleSize, once it is known
    const ByteSpan indices = frame.pixels;
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

// The frame record of an uncompressed sprite: width, height and the indices.
void WriteRawFrameRecord(const IndexedPicture& frame, SpriteWriter& writer) {
    writer.AppendFrameHead(frame.width, frame.height);
    writer.Append(frame.pixels);
}

// Frames are run-length encoded, unless the first source is a frame of an uncompressed
// sprite: an edit of a sprite keeps its kind.
Result<SprKind> PalettisedKindFor(std::span<const BuildSource> sources) {
    if (sources.empty() || !sources.front().frame) return SprKind::Indexed256Rle;
    const Result<SprKind> kind = SpriteKind(sources.front().path);
    if (!kind) return kind;
    return *kind == SprKind::Indexed256 ? SprKind::Indexed256 : SprKind::Indexed256Rle;
}

}  // namespace

SourceKind SourceKindOf(std::string_view path) {
    const std::string_view tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    std::string upper(tail);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "BMP") return SourceKind::Bmp;
    if (upper == "TGA") return SourceKind::Tga;
    if (upper == "PNG") return SourceKind::Png;
    if (upper == "SPR") return SourceKind::Spr;
    return SourceKind::Neither;
}

std::vector<BuildSource> ImageSources(const std::vector<std::string>& paths) {
    std::vector<BuildSource> sources;
    sources.reserve(paths.size());
    for (const std::string& path : paths) sources.push_back({path, std::nullopt});
    return sources;
}

Result<std::vector<BuildSource>> SourcesNamed(const std::string& name) {
    const std::size_t colon = name.rfind(':');
    if (colon != std::string::npos && !IdentityOf(name)) {
        const std::string_view digits = std::string_view(name).substr(colon + 1);
        const std::string path = name.substr(0, colon);
        const bool allDigits = !digits.empty() && digits.size() <= 5 &&
                               std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (allDigits && SourceKindOf(path) == SourceKind::Spr && std::stoul(std::string(digits)) <= kSprMaxField) {
            return std::vector<BuildSource>{{path, static_cast<std::uint16_t>(std::stoul(std::string(digits)))}};
        }
    }
    if (SourceKindOf(name) == SourceKind::Spr) return SpriteFrameSources(name);
    return std::vector<BuildSource>{{name, std::nullopt}};
}

std::string SourceName(const BuildSource& source) {
    if (!source.frame) return source.path;
    return source.path + ":" + std::to_string(*source.frame);
}

namespace {

// The kind of build a source belongs to: Bmp (palettised) or Tga (true-colour); a PNG's
// from its header, which must be sound, and a sprite frame's from its sprite's.
Result<SourceKind> BuildKindOf(const BuildSource& source) {
    const std::string& path = source.path;
    if (source.frame) {
        const Result<SprKind> kind = SpriteKind(path);
        if (!kind) return kind.Refused();
        return *kind == SprKind::TrueColor32 ? SourceKind::Tga : SourceKind::Bmp;
    }
    const SourceKind kind = SourceKindOf(path);
    if (kind != SourceKind::Png) return kind;
    std::array<std::uint8_t, kPngHeaderBytes> headBytes{};
    std::span<std::uint8_t> head;
    try {
        const File file = File::OpenRead(path);
        head = std::span(headBytes).first(
            static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kPngHeaderBytes)));
        file.ReadAt(0, head);
    } catch (const FileError&) {
        return Refusal{RefusalKind::Rule, FormatText(kCannotOpenPngFormat, path.c_str())};
    }
    const PngHeader header = ReadPngHeader(head);
    if (header.problem != PngProblem::None) return Refusal{RefusalKind::Rule, PngProblemText(header.problem, path)};
    return header.kind == PngKind::Indexed ? SourceKind::Bmp : SourceKind::Tga;
}

}  // namespace

Result<SourceKind> CheckSourceKinds(std::span<const BuildSource> sources) {
    // By the names first, so that a list of the wrong kinds is refused without reading.
    // A sprite is a source only by its frames.
    for (const BuildSource& source : sources) {
        const SourceKind named = SourceKindOf(source.path);
        if (!source.frame && (named == SourceKind::Neither || named == SourceKind::Spr)) {
            return Refusal{RefusalKind::Rule, &source == &sources.front() ? kOnlyBmpOrTgaText : kMixedKindsText};
        }
    }
    if (sources.empty()) return Refusal{RefusalKind::Rule, kOnlyBmpOrTgaText};
    const Result<SourceKind> first = BuildKindOf(sources.front());
    if (!first) return first;
    // The frames of one sprite follow each other: its header is read once for them.
    const std::string* lastSprite = sources.front().frame ? &sources.front().path : nullptr;
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const BuildSource& source = sources[i];
        if (source.frame && lastSprite != nullptr && *lastSprite == source.path) continue;
        const Result<SourceKind> kind = BuildKindOf(source);
        if (!kind) return kind;
        if (*kind != *first) return Refusal{RefusalKind::Rule, kMixedKindsText};
        lastSprite = source.frame ? &source.path : nullptr;
    }
    return first;
}

Result<SourceKind> CheckSourceKinds(const std::vector<std::string>& sources) {
    return CheckSourceKinds(ImageSources(sources));
}

namespace {

// The colour table of a palettised source, or nothing when it cannot be read.
std::optional<BmpColourTable> ColourTableOfSource(const BuildSource& source) {
    const std::string& path = source.path;
    if (source.frame) {
        SpriteShelf shelf;
        const Result<const SpriteShelf::Sprite*> sprite = shelf.Open(path);
        if (!sprite) return std::nullopt;
        return ColourTableOf((*sprite)->palette);
    }
    try {
        const File file = File::OpenRead(path);
        if (SourceKindOf(path) == SourceKind::Png) {
            const PngDecoded png = DecodePng(file.ReadAll());
            if (png.problem != PngProblem::None || png.kind != PngKind::Indexed) return std::nullopt;
            return png.colourTable;
        }
        std::array<std::uint8_t, kBmpFileHeaderBytes + kBmpLargestInfoHeader + kBmpColourTableBytes> head{};
        const std::span bytes =
            std::span(head).first(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), head.size())));
        file.ReadAt(0, bytes);
        const std::optional<Bmp8Headers> headers = ReadBmp8Headers(bytes);
        if (!headers || headers->bfType != kBmpType) return std::nullopt;
        return ReadBmp8ColourTable(bytes, *headers);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

}  // namespace

std::vector<std::string> SourcesWithOtherPalettes(std::span<const BuildSource> sources) {
    std::vector<std::string> others;
    if (sources.size() < 2) return others;
    const std::optional<BmpColourTable> first = ColourTableOfSource(sources.front());
    if (!first) return others;
    const std::string* lastSprite = sources.front().frame ? &sources.front().path : nullptr;
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const BuildSource& source = sources[i];
        if (source.frame) {
            // A sprite's frames share its palette: it is looked at, and named, once.
            if (lastSprite != nullptr && *lastSprite == source.path) continue;
            lastSprite = &source.path;
            if (std::find(others.begin(), others.end(), source.path) != others.end()) continue;
        } else if (SourceKindOf(source.path) != SourceKind::Bmp) {
            continue;
        }
        const std::optional<BmpColourTable> table = ColourTableOfSource(source);
        if (table && *table != *first) others.push_back(source.path);
    }
    return others;
}

std::string OtherPalettesQuestion(const std::vector<std::string>& sources) {
    std::string text = kOtherPalettesQuestion;
    for (std::size_t i = 0; i < sources.size() && i < kOtherPalettesListed; ++i) text += "\n" + sources[i];
    if (sources.size() > kOtherPalettesListed) text += "\n……";
    return text + "\n" + kOtherPalettesGoOn;
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

std::string InitialSaveName(const BuildSource& firstSource) {
    return firstSource.frame ? firstSource.path : InitialSaveName(std::string_view(firstSource.path));
}

namespace {

// What one thread keeps from one source to the next.
struct SourceBuffers {
    PalettisedSource source;
    Bytes whole;
};

// The sprite's palette: the first source's colour table with its top-left entry
// exchanged with entry 0, and that top-left index.
struct SpritePalette {
    BmpColourTable table{};
    std::uint8_t firstT = 0;
};

// A palettised source read and moved to the sprite's indices in `buffers.source`; the
// first source decides `palette`, the others only read it.
Outcome ReadMappedSource(const BuildSource& from, bool first, SpritePalette& palette, SpriteShelf& shelf,
                         SourceBuffers& buffers) {
    if (Outcome read = ReadPalettisedSource(from, first, shelf, buffers.source, buffers.whole); !read.done) return read;
    IndexedPicture& frame = buffers.source.picture;
    const std::uint8_t t = buffers.source.transparent.value_or(frame.pixels.front());
    if (first) {
        palette.firstT = t;
        palette.table = buffers.source.colourTable;
        std::swap_ranges(palette.table.begin(), palette.table.begin() + 4,
                         palette.table.begin() + 4 * std::ptrdiff_t{t});
    }
    return MoveToSpriteIndices(frame.pixels, MapSourceIndices(palette.firstT, t, palette.table), SourceName(from));
}

Outcome WritePalettisedRecord(const IndexedPicture& frame, SprKind kind, const BuildSource& from,
                              SpriteWriter& writer) {
    if (kind == SprKind::Indexed256) {
        WriteRawFrameRecord(frame, writer);
        return Outcome::Done();
    }
    return WriteRleFrameRecord(frame, SourceName(from), writer);
}

// Each thread holds one source open at a time: this many keep a build far below the
// usual limit of open files, and more would only wait for the disk.
constexpr unsigned kMostBuildThreads = 16;

// How many threads make the records of `count` sources; a build of one or two sources
// is not worth starting any.
unsigned BuildThreadsFor(unsigned asked, std::size_t count) {
    if (count <= 2) return 1;
    const unsigned threads = asked != 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(std::min(threads, kMostBuildThreads), count));
}

// A source file is held without sharing: two threads reading the same file, under one
// name or two, would refuse each other. A thread waits here until no other one holds
// the file it is about to open.
class FileGate {
public:
    class Pass {
    public:
        Pass(FileGate& gate, const BuildSource& source) : m_gate(gate) {
            if (!source.frame) m_identity = IdentityOf(source.path);
            if (m_identity) m_gate.Enter(*m_identity);
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        ~Pass() {
            if (m_identity) m_gate.Leave(*m_identity);
        }

    private:
        FileGate& m_gate;
        std::optional<FileIdentity> m_identity;
    };

private:
    void Enter(const FileIdentity& identity) {
        std::unique_lock lock(m_mutex);
        m_left.wait(lock, [&] { return std::find(m_held.begin(), m_held.end(), identity) == m_held.end(); });
        m_held.push_back(identity);
    }
    void Leave(const FileIdentity& identity) {
        {
            const std::lock_guard lock(m_mutex);
            m_held.erase(std::find(m_held.begin(), m_held.end(), identity));
        }
        m_left.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_left;
    std::vector<FileIdentity> m_held;
};

// The sprite shelf keeps one sprite open for its frames: the threads share it, one at
// a time, so that a sprite is opened once for the frames that follow each other as it
// is when one thread reads them all.
struct SharedShelf {
    std::mutex mutex;
    SpriteShelf shelf;
};

// A source held for one thread while it is read: a sprite frame through the shared
// shelf, under its lock; any other file through the gate.
class SourceHold {
public:
    SourceHold(SharedShelf& shared, FileGate& gate, const BuildSource& source)
        : m_shelfLock(shared.mutex, std::defer_lock) {
        if (source.frame) {
            m_shelfLock.lock();
        } else {
            m_pass.emplace(gate, source);
        }
    }
    void Release() {
        if (m_shelfLock) m_shelfLock.unlock();
        m_pass.reset();
    }

private:
    std::unique_lock<std::mutex> m_shelfLock;
    std::optional<FileGate::Pass> m_pass;
};

// The records of sources [begin, end) made on a few threads and appended in source
// order by one, each in a writer without a file kept from one run to the next.
class RecordPool {
public:
    // Makes the record of a source into a writer without a file.
    using Make = std::function<Outcome(std::size_t, SourceBuffers&, SpriteWriter&)>;

    RecordPool(unsigned threads, std::size_t begin, std::size_t end, const Make& make)
        : m_make(make), m_pool(threads, begin, end, m_makeInto) {}

    // The record of source `index`, appended to `writer`, or why it could not be made.
    // Sources are taken in order, each once.
    Outcome Take(std::size_t index, SpriteWriter& writer) {
        return m_pool.Take(index, [&](Made& made) -> Outcome {
            if (!made.outcome.done) return std::move(made.outcome);
            writer.Append(made.record.Kept());
            return Outcome::Done();
        });
    }

private:
    struct Made {
        Outcome outcome = Outcome::Done();
        SpriteWriter record;
    };
    using Pool = OrderedPool<Made, SourceBuffers>;

    bool MakeInto(std::size_t index, SourceBuffers& buffers, Made& made) {
        made.record.Clear();
        made.outcome = m_make(index, buffers, made.record);
        // The taker stops at a refused source: the rest of the run is not wanted.
        return made.outcome.done;
    }

    const Make& m_make;
    const Pool::Make m_makeInto = [this](std::size_t index, SourceBuffers& buffers, Made& made) {
        return MakeInto(index, buffers, made);
    };
    Pool m_pool;  // last: its threads stop before the rest goes
};

}  // namespace

Outcome BuildPalettedSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads) {
    const Result<SprKind> kind = PalettisedKindFor(sources);
    if (!kind) return kind.Refused();
    Result<OutputFile> opened = OpenSprite(sources, output);
    if (!opened) return std::move(opened.Refused());
    SpriteWriter writer(*opened, *kind, sources.size());

    SpritePalette palette;
    SourceBuffers buffers;
    SharedShelf shared;
    const auto record = [&](std::size_t i, SourceBuffers& own, SpriteWriter& into) {
        if (Outcome read = ReadMappedSource(sources[i], i == 0, palette, shared.shelf, own); !read.done) return read;
        return WritePalettisedRecord(own.source.picture, *kind, sources[i], into);
    };
    // The first source decides the palette; the others are then each a record of their
    // own, made on any thread.
    const unsigned workers = sources.empty() ? 1 : BuildThreadsFor(threads, sources.size() - 1);
    if (workers <= 1) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (Outcome made = record(i, buffers, writer); !made.done) return made;
        }
    } else {
        if (Outcome made = record(0, buffers, writer); !made.done) return made;
        buffers = SourceBuffers();
        FileGate gate;
        const RecordPool::Make make = [&](std::size_t i, SourceBuffers& own, SpriteWriter& into) {
            SourceHold hold(shared, gate, sources[i]);
            if (Outcome read = ReadMappedSource(sources[i], false, palette, shared.shelf, own); !read.done) return read;
            hold.Release();
            return WritePalettisedRecord(own.source.picture, *kind, sources[i], into);
        };
        RecordPool pool(workers, 1, sources.size(), make);
        for (std::size_t i = 1; i < sources.size(); ++i) {
            if (Outcome taken = pool.Take(i, writer); !taken.done) return taken;
        }
    }
    buffers = SourceBuffers();
    shared.shelf.Close();

    AppendSprPalette(writer.Room(kPaletteBytes), PaletteOf(palette.table));
    writer.Finish();
    return Outcome::Done(FormatText(kBuiltFormat, output.c_str()));
}

Outcome BuildTrueColourSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads) {
    Result<OutputFile> opened = OpenSprite(sources, output);
    if (!opened) return std::move(opened.Refused());
    SpriteWriter writer(*opened, SprKind::TrueColor32, sources.size());

    SharedShelf shared;
    const unsigned workers = BuildThreadsFor(threads, sources.size());
    if (workers <= 1) {
        for (const BuildSource& source : sources) {
            if (Outcome written = WriteTrueColourSource(source, shared.shelf, writer); !written.done) return written;
        }
    } else {
        FileGate gate;
        const RecordPool::Make make = [&](std::size_t i, SourceBuffers&, SpriteWriter& into) {
            const SourceHold hold(shared, gate, sources[i]);
            return WriteTrueColourSource(sources[i], shared.shelf, into);
        };
        RecordPool pool(workers, 0, sources.size(), make);
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (Outcome taken = pool.Take(i, writer); !taken.done) return taken;
        }
    }
    shared.shelf.Close();

    Bytes& bytes = writer.Room(kPaletteBytes);
    bytes.resize(bytes.size() + kPaletteBytes, 0);
    writer.Finish();
    return Outcome::Done();
}

Outcome BuildSprite(std::span<const BuildSource> sources, const std::string& output, unsigned threads) {
    const Result<SourceKind> kind = CheckSourceKinds(sources);
    if (!kind) return kind.Refused();
    if (*kind == SourceKind::Bmp) return BuildPalettedSprite(sources, output, threads);
    return BuildTrueColourSprite(sources, output, threads);
}

Outcome BuildSprite(const std::vector<std::string>& sources, const std::string& output, unsigned threads) {
    return BuildSprite(ImageSources(sources), output, threads);
}

}  // namespace zandrel
