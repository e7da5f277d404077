#include "formats/spr_file.h"

#include <algorithm>
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

SprHeader MakeWrittenSprHeader(bool trueColour, std::uint16_t count) {
    SprHeader header;
    header.magic = kSprMagic;
    header.rleFlag = kSprWrittenRleFlag;
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

bool IsTrueColour(SprKind kind) { return kind == SprKind::TrueColor32; }

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

SprFrameIndex SprIndexFrames(ByteSource& source, const SprHeader& header, std::size_t maxFrames) {
    SprFrameIndex index;
    index.declaredCount = SprFrameCountOf(header);
    const SprKind kind = SprKindOf(header);
    const std::size_t headBytes = kind == SprKind::Indexed256Rle ? kSprRleFrameHeadBytes : kSprFrameHeadBytes;
    const std::uint64_t frameAreaEnd = source.Length() - kPaletteBytes;

    std::size_t count = index.declaredCount;
    if (count > maxFrames) {
        index.problem = SprIndexProblem::TooManyFrames;
        count = maxFrames;
    }
    index.frames.reserve(count);

    std::uint64_t position = kSprHeaderBytes;
    for (std::size_t i = 0; i < count; ++i) {
        if (!FitsIn(frameAreaEnd, position, headBytes)) {
            index.problem = SprIndexProblem::TruncatedFrame;
            index.problemOffset = position;
            break;
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
            break;
        }
        index.frames.push_back(record);
        position = record.dataOffset + record.dataBytes;
    }
    return index;
}

RleDecodeResult SprDecodeRle(ByteSpan data, std::span<std::uint8_t> indices) {
    const std::uint8_t* in = data.data();
    const std::size_t inSize = data.size();
    std::uint8_t* out = indices.data();
    const std::size_t outSize = indices.size();
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < inSize) {
        if (in[i] != 0) {
            // Copy the whole stretch of literal indices up to the next zero at once.
            const void* zero = std::memchr(in + i, 0, inSize - i);
            const std::size_t end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - in) : inSize;
            const std::size_t literals = end - i;
            if (literals > outSize - o) return {RleProblem::RunPastFrame, i + (outSize - o)};
            std::memcpy(out + o, in + i, literals);
            o += literals;
            i = end;
            continue;
        }
        if (i + 1 >= inSize) return {RleProblem::MissingCount, i};
        const std::size_t run = in[i + 1];
        if (run > outSize - o) return {RleProblem::RunPastFrame, i};
        if (run != 0) std::memset(out + o, 0, run);  // a frame of no pixels has no buffer
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
            const void* zero = std::memchr(in + i, 0, size - i);
            const std::size_t end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - in) : size;
            std::memcpy(dst, in + i, end - i);
            dst += end - i;
            i = end;
            continue;
        }
        std::size_t run = 1;
        while (run < kRleMaxRun && i + run < size && in[i + run] == 0) ++run;
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
