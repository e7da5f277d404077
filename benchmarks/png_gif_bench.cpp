// PNG export of all 999 frames of a 120 x 150 sprite, and the 999-frame animated GIF,
// each beside the default export (BMP or TGA) of the same frames in the same run, all
// on one thread. Each iteration runs both, in alternating order; the row's time is the
// new format's and vs_default its total time over the default export's (the aim: at
// most 3; for the noisy frames, at most 1.5).

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "os/file.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;
constexpr std::uint16_t kWidth = 120;
constexpr std::uint16_t kHeight = 150;

double SecondsSince(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

enum class Target { Png, Gif };
enum class Frames { Typical, Noisy, TrueColour };

Bytes SpriteOf(Frames frames) {
    switch (frames) {
        case Frames::Typical: return MakePalettedSprite(kFrames, kWidth, kHeight);
        case Frames::Noisy: return MakeNoisySprite(kFrames, kWidth, kHeight);
        case Frames::TrueColour: break;
    }
    return MakeTrueColourSprite(kFrames, kWidth, kHeight);
}

void BM_AgainstDefaultExport(benchmark::State& state, Frames frames, Target target) {
    ScratchFolder scratch;
    const std::string spritePath = scratch.Make("hero.spr");
    WriteWholeFile(spritePath, SpriteOf(frames));
    SpriteModel sprite;
    if (const Outcome load = sprite.LoadSprite(spritePath); !load.done || sprite.FrameCount() != kFrames) {
        state.SkipWithError(("cannot load the sprite: " + load.text).c_str());
        return;
    }
    const std::vector<std::string> names = sprite.FrameNames();
    const std::string defaultFolder = scratch.Make("default", true);
    const std::string newFolder = scratch.Make("new", true);
    const std::string gifPath = scratch.Make("hero.gif");

    const std::function<Outcome()> runDefault = [&] {
        return ExportAllFrames(sprite, names, defaultFolder, FrameFormat::Native, 1);
    };
    const std::function<Outcome()> runNew = [&] {
        return target == Target::Png ? ExportAllFrames(sprite, names, newFolder, FrameFormat::Png, 1)
                                     : ExportAnimation(sprite, gifPath);
    };
    // Both replace what the round before wrote, so let both write once first.
    if (!runDefault().done || !runNew().done) {
        state.SkipWithError("an export failed");
        return;
    }

    const auto timed = [](const std::function<Outcome()>& run) {
        const Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(run());
        return SecondsSince(start);
    };
    Turns turns;
    for (auto _ : state) {
        state.SetIterationTime(turns.Round([&] { return timed(runNew); }, [&] { return timed(runDefault); }));
    }
    state.counters["default_ms"] = turns.BaselineSeconds() * 1000 / static_cast<double>(state.iterations());
    state.counters["vs_default"] = turns.Ratio();
}

BENCHMARK_CAPTURE(BM_AgainstDefaultExport, png_vs_bmp_120x150, Frames::Typical, Target::Png)
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgainstDefaultExport, png_vs_bmp_120x150_noisy, Frames::Noisy, Target::Png)
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgainstDefaultExport, png_vs_tga_120x150, Frames::TrueColour, Target::Png)
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgainstDefaultExport, gif_vs_bmp_120x150, Frames::Typical, Target::Gif)
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
