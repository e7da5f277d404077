// A sprite from arbitrary bytes: loaded, every frame read, drawn and exported in every
// format, the sprite animated, and the exported frames built into a sprite again, which
// must hold the same pictures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "maker/sprite_build.h"
#include "os/file.h"
#include "tests/fuzz/fuzz_support.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace {

using namespace zandrel;

// A few frames show every path; more only slow each run down.
constexpr std::size_t kFramesTried = 8;

// The index a build takes as transparent: the top-left pixel's.
std::uint8_t TopLeft(const SpriteFrame& frame) { return PixelsOf(frame).empty() ? 0 : PixelsOf(frame)[0]; }

// Whether a rebuilt palettised frame shows what the exported one showed: every pixel of
// the frame's top-left index becomes the transparent index 0, every other pixel keeps
// its colour under an index other than 0. A frame whose top-left index is the first
// frame's has just 0 and that index exchanged; the others may take other indices of the
// same colour.
bool ShowsTheSameColours(ByteSpan before, const SprPalette& beforePalette, ByteSpan after,
                         const SprPalette& afterPalette, std::uint8_t transparent) {
    const auto rgb = [](const SprPaletteEntry& entry) { return std::array{entry.red, entry.green, entry.blue}; };
    for (std::size_t p = 0; p < before.size(); ++p) {
        if (before[p] == transparent) {
            if (after[p] != 0) return false;
        } else if (after[p] == 0 || rgb(afterPalette[after[p]]) != rgb(beforePalette[before[p]])) {
            return false;
        }
    }
    return true;
}

// The rebuilt sprite holds the exported frames: palettised frames in their colours with
// their top-left index transparent and the first frame's exchange in the palette,
// true-colour frames as they were.
void CheckRebuilt(const SpriteModel& original, const std::vector<SpriteFrame>& frames, const std::string& path) {
    SpriteModel rebuilt;
    fuzz::Require(rebuilt.LoadSprite(path).text.empty(), "a built sprite loads without a warning");
    fuzz::Require(rebuilt.FrameCount() == frames.size(), "the build keeps every frame");
    fuzz::Require(rebuilt.IsTrueColour() == original.IsTrueColour(), "the build keeps the kind");
    if (!original.IsTrueColour()) {
        fuzz::Require(rebuilt.Kind() == SprKind::Indexed256Rle, "a palettised build is run-length encoded");
        fuzz::Require(rebuilt.Palette() == fuzz::PaletteAfterBuild(original.Palette(), TopLeft(frames[0])),
                      "the build takes the first frame's colours");
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Result<SpriteFrame> read = rebuilt.ReadFrame(i);
        fuzz::Require(static_cast<bool>(read), "a built frame reads back");
        const SpriteFrame& again = *read;
        fuzz::Require(WidthOf(again) == WidthOf(frames[i]) && HeightOf(again) == HeightOf(frames[i]),
                      "a built frame keeps its size");
        const std::uint8_t transparent = TopLeft(frames[i]);
        if (original.IsTrueColour()) {
            fuzz::Require(PixelsOf(again) == PixelsOf(frames[i]), "a built frame keeps its pixels");
        } else if (transparent == TopLeft(frames[0])) {
            fuzz::Require(PixelsOf(again) == fuzz::ExchangeTransparent(PixelsOf(frames[i]), transparent),
                          "a built frame keeps its pixels");
        } else {
            fuzz::Require(ShowsTheSameColours(PixelsOf(frames[i]), original.Palette(), PixelsOf(again),
                                              rebuilt.Palette(), transparent),
                          "a built frame keeps its colours");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Scratch& scratch = fuzz::Scratch::Fresh();
    try {
        SpriteModel sprite;
        if (!sprite.LoadSprite(scratch.Put("in.spr", ByteSpan(data, size))).done) return 0;
        fuzz::ExportEveryWay(sprite, scratch, kFramesTried);
        const std::vector<std::string> names = sprite.FrameNames();
        std::vector<SpriteFrame> frames;
        std::vector<std::string> exported;
        for (std::size_t i = 0; i < sprite.FrameCount() && i < kFramesTried; ++i) {
            Result<SpriteFrame> frame = sprite.ReadFrame(i);
            const Result<DrawnPicture> drawn = sprite.RenderFrame(i);
            fuzz::Require(static_cast<bool>(drawn) == static_cast<bool>(frame), "drawing refuses what reading does");
            if (!frame) return 0;
            fuzz::Require(drawn->pixels.size() == std::size_t{WidthOf(*frame)} * HeightOf(*frame) * 4,
                          "a drawn frame is whole");
            fuzz::Require(WriteFrameFile(sprite, i, scratch.Path(names[i])).done, "a readable frame exports");
            exported.push_back(scratch.Path(names[i]));
            frames.push_back(std::move(*frame));
        }
        if (exported.empty() || !BuildSprite(exported, scratch.Path("again.spr")).done) return 0;
        CheckRebuilt(sprite, frames, scratch.Path("again.spr"));
    } catch (const FileError&) {
        // Reported to the user as any other file error.
    }
    return 0;
}
