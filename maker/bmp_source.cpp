#include <algorithm>
#include <array>

#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "maker/sprite_build.h"

namespace zandrel {
namespace {

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
        CopyRowsFlipped(work, stride, indices.subspan((height - k - rows) * width), width, width, rows);
    }
}

// A source no longer than this is read whole, in one read, into a buffer kept from
// one source to the next: most sources are small, and a read of the headers and
// another of the pixels cost a small source nearly twice what one read does.
constexpr std::uint64_t kWholeSourceBytes = std::uint64_t{64} << 10;

}  // namespace

// A BMP by the reading rule.
Outcome ReadBmpSource(const std::string& path, bool withColourTable, PalettisedSource& source, Bytes& whole) {
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
    if (head.size() < kBmpHeadersBytes) {
        return Stop(BmpProblemText(DecodeBmp8(head).problem, path, SourceReader::Build));
    }
    const Bmp8Headers headers = *ReadBmp8Headers(head);
    // The head holds the pixels seldom if ever: whether the file does is checked below.
    const Bmp8Problem problem = CheckBmp8(head, headers);
    if (problem != Bmp8Problem::None && problem != Bmp8Problem::PixelsOutsideFile) {
        return Stop(BmpProblemText(problem, path, SourceReader::Build));
    }

    IndexedPicture& frame = source.picture;
    frame.width = static_cast<std::uint16_t>(headers.biWidth);
    frame.height = static_cast<std::uint16_t>(headers.biHeight);
    const std::uint64_t pixels = frame.PixelCount();
    if (pixels > SprMaxRlePixels(kSprMaxField)) return Stop(FormatText(kEncodedTooLongFormat, path.c_str()));
    const std::size_t stride = BmpRowStride(frame.width);
    const std::uint64_t stored = std::uint64_t{stride} * (frame.height - 1u) + frame.width;
    if (!FitsIn(file.Length(), headers.bfOffBits, stored)) {
        return Stop(BmpProblemText(Bmp8Problem::PixelsOutsideFile, path, SourceReader::Build));
    }

    if (withColourTable) source.colourTable = ReadBmp8ColourTable(head, headers);
    frame.pixels.resize(static_cast<std::size_t>(pixels));
    if (bytes.empty()) {
        ReadBmpRows(file, headers.bfOffBits, frame.width, frame.height, frame.pixels);
    } else {
        // Rows are stored bottom-up.
        CopyRowsFlipped(bytes.subspan(headers.bfOffBits), stride, frame.pixels, frame.width, frame.width, frame.height);
    }
    return Outcome::Done();
}

}  // namespace zandrel
