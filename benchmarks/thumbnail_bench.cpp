// The thumbnail of a 999-frame sprite, as a file manager asks zandrel-cli for it: the
// first frame fitted into 128 x 128 and written as a PNG. The aim: under 10 ms, which
// it meets by reading only the header, the palette and the first frame.
//
// The row's time and thumb_ms are one thumbnail's; vs_index is its time over loading the same sprite in the
// viewer's model, which reads the head of every frame and nothing else. Below 1, the
// thumbnail costs less than a look at every frame would.

#include <benchmark/benchmark.h>

#include <string>

#include "benchmarks/bench_sprites.h"
#include "os/file.h"
#include "viewer/sprite_model.h"
#include "viewer/thumbnail.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;
constexpr std::uint16_t kSide = 96;

// Args: 1 for a true-colour sprite.
void BM_SpriteThumbnail(benchmark::State& state) {
    const bool trueColour = state.range(0) != 0;
    ScratchFolder scratch;
    const std::string sprite = scratch.Make("hero.spr");
    const std::string png = scratch.Make("hero.png");
    WriteWholeFile(
        sprite, trueColour ? MakeTrueColourSprite(kFrames, kSide, kSide) : MakePalettedSprite(kFrames, kSide, kSide));

    double thumbSeconds = 0;
    double indexSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        const Outcome written = WriteSpriteThumbnail(sprite, png, kDefaultThumbnailSize);
        const double once = Seconds(start, Clock::now());
        thumbSeconds += once;
        state.SetIterationTime(once);
        if (!written.done) {
            state.SkipWithError(("the thumbnail was refused: " + written.text).c_str());
            return;
        }
        start = Clock::now();
        SpriteModel model;
        const bool loaded = model.LoadSprite(sprite).done && model.FrameCount() == kFrames;
        indexSeconds += Seconds(start, Clock::now());
        if (!loaded) {
            state.SkipWithError("the sprite did not load");
            return;
        }
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["thumb_ms"] = thumbSeconds * 1000 / rounds;
    state.counters["vs_index"] = thumbSeconds / indexSeconds;
}

BENCHMARK(BM_SpriteThumbnail)->Arg(0)->Arg(1)->UseManualTime()->MinTime(MinSeconds(1.0))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
