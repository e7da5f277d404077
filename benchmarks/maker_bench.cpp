// Building a sprite from 999 BMP sources of 120 x 150, beside a baseline that reads the
// same source files and writes the same sprite bytes with nothing but open, read,
// write and close. The row's time is the build's; vs_posix is the build's total time
// over the baseline's (the aim: at most 1.5). Beside it, the same build on the default
// pool of threads against one thread, taking turns in the same run: speed_up is the
// one thread's time over the pool's (the aim on two cores: at least 1.7).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "benchmarks/maker_sources.h"
#include "maker/sprite_build.h"
#include "os/file.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kSources = 999;
constexpr std::uint16_t kWidth = 120;
constexpr std::uint16_t kHeight = 150;

void BM_BuildPalettedSprite(benchmark::State& state) {
    ScratchFolder scratch;
    const MakerSources sources = WriteMakerSources(scratch, kSources, kWidth, kHeight);
    const std::string built = scratch.Make("built.spr");
    const std::string baseline = scratch.Make("baseline.spr");

    // The build must give the hand-made sprite, or the figures mean nothing.
    if (const Outcome outcome = BuildSprite(sources.paths, built);
        !outcome.done || File::OpenRead(built).ReadAll() != sources.sprite) {
        state.SkipWithError(("the build does not give the expected sprite: " + outcome.text).c_str());
        return;
    }

    Bytes buffer;
    Turns turns;
    const auto runBaseline = [&] {
        std::remove(baseline.c_str());
        const Clock::time_point start = Clock::now();
        for (const std::string& path : sources.paths) ReadPosix(path, buffer);
        WritePosix(baseline, sources.sprite);
        return Seconds(start, Clock::now());
    };
    const auto runBuild = [&] {
        std::remove(built.c_str());
        const Clock::time_point start = Clock::now();
        const Outcome outcome = BuildSprite(sources.paths, built);
        const double seconds = Seconds(start, Clock::now());
        benchmark::DoNotOptimize(outcome);
        return seconds;
    };
    // Both write a new file each round.
    for (auto _ : state) state.SetIterationTime(turns.Round(runBuild, runBaseline));
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * (sources.sourceBytes + sources.sprite.size())));
    state.counters["sources"] = static_cast<double>(kSources);
    state.counters["posix_ms"] = turns.BaselineSeconds() * 1000 / static_cast<double>(state.iterations());
    state.counters["vs_posix"] = turns.Ratio();
}

BENCHMARK(BM_BuildPalettedSprite)->UseManualTime()->MinTime(MinSeconds(2.0))->Unit(benchmark::kMillisecond);

void BM_BuildPalettedSpriteOnThreads(benchmark::State& state) {
    ScratchFolder scratch;
    const MakerSources sources = WriteMakerSources(scratch, kSources, kWidth, kHeight);
    const std::string pooled = scratch.Make("pooled.spr");
    const std::string single = scratch.Make("single.spr");
    for (const std::string& built : {pooled, single}) {
        if (const Outcome outcome = BuildSprite(sources.paths, built, built == single ? 1 : 0);
            !outcome.done || File::OpenRead(built).ReadAll() != sources.sprite) {
            state.SkipWithError(("the build does not give the expected sprite: " + outcome.text).c_str());
            return;
        }
    }

    Turns turns;
    const auto buildInto = [&](const std::string& path, unsigned threads) {
        std::remove(path.c_str());
        const Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(BuildSprite(sources.paths, path, threads));
        return Seconds(start, Clock::now());
    };
    for (auto _ : state) {
        state.SetIterationTime(turns.Round([&] { return buildInto(pooled, 0); }, [&] { return buildInto(single, 1); }));
    }
    state.counters["threads"] = static_cast<double>(std::thread::hardware_concurrency());
    state.counters["single_ms"] = turns.BaselineSeconds() * 1000 / static_cast<double>(state.iterations());
    state.counters["speed_up"] = turns.Ratio() > 0 ? 1 / turns.Ratio() : 0;
}

BENCHMARK(BM_BuildPalettedSpriteOnThreads)->UseManualTime()->MinTime(MinSeconds(2.0))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
