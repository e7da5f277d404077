// Export of all 999 frames of a sprite, beside baselines that write the same bytes to
// the same number of files in the same run. The row's time is the export's; each ratio
// is the export's total time over a baseline's.
//
// Into a new folder, on one thread: against plain open, write and close (vs_posix; the
// aim: at most 1.1). The export still writes each file as a temporary and gives it its
// name whole.
// Over existing files: against plain writes (vs_posix), and against writes as safe as
// the export's, a temporary flushed to disk and renamed over each file (vs_safe). The
// export flushes a group of files at once instead of once a file.
// encode_ms is the export's work apart from the files (read and encode).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "os/file.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;  // as many as the viewer lists
constexpr std::uint16_t kSide = 32;

// What replacing a file safely takes one file at a time.
void WriteSafely(const std::string& path, const Bytes& bytes) {
    const std::string temp = path + ".tmp";
    const int fd = WriteOpen(temp, bytes);
    if (::fdatasync(fd) != 0 || ::close(fd) != 0) throw std::runtime_error("cannot flush " + temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot rename " + temp);
}

std::vector<std::string> PathsIn(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(folder + "/" + name);
    return paths;
}

// Args: 1 for a true-colour sprite, 1 to write over existing files.
void BM_ExportAllFrames(benchmark::State& state) {
    const bool trueColour = state.range(0) != 0;
    const bool existing = state.range(1) != 0;
    ScratchFolder scratch;
    const std::string spritePath = scratch.Make("hero.spr");
    WriteWholeFile(spritePath, trueColour ? MakeTrueColourSprite(kFrames, kSide, kSide)
                                          : MakePalettedSprite(kFrames, kSide, kSide));
    SpriteModel sprite;
    if (const Outcome load = sprite.LoadSprite(spritePath); !load.done || sprite.FrameCount() != kFrames) {
        state.SkipWithError(("cannot load the sprite: " + load.text).c_str());
        return;
    }
    const std::vector<std::string> names = sprite.FrameNames();

    // The baselines' files: exactly the bytes that the export writes.
    std::vector<Bytes> files;
    std::size_t totalBytes = 0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        files.push_back(EncodeFrameFile(sprite, *sprite.ReadFrame(i)));
        totalBytes += files.back().size();
    }
    const auto writeAll = [&](const std::vector<std::string>& paths, void (*write)(const std::string&, const Bytes&)) {
        for (std::size_t i = 0; i < kFrames; ++i) write(paths[i], files[i]);
    };

    // Over existing files each side has a folder of its own, filled once before the
    // timed rounds. Into a new folder each side gets a fresh one each round, made and
    // removed outside the timing.
    int round = 0;
    const auto folderFor = [&](const char* side) {
        return scratch.Make(std::string(side) + (existing ? "" : std::to_string(round)), !existing || round == 0);
    };
    const auto dropFolder = [&](const std::string& folder) {
        if (!existing) std::filesystem::remove_all(folder);
    };
    if (existing) {
        if (!ExportAllFrames(sprite, names, folderFor("program")).done) {
            state.SkipWithError("the export failed");
            return;
        }
        writeAll(PathsIn(folderFor("posix"), names), WritePosix);
        writeAll(PathsIn(folderFor("safe"), names), WritePosix);
    }

    Turns turns;
    double safeSeconds = 0;
    double encodeSeconds = 0;
    for (auto _ : state) {
        const std::string programFolder = folderFor("program");
        const std::string posixFolder = folderFor("posix");
        const std::vector<std::string> posixPaths = PathsIn(posixFolder, names);
        const auto runPosix = [&] {
            const Clock::time_point start = Clock::now();
            writeAll(posixPaths, WritePosix);
            return Seconds(start, Clock::now());
        };
        const auto runExport = [&] {
            const Clock::time_point start = Clock::now();
            const Outcome outcome = ExportAllFrames(sprite, names, programFolder, FrameFormat::Native, 1);
            const Clock::time_point exported = Clock::now();
            benchmark::DoNotOptimize(outcome);
            return Seconds(start, exported);
        };
        state.SetIterationTime(turns.Round(runExport, runPosix));
        if (existing) {
            const std::vector<std::string> safePaths = PathsIn(folderFor("safe"), names);
            const Clock::time_point safeStart = Clock::now();
            writeAll(safePaths, WriteSafely);
            safeSeconds += Seconds(safeStart, Clock::now());
        }
        dropFolder(programFolder);
        dropFolder(posixFolder);
        ++round;

        const Clock::time_point encodeStart = Clock::now();
        // The export's own work without the files: reading and encoding every frame.
        for (std::size_t i = 0; i < kFrames; ++i) {
            benchmark::DoNotOptimize(EncodeFrameFile(sprite, *sprite.ReadFrame(i)).data());
        }
        encodeSeconds += Seconds(encodeStart, Clock::now());
    }
    const auto perIterationMs = [&](double seconds) {
        return seconds * 1000 / static_cast<double>(state.iterations());
    };
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes));
    state.counters["files"] = static_cast<double>(kFrames);
    state.counters["posix_ms"] = perIterationMs(turns.BaselineSeconds());
    state.counters["vs_posix"] = turns.Ratio();
    if (existing) {
        state.counters["safe_ms"] = perIterationMs(safeSeconds);
        state.counters["vs_safe"] = safeSeconds > 0 ? turns.MeasuredSeconds() / safeSeconds : 0;
    }
    state.counters["encode_ms"] = perIterationMs(encodeSeconds);
}

BENCHMARK(BM_ExportAllFrames)
    ->ArgNames({"true_colour", "existing"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);
// The safe baseline waits for the disk once a file: a few rounds say enough.
BENCHMARK(BM_ExportAllFrames)
    ->ArgNames({"true_colour", "existing"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->UseManualTime()
    ->Iterations(Rounds(6))
    ->Unit(benchmark::kMillisecond);

// Export of all 999 frames of 120 x 150 noisy indices on the pool (one thread a
// hardware thread) beside the same export on one thread, in alternating order, each
// into a new folder made and removed outside the timing. The row's time is the pool's;
// speedup is the one thread's total time over the pool's (the aim on two cores: at
// least 1.7). Arg: 1 for PNG, else BMP.
void BM_ExportAllFramesPool(benchmark::State& state) {
    constexpr std::uint16_t kWidth = 120;
    constexpr std::uint16_t kHeight = 150;
    const FrameFormat format = state.range(0) != 0 ? FrameFormat::Png : FrameFormat::Native;
    ScratchFolder scratch;
    const std::string spritePath = scratch.Make("noise.spr");
    WriteWholeFile(spritePath, MakeNoisySprite(kFrames, kWidth, kHeight));
    SpriteModel sprite;
    if (const Outcome load = sprite.LoadSprite(spritePath); !load.done || sprite.FrameCount() != kFrames) {
        state.SkipWithError(("cannot load the sprite: " + load.text).c_str());
        return;
    }
    const std::vector<std::string> names = sprite.FrameNames();
    double poolSeconds = 0;
    double oneSeconds = 0;
    int round = 0;
    const auto run = [&](unsigned threads, double& seconds) {
        const std::string folder = scratch.Make(std::to_string(round) + "-" + std::to_string(threads), true);
        const Clock::time_point start = Clock::now();
        const Outcome outcome = ExportAllFrames(sprite, names, folder, format, threads);
        const double took = Seconds(start, Clock::now());
        seconds += took;
        std::filesystem::remove_all(folder);
        if (!outcome.done) state.SkipWithError("the export failed");
        return took;
    };
    for (auto _ : state) {
        if (round % 2 != 0) run(1, oneSeconds);
        state.SetIterationTime(run(0, poolSeconds));
        if (round % 2 == 0) run(1, oneSeconds);
        ++round;
    }
    state.counters["threads"] = std::max(1u, std::thread::hardware_concurrency());
    state.counters["one_thread_ms"] = oneSeconds * 1000 / static_cast<double>(state.iterations());
    state.counters["speedup"] = poolSeconds > 0 ? oneSeconds / poolSeconds : 0;
}

BENCHMARK(BM_ExportAllFramesPool)
    ->ArgNames({"png"})
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->MinTime(MinSeconds(2.0))
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
