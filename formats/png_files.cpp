#include "formats/png_files.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/pixels.h"

namespace zandrel {
namespace {

constexpr std::uint8_t kPngSignature[kPngSignatureBytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIhdrTypeOffset = 12;
constexpr std::size_t kIhdrWidthOffset = 16;
constexpr std::size_t kIhdrHeightOffset = 20;
constexpr std::uint8_t kColourTypeIndexed = 3;
constexpr std::size_t kRgbaBytes = 4;

// Deflate cannot expand a byte into more than 1032; a file whose pixels need more than
// that many times its length is damaged, and is refused before anything is allocated.
constexpr std::uint64_t kMostDeflateRatio = 1032;
// Ancillary chunks are not used; a text or colour profile chunk may take this much and no more.
constexpr std::size_t kMostCachedChunkBytes = std::size_t{1} << 20;

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

std::uint32_t GetU32BigEndian(ByteSpan bytes, std::size_t offset) {
    return std::uint32_t{bytes[offset]} << 24 | std::uint32_t{bytes[offset + 1]} << 16 |
           std::uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

std::uint32_t ChannelsOf(std::uint8_t colourType) {
    switch (colourType) {
        case SPNG_COLOR_TYPE_TRUECOLOR: return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: return 4;
        default: return 1;
    }
}

// The bytes of the filtered rows the compressed data must give.
std::uint64_t FilteredBytes(const spng_ihdr& ihdr) {
    const std::uint64_t rowBits = std::uint64_t{ihdr.width} * ChannelsOf(ihdr.color_type) * ihdr.bit_depth;
    return std::uint64_t{ihdr.height} * (1 + (rowBits + 7) / 8);
}

// A decoder on `file` with the limits set, and the IHDR it has read; null on failure.
Context OpenDecoder(ByteSpan file, spng_ihdr& ihdr, PngProblem& problem) {
    problem = PngProblem::None;
    if (file.size() < kPngHeaderBytes || !HasPngSignature(file) ||
        std::memcmp(file.data() + kIhdrTypeOffset, "IHDR", 4) != 0) {
        problem = PngProblem::NotPng;
        return nullptr;
    }
    const std::uint32_t width = GetU32BigEndian(file, kIhdrWidthOffset);
    const std::uint32_t height = GetU32BigEndian(file, kIhdrHeightOffset);
    if (width == 0 || height == 0) {
        problem = PngProblem::NoPixels;
        return nullptr;
    }
    if (width > kSprMaxField || height > kSprMaxField) {
        problem = PngProblem::TooLarge;
        return nullptr;
    }
    if (ExceedsFramePixels(width, height)) {
        problem = PngProblem::TooManyPixels;
        return nullptr;
    }
    Context ctx(spng_ctx_new(0));
    if (!ctx) throw std::bad_alloc();
    spng_set_image_limits(ctx.get(), kSprMaxField, kSprMaxField);
    spng_set_chunk_limits(ctx.get(), file.size(), kMostCachedChunkBytes);
    spng_set_png_buffer(ctx.get(), file.data(), file.size());
    if (spng_get_ihdr(ctx.get(), &ihdr) != 0) {
        problem = PngProblem::NotPng;
        return nullptr;
    }
    return ctx;
}

constexpr std::size_t kChunkFrameBytes = 12;  // length u32 (big-endian), type, ..., CRC u32
constexpr std::uint8_t kAncillaryBit = 0x20;  // in the first letter of a chunk's type

// The chunks a decode reads: every critical one, and of the ancillary ones tRNS alone.
bool IsChunkUsed(const std::uint8_t* type) {
    return (type[0] & kAncillaryBit) == 0 || std::memcmp(type, "tRNS", 4) == 0;
}

// The file without the ancillary chunks that decoding does not use (text, colour
// profiles, time stamps, ...), so that no number or size of them can make a sound image
// fail the decoder's limits. Bytes from a chunk that runs past the end on are kept as
// they are, for the decoder to judge. Empty when there is nothing to leave out: the
// file is then decoded as it is.
Bytes WithoutUnusedChunks(ByteSpan file) {
    Bytes kept;
    std::size_t copiedTo = 0;  // the file's bytes before this are in `kept`, or left out
    std::size_t at = kPngSignatureBytes;
    while (file.size() - at >= kChunkFrameBytes) {
        const std::uint64_t length = GetU32BigEndian(file, at);
        if (!FitsIn(file.size() - at, kChunkFrameBytes, length)) break;
        const std::size_t end = at + kChunkFrameBytes + static_cast<std::size_t>(length);
        if (!IsChunkUsed(file.data() + at + 4)) {
            if (kept.empty()) kept.reserve(file.size());
            kept.insert(kept.end(), file.begin() + static_cast<std::ptrdiff_t>(copiedTo),
                        file.begin() + static_cast<std::ptrdiff_t>(at));
            copiedTo = end;
        }
        at = end;
    }
    if (copiedTo == 0) return kept;
    kept.insert(kept.end(), file.begin() + static_cast<std::ptrdiff_t>(copiedTo), file.end());
    return kept;
}

void UnpackIndices(ByteSpan packed, std::uint32_t width, std::uint32_t height, std::uint8_t depth, Bytes& out) {
    const std::size_t stride = (std::size_t{width} * depth + 7) / 8;
    const unsigned mask = (1u << depth) - 1;
    out.resize(std::size_t{width} * height);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = packed.data() + y * stride;
        std::uint8_t* dst = out.data() + y * width;
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t bit = x * depth;
            const unsigned shift = 8 - depth - static_cast<unsigned>(bit % 8);
            dst[x] = static_cast<std::uint8_t>((row[bit / 8] >> shift) & mask);
        }
    }
}

// Before each block spng and zlib are handed; its size keeps malloc's alignment for
// what follows.
struct alignas(std::max_align_t) Block {
    std::size_t capacity;
};

void* NewBlock(std::size_t size) {
    if (size > std::numeric_limits<std::size_t>::max() - sizeof(Block)) return nullptr;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
    if (block == nullptr) return nullptr;
    block->capacity = size;
    return block + 1;
}

Block* BlockOf(void* memory) { return static_cast<Block*>(memory) - 1; }

}  // namespace

// A deflate state and its windows take a few hundred kilobytes; handed back after every
// frame, the C library returns them to the system and faults them in again for the
// next one, which in a batch of frames costs more than the compression. A block given
// back here waits for the next request it can hold.
class PngEncoderMemory::Blocks {
public:
    Blocks() { m_free.reserve(kMostKept); }
    Blocks(const Blocks&) = delete;
    Blocks& operator=(const Blocks&) = delete;
    ~Blocks() {
        for (Block* block : m_free) std::free(block);
    }

    void* Take(std::size_t size) {
        // The smallest waiting block that holds `size`: an encoder asks for the same
        // sizes in the same order each time, so each request finds its own block again.
        auto best = m_free.end();
        for (auto it = m_free.begin(); it != m_free.end(); ++it) {
            if ((*it)->capacity >= size && (best == m_free.end() || (*it)->capacity < (*best)->capacity)) best = it;
        }
        if (best == m_free.end()) return NewBlock(size);
        Block* block = *best;
        *best = m_free.back();
        m_free.pop_back();
        return block + 1;
    }

    void Give(Block* block) {
        if (m_free.size() < kMostKept) {
            m_free.push_back(block);
            return;
        }
        // Full: the smallest of them all goes back to the C library.
        auto smallest = std::min_element(m_free.begin(), m_free.end(),
                                         [](const Block* a, const Block* b) { return a->capacity < b->capacity; });
        if ((*smallest)->capacity < block->capacity) std::swap(*smallest, block);
        std::free(block);
    }

private:
    // More than one encoder takes at once: the context, zlib's state and windows, rows.
    static constexpr std::size_t kMostKept = 32;
    std::vector<Block*> m_free;
};

namespace {

// The blocks of the PngEncoderMemory in place on this thread, if one is. A plain pointer:
// a thread-local object with a destructor is destroyed after its storage is freed by
// some Windows C runtimes, so the memory's owner lives on the thread's stack instead.
thread_local PngEncoderMemory::Blocks* t_blocks = nullptr;

void* TakeBlock(std::size_t size) { return t_blocks != nullptr ? t_blocks->Take(size) : NewBlock(size); }
void GiveBlock(void* memory) {
    if (memory == nullptr) return;
    if (t_blocks != nullptr) {
        t_blocks->Give(BlockOf(memory));
    } else {
        std::free(BlockOf(memory));
    }
}
void* ResizeBlock(void* memory, std::size_t size) {
    if (memory == nullptr) return TakeBlock(size);
    const std::size_t capacity = BlockOf(memory)->capacity;
    if (capacity >= size) return memory;
    void* bigger = TakeBlock(size);
    if (bigger == nullptr) return nullptr;
    std::memcpy(bigger, memory, capacity);
    GiveBlock(memory);
    return bigger;
}
void* TakeZeroedBlocks(std::size_t count, std::size_t size) {
    if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return nullptr;
    void* memory = TakeBlock(count * size);
    if (memory != nullptr) std::memset(memory, 0, count * size);
    return memory;
}

spng_alloc kEncoderAlloc{TakeBlock, ResizeBlock, TakeZeroedBlocks, GiveBlock};

// A row buffer from the same blocks, for the rows an encoder is fed one at a time.
class RowBlock {
public:
    explicit RowBlock(std::size_t bytes) : m_data(static_cast<std::uint8_t*>(TakeBlock(bytes))), m_nBytes(bytes) {
        if (m_data == nullptr) throw std::bad_alloc();
    }
    RowBlock(const RowBlock&) = delete;
    RowBlock& operator=(const RowBlock&) = delete;
    ~RowBlock() { GiveBlock(m_data); }
    std::span<std::uint8_t> Span() const { return {m_data, m_nBytes}; }

private:
    std::uint8_t* m_data;
    std::size_t m_nBytes;
};

// The encoder writes its chunks here, after what `out` already holds.
int AppendWritten(spng_ctx* /*ctx*/, void* user, void* bytes, std::size_t length) {
    auto* out = static_cast<Bytes*>(user);
    try {
        const auto* from = static_cast<const std::uint8_t*>(bytes);
        out->insert(out->end(), from, from + length);
    } catch (const std::bad_alloc&) {
        return SPNG_IO_ERROR;
    }
    return 0;
}

[[noreturn]] void FailEncoding(int error) {
    throw std::runtime_error(std::string("PNG encoder: ") + spng_strerror(error));
}

// An encoder of one image into `out`, started with its header and colour chunks; its
// rows follow through Row or Image.
class Encoder {
public:
    Encoder(const spng_ihdr& ihdr, const spng_plte* plte, const spng_trns* trns, int filterChoice, Bytes& out,
            bool stored = false)
        : m_ctx(spng_ctx_new2(&kEncoderAlloc, SPNG_CTX_ENCODER)), m_out(out) {
        if (!m_ctx) throw std::bad_alloc();
        m_out.clear();
        spng_set_png_stream(m_ctx.get(), AppendWritten, &m_out);
        spng_set_option(m_ctx.get(), SPNG_FILTER_CHOICE, filterChoice);
        if (stored) spng_set_option(m_ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 0);
        auto header = ihdr;
        spng_set_ihdr(m_ctx.get(), &header);
        if (plte != nullptr) spng_set_plte(m_ctx.get(), const_cast<spng_plte*>(plte));
        if (trns != nullptr) spng_set_trns(m_ctx.get(), const_cast<spng_trns*>(trns));
    }

    void Image(ByteSpan image) {
        const int error =
            spng_encode_image(m_ctx.get(), image.data(), image.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
        if (error != 0) FailEncoding(error);
    }

    void StartRows() {
        const int error =
            spng_encode_image(m_ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
        if (error != 0) FailEncoding(error);
    }
    // The last row ends the image and finishes the file.
    void Row(ByteSpan row) {
        const int error = spng_encode_row(m_ctx.get(), row.data(), row.size());
        if (error != 0 && error != SPNG_EOI) FailEncoding(error);
    }

private:
    Context m_ctx;
    Bytes& m_out;
};

// Whether deflate has nothing to win from these indices, so that they are better stored
// as they are than searched for matches that are not there: every index about as common
// as any other (no gain from short codes), and no row a copy of the row above (the one
// long match a picture like that may still hold). Searching such noise costs more than
// the rest of the export; a sprite's own pictures, with their transparent background,
// are never close to it.
bool LooksIncompressible(ByteSpan indices, std::size_t width) {
    // Below this many pixels even noise is too uneven to tell, and costs little to search.
    constexpr std::size_t kFewestPixels = 4096;
    // Bits per index of an even spread: 8 at most; uniform noise of 4096 indices and
    // more measures about 7.95.
    constexpr double kLeastEntropy = 7.9;
    if (indices.size() < kFewestPixels) return false;
    std::array<std::array<std::uint32_t, 256>, 4> counts{};  // four tables, no store waits on another
    std::size_t i = 0;
    for (; i + 4 <= indices.size(); i += 4) {
        ++counts[0][indices[i]];
        ++counts[1][indices[i + 1]];
        ++counts[2][indices[i + 2]];
        ++counts[3][indices[i + 3]];
    }
    for (; i < indices.size(); ++i) ++counts[0][indices[i]];
    double entropy = 0;
    const double total = static_cast<double>(indices.size());
    for (std::size_t value = 0; value < 256; ++value) {
        const std::uint32_t count = counts[0][value] + counts[1][value] + counts[2][value] + counts[3][value];
        if (count == 0) continue;
        const double share = count / total;
        entropy -= share * std::log2(share);
    }
    if (entropy < kLeastEntropy) return false;
    for (std::size_t row = width; row + width <= indices.size(); row += width) {
        if (std::memcmp(indices.data() + row, indices.data() + row - width, width) == 0) return false;
    }
    return true;
}

}  // namespace

PngEncoderMemory::PngEncoderMemory() {
    if (t_blocks != nullptr) return;  // an outer one keeps the memory already
    m_blocks = std::make_unique<Blocks>();
    t_blocks = m_blocks.get();
}

PngEncoderMemory::~PngEncoderMemory() {
    if (m_blocks) t_blocks = nullptr;
}

bool HasPngSignature(ByteSpan file) {
    return file.size() >= kPngSignatureBytes && std::memcmp(file.data(), kPngSignature, kPngSignatureBytes) == 0;
}

namespace {

// What the header tells: the kind of source, and the size that the limits kept to 16 bits.
template <class Into>
void TakeHeader(const spng_ihdr& ihdr, Into& into) {
    into.kind = ihdr.color_type == kColourTypeIndexed ? PngKind::Indexed : PngKind::TrueColour;
    into.width = static_cast<std::uint16_t>(ihdr.width);
    into.height = static_cast<std::uint16_t>(ihdr.height);
}

}  // namespace

PngHeader ReadPngHeader(ByteSpan file) {
    PngHeader header;
    spng_ihdr ihdr{};
    const Context ctx = OpenDecoder(file, ihdr, header.problem);
    if (ctx) TakeHeader(ihdr, header);
    return header;
}

PngDecoded DecodePng(ByteSpan whole) {
    PngDecoded decoded;
    if (!HasPngSignature(whole)) {
        decoded.problem = PngProblem::NotPng;
        return decoded;
    }
    const Bytes essential = WithoutUnusedChunks(whole);
    const ByteSpan file = essential.empty() ? whole : ByteSpan(essential);
    spng_ihdr ihdr{};
    const Context ctx = OpenDecoder(file, ihdr, decoded.problem);
    if (!ctx) return decoded;
    TakeHeader(ihdr, decoded);
    if (FilteredBytes(ihdr) > kMostDeflateRatio * file.size()) {
        decoded.problem = PngProblem::Damaged;
        return decoded;
    }

    // 16-bit channels are decoded whole and scaled here, to the nearest 8-bit value.
    const bool deep = decoded.kind == PngKind::TrueColour && ihdr.bit_depth == 16;
    const int format = decoded.kind == PngKind::Indexed ? SPNG_FMT_PNG : deep ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    std::size_t length = 0;
    if (spng_decoded_image_size(ctx.get(), format, &length) != 0) {
        decoded.problem = PngProblem::Damaged;
        return decoded;
    }
    Bytes image(length);
    const int flags = decoded.kind == PngKind::Indexed ? 0 : SPNG_DECODE_TRNS;
    // The chunks after the pixels up to IEND are read too: a file cut short or with a
    // broken checksum there is damaged, whole as its pixels may look.
    if (spng_decode_image(ctx.get(), image.data(), image.size(), format, flags) != 0 ||
        spng_decode_chunks(ctx.get()) != 0) {
        decoded.problem = PngProblem::Damaged;
        return decoded;
    }
    if (deep) {
        decoded.pixels.resize(image.size() / 2);
        for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
            std::uint16_t value = 0;
            std::memcpy(&value, image.data() + 2 * i, 2);  // host order
            decoded.pixels[i] = static_cast<std::uint8_t>((value * 255u + 32767u) / 65535u);
        }
        return decoded;
    }
    if (decoded.kind == PngKind::TrueColour) {
        decoded.pixels = std::move(image);
        return decoded;
    }

    spng_plte plte{};
    if (spng_get_plte(ctx.get(), &plte) != 0) {
        decoded.problem = PngProblem::Damaged;
        return decoded;
    }
    for (std::size_t i = 0; i < plte.n_entries && i < kPaletteEntries; ++i) {
        decoded.colourTable[4 * i] = plte.entries[i].blue;
        decoded.colourTable[4 * i + 1] = plte.entries[i].green;
        decoded.colourTable[4 * i + 2] = plte.entries[i].red;
    }
    spng_trns trns{};
    if (spng_get_trns(ctx.get(), &trns) == 0) {
        const std::uint8_t* end = trns.type3_alpha + std::min<std::uint32_t>(trns.n_type3_entries, 256);
        const std::uint8_t* clear = std::find(static_cast<const std::uint8_t*>(trns.type3_alpha), end, std::uint8_t{0});
        if (clear != end) decoded.transparentIndex = static_cast<std::uint8_t>(clear - trns.type3_alpha);
    }
    if (ihdr.bit_depth == 8) {
        decoded.pixels = std::move(image);
    } else {
        UnpackIndices(image, ihdr.width, ihdr.height, ihdr.bit_depth, decoded.pixels);
    }
    return decoded;
}

void EncodePngIndexed(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette,
                      Bytes& out) {
    spng_ihdr ihdr{width, height, 8, SPNG_COLOR_TYPE_INDEXED, 0, 0, SPNG_INTERLACE_NONE};
    spng_plte plte{};
    plte.n_entries = kPaletteEntries;
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        plte.entries[i] = {palette[i].red, palette[i].green, palette[i].blue, 0};
    }
    spng_trns trns{};
    trns.n_type3_entries = 1;
    trns.type3_alpha[0] = 0;
    // Indexed rows rarely gain from filtering; leaving them unfiltered is also fastest.
    const ByteSpan image = indices.first(std::size_t{width} * height);
    Encoder(ihdr, &plte, &trns, SPNG_FILTER_CHOICE_NONE, out, LooksIncompressible(image, width)).Image(image);
}

Bytes EncodePngIndexed(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette) {
    Bytes out;
    EncodePngIndexed(width, height, indices, palette, out);
    return out;
}

void EncodePngRgba(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels, Bytes& out) {
    spng_ihdr ihdr{width, height, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, SPNG_INTERLACE_NONE};
    Encoder encoder(ihdr, nullptr, nullptr, SPNG_FILTER_CHOICE_ALL, out);
    encoder.StartRows();
    // Stored bottom row first as alpha, blue, green, red; the PNG wants the top row first
    // as red, green, blue, alpha. Each row is turned as it goes in.
    const std::size_t rowBytes = std::size_t{width} * kRgbaBytes;
    const RowBlock row(rowBytes);
    for (std::size_t y = height; y-- > 0;) {
        ReverseChannels(sprPixels.subspan(y * rowBytes, rowBytes), row.Span());
        encoder.Row(row.Span());
    }
}

Bytes EncodePngRgba(std::uint16_t width, std::uint16_t height, ByteSpan sprPixels) {
    Bytes out;
    EncodePngRgba(width, height, sprPixels, out);
    return out;
}

}  // namespace zandrel
