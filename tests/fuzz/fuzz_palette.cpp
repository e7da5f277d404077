// Palette files from arbitrary bytes: read, written again, converted both ways, and
// imported, exported and converted through files as the tools do.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "formats/palette_files.h"
#include "os/file.h"
#include "palette/palette_convert.h"
#include "tests/fuzz/fuzz_support.h"
#include "viewer/palette_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zandrel;
    const ByteSpan bytes(data, size);
    const fuzz::Scratch& scratch = fuzz::Scratch::Fresh();
    const std::string path = scratch.Put("in.pal", bytes);

    SprPalette palette{};
    const bool read = ReadPaletteFile(bytes, palette) == PaletteReadResult::Loaded;
    SprPalette imported{};
    fuzz::Require(ImportPalette(path, imported).done == read, "an import takes what reads");
    fuzz::Require(imported == palette, "an import reads what the reader reads");
    if (read) {
        // The 1024 palette bytes come back as they were; the header is written anew.
        const PaletteFileFormat layout = *PaletteFileFormatOfLength(size);
        const Bytes written = WritePaletteFile(palette, layout);
        fuzz::Require(written.size() == size &&
                          std::equal(written.end() - kPaletteBytes, written.end(), bytes.end() - kPaletteBytes),
                      "a palette file round-trips");
        ExportPalette(scratch.Path("out.pal"), palette, layout);
        fuzz::Require(fuzz::ReadWhole(scratch.Path("out.pal")) == written, "an export writes the layout");
    }

    for (const PaletteFileFormat target : {PaletteFileFormat::Velmark, PaletteFileFormat::Microsoft}) {
        const std::optional<Bytes> converted = ConvertPaletteFile(bytes, target);
        fuzz::Require(converted.has_value() == (size >= ConvertSourceMinBytes(target)),
                      "a long enough source converts");
        const Outcome done = ConvertPalette(path, scratch.Path("converted.pal"), target);
        fuzz::Require(done.done == converted.has_value(), "the tool converts what converts");
        if (!converted) continue;
        SprPalette again{};
        fuzz::Require(ReadPaletteFile(*converted, again) == PaletteReadResult::Loaded, "a converted file reads");
        fuzz::Require(again == ParseSprPalette(bytes.subspan(ConvertSourceOffset(target)).first<kPaletteBytes>()),
                      "a conversion keeps the palette bytes");
        fuzz::Require(fuzz::ReadWhole(scratch.Path("converted.pal")) == *converted, "the tool writes the conversion");
    }
    return 0;
}
