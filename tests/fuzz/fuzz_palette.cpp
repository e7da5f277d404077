// Palette files from arbitrary bytes: read in every format, written again, converted
// into every format, and imported, exported and converted through files as the tools do.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "formats/palette_files.h"
#include "os/file.h"
#include "palette/palette_convert.h"
#include "tests/fuzz/fuzz_support.h"
#include "viewer/palette_import.h"

namespace {

bool SameColours(const zandrel::SprPalette& a, const zandrel::SprPalette& b) {
    return std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
        return x.red == y.red && x.green == y.green && x.blue == y.blue;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zandrel;
    const ByteSpan bytes(data, size);
    const fuzz::Scratch& scratch = fuzz::Scratch::Fresh();
    const std::string path = scratch.Put("in.pal", bytes);

    const PaletteFileRead read = ReadAnyPaletteFile(bytes);
    SprPalette imported{};
    fuzz::Require(ImportPalette(path, imported).done == read.Loaded(), "an import takes what reads");
    fuzz::Require(!read.Loaded() || imported == read.palette, "an import reads what the reader reads");
    SprPalette layout{};
    const bool isLayout = ReadPaletteFile(bytes, layout) == PaletteReadResult::Loaded;
    fuzz::Require(!isLayout || (read.Loaded() && read.palette == layout), "the two layouts keep their rule");
    if (read.Loaded()) {
        // Every format gives back the colours it was given; the layouts every byte.
        for (const PaletteFileFormat format :
             {PaletteFileFormat::Velmark, PaletteFileFormat::Microsoft, PaletteFileFormat::Jasc,
              PaletteFileFormat::Gimp, PaletteFileFormat::Act}) {
            const PaletteFileRead again = ReadAnyPaletteFile(WritePaletteFile(read.palette, format, "fuzz"));
            fuzz::Require(again.Loaded() && again.format == format, "a written palette reads as its format");
            fuzz::Require(SameColours(again.palette, read.palette), "a palette file round-trips its colours");
        }
        if (isLayout) {
            const Bytes written = WritePaletteFile(layout, *read.format);
            fuzz::Require(written.size() == size &&
                              std::equal(written.end() - kPaletteBytes, written.end(), bytes.end() - kPaletteBytes),
                          "a layout round-trips every byte");
        }
    }

    for (const PaletteFileFormat target : {PaletteFileFormat::Velmark, PaletteFileFormat::Microsoft,
                                           PaletteFileFormat::Jasc, PaletteFileFormat::Gimp, PaletteFileFormat::Act}) {
        const bool allowed = CheckPaletteConversion(path, target).done;
        const Outcome done = ConvertPalette(path, scratch.Path("converted.pal"), target);
        fuzz::Require(done.done == allowed, "a conversion does what its check allows");
        fuzz::Require(!done.done || size != kVelmarkPaletteFileBytes || target != PaletteFileFormat::Velmark,
                      "a Velmark file is never converted into Velmark");
        if (!done.done) continue;
        const PaletteFileRead converted = ReadAnyPaletteFile(fuzz::ReadWhole(scratch.Path("converted.pal")));
        fuzz::Require(converted.Loaded() && converted.format == target, "a converted file reads as its format");
        if (read.Loaded() && read.format != PaletteFileFormat::Microsoft && read.format != PaletteFileFormat::Velmark) {
            fuzz::Require(SameColours(converted.palette, read.palette), "a conversion keeps the colours");
        }
    }
    return 0;
}
