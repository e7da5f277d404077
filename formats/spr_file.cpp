#include "formats/spr_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zandrel {

SprHeader ParseSprHeader(std::span<const std::uint8_t, kSprHeaderBytes> bytes) {
    SprHeader header;
    header.magic = GetU16(bytes, 0);
    header.rleFlag = bytes[2];
    header.formatByte = bytes[3];
    header.indexedCount = GetU16(bytes, 4);
    header.trueColorCount = GetU16(bytes, 6);
    return header;
}

void AppendSprHeader(Bytes& out, const SprHeader& header) {
    PutU16(out, header.magic);
    PutU8(out, header.rleFlag);
    PutU8(out, header.formatByte);
    PutU16(out, header.indexedCount);
    PutU16(out, header.trueColorCount);
}

SprHeader MakeWrittenSprHeader(SprKind kind, std::uint16_t count) {
    const bool trueColour = kind == SprKind::TrueColor32;
    SprHeader header;
    header.magic = kSprMagic;
    header.rleFlag = kind == SprKind::Indexed256 ? 0 : kSprWrittenRleFlag;
    header.formatByte = kSprWrittenFormatByte;
    header.indexedCount = trueColour ? 0 : count;
    header.trueColorCount = trueColour ? count : 0;
    return header;
}

SprKind SprKindOf(const SprHeader& header) {
    if (header.indexedCount == 0) return SprKind::TrueColor32;
    return header.rleFlag != 0 ? SprKind::Indexed256Rle : SprKind::Indexed256;
}

std::uint16_t SprFrameCountOf(const SprHeader& header) {
    return header.indexedCount != 0 ? header.indexedCount : header.trueColorCount;
}

SprPalette ParseSprPalette(std::span<const std::uint8_t, kPaletteBytes> bytes) {
    SprPalette palette;
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {bytes[4 * i], bytes[4 * i + 1], bytes[4 * i + 2], bytes[4 * i + 3]};
    }
    return palette;
}

void AppendSprPalette(Bytes& out, const SprPalette& palette) {
    for (const SprPaletteEntry& entry : palette) {
        out.insert(out.end(), {entry.red, entry.green, entry.blue, entry.reserved});
    }
}

SprHeader ReadSprHeader(ByteSource& source) {
    std::array<std::uint8_t, kSprHeaderBytes> bytes{};
    source.ReadAt(0, bytes);
    return ParseSprHeader(bytes);
}

SprPalette ReadSprPalette(ByteSource& source) {
    std::array<std::uint8_t, kPaletteBytes> bytes{};
    source.ReadAt(source.Length() - kPaletteBytes, bytes);
    return ParseSprPalette(bytes);
}

SprFrameIndex SprIndexFrames(ByteSource& source, const SprHeader& header, std::size_t maxFrames) {
    SprFrameIndex index;
    index.declaredCount = SprFrameCountOf(header);
    const SprKind kind = SprKindOf(header);
    const std::size_t headBytes = kind == SprKind::Indexed256Rle ? kSprRleFrameHeadBytes : kSprFrameHeadBytes;
    const std::uint64_t frameAreaEnd = source.Length() - kPaletteBytes;
    index.frames.reserve(std::min<std::size_t>(index.declaredCount, maxFrames));

    std::uint64_t position = kSprHeaderBytes;
    for (std::size_t i = 0; i < index.declaredCount; ++i) {
        if (!FitsIn(frameAreaEnd, position, headBytes)) {
            index.problem = SprIndexProblem::TruncatedFrame;
            index.problemOffset = position;
            return index;
        }
        std::array<std::uint8_t, kSprRleFrameHeadBytes> head{};
        source.ReadAt(position, std::span(head.data(), headBytes));

        SprFrameRecord record;
        record.offset = position;
        record.width = GetU16(head, 0);
        record.height = GetU16(head, 2);
        record.dataOffset = position + headBytes;
        const std::uint64_t pixels = std::uint64_t{record.width} * record.height;
        switch (kind) {
            case SprKind::Indexed256Rle: record.dataBytes = GetU16(head, 4); break;
            case SprKind::Indexed256: record.dataBytes = pixels; break;
            case SprKind::TrueColor32: record.dataBytes = pixels * kSprTrueColourPixelBytes; break;
        }
        if (!FitsIn(frameAreaEnd, record.dataOffset, record.dataBytes)) {
            index.problem = SprIndexProblem::TruncatedFrame;
            index.problemOffset = position;
            return index;
        }
        if (i < maxFrames) index.frames.push_back(record);
        ++index.completeCount;
        position = record.dataOffset + record.dataBytes;
    }
    if (index.declaredCount > maxFrames) index.problem = SprIndexProblem::TooManyFrames;
    return index;
}

namespace {

constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

constexpr bool HasZeroByte(std::uint64_t word) { return ((word - kLowBits) & ~word & kHighBits) != 0; }

std::uint64_t LoadWord(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether the eight bytes from `from` are all literal indices, which makes a stretch
// worth a search and a copy.
bool StartsLongStretch(const std::uint8_t* bytes, std::size_t from, std::size_t size) {
    return size - from >= 8 && !HasZeroByte(LoadWord(bytes + from));
}

std::size_t EndOfLiterals(const std::uint8_t* bytes, std::size_t from, std::size_t size) {
    const void* zero = std::memchr(bytes + from, 0, size - from);
    return zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes) : size;
}

// Transparent runs are mostly short; a call to memset costs more than filling them.
void FillZeros(std::uint8_t* to, std::size_t count) {
    if (count > 16) {
        std::memset(to, 0, count);
        return;
    }
    for (std::size_t k = 0; k < count; ++k) to[k] = 0;
}

}  // namespace

RleDecodeResult SprDecodeRle(ByteSpan data, std::span<std::uint8_t> indices) {
    const std::uint8_t* in = data.data();
    const std::size_t inSize = data.size();
    std::uint8_t* out = indices.data();
    const std::size_t outSize = indices.size();
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < inSize) {
        const std::uint8_t b = in[i];
        if (b != 0) {
            // A long stretch of literal indices goes in one copy; a short one byte by
            // byte, where the call would cost more than the copy.
            const std::size_t end = StartsLongStretch(in, i, inSize) ? EndOfLiterals(in, i, inSize) : i + 1;
            const std::size_t literals = end - i;
            if (literals > outSize - o) return {RleProblem::RunPastFrame, i + (outSize - o)};
            if (literals == 1) {
                out[o] = b;
            } else {
                std::memcpy(out + o, in + i, literals);
            }
            o += literals;
            i = end;
            continue;
        }
        if (i + 1 >= inSize) return {RleProblem::MissingCount, i};
        const std::size_t run = in[i + 1];
        if (run > outSize - o) return {RleProblem::RunPastFrame, i};
        FillZeros(out + o, run);
        o += run;
        i += 2;
    }
    if (o != outSize) return {RleProblem::ShortOfPixels, inSize};
    return {};
}

void SprEncodeRle(ByteSpan indices, Bytes& out) {
    const std::uint8_t* in = indices.data();
    const std::size_t size = indices.size();
    const std::size_t start = out.size();
    out.resize(start + 2 * size);  // the worst case: every pixel a lone zero
    std::uint8_t* dst = out.data() + start;
    std::size_t i = 0;
    while (i < size) {
        if (in[i] != 0) {
            const std::size_t end = StartsLongStretch(in, i, size) ? EndOfLiterals(in, i, size) : i + 1;
            if (end - i == 1) {
                *dst = in[i];
            } else {
                std::memcpy(dst, in + i, end - i);
            }
            dst += end - i;
            i = end;
            continue;
        }
        const std::size_t limit = std::min<std::size_t>(size - i, kRleMaxRun);
        std::size_t run = 1;
        while (run < limit && in[i + run] == 0) ++run;
        *dst++ = 0;
        *dst++ = static_cast<std::uint8_t>(run);
        i += run;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

Bytes SprEncodeRle(ByteSpan indices) {
    Bytes out;
    SprEncodeRle(indices, out);
    return out;
}

}  // namespace zandrel
