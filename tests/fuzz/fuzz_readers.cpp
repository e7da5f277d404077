// Every reader of the program on arbitrary bytes: none may read or write outside its
// buffers, allocate without bound, or hang.

#include <cstddef>
#include <cstdint>

#include "formats/image_files.h"
#include "formats/palette_files.h"
#include "formats/spr_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zandrel;
    const ByteSpan bytes(data, size);
    DecodeBmp8(bytes);
    DecodeTga32(bytes);
    SprPalette palette{};
    ReadPaletteFile(bytes, palette);
    if (size < kSprMinFileBytes) return 0;
    MemorySource source(bytes);
    const SprHeader header = ParseSprHeader(bytes.first<kSprHeaderBytes>());
    for (const SprFrameRecord& frame : SprIndexFrames(source, header, 999).frames) {
        const std::uint64_t pixels = std::uint64_t{frame.width} * frame.height;
        if (SprKindOf(header) != SprKind::Indexed256Rle || pixels > SprMaxRlePixels(frame.dataBytes)) continue;
        Bytes indices(static_cast<std::size_t>(pixels));
        SprDecodeRle(bytes.subspan(static_cast<std::size_t>(frame.dataOffset), static_cast<std::size_t>(frame.dataBytes)), indices);
    }
    return 0;
}
