// Export of all 999 frames of a sprite, beside a baseline that writes the same bytes
// to the same number of files with nothing but open, write and close. Each iteration
// runs the export and the baseline; the row's time is the export's, and vs_posix is
// the export's total time over the baseline's (the aim: at most 1.5). The export still
// writes each file under a temporary name and puts it in place whole; encode_ms is its
// work apart from the files (read and encode).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "platform/file.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;  // as many as the viewer lists
constexpr std::uint16_t kSide = 32;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void WritePosix(const std::string& path, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0) throw std::runtime_error("cannot write " + path);
        done += static_cast<std::size_t>(put);
    }
    if (::close(fd) != 0) throw std::runtime_error("cannot close " + path);
}

void BM_ExportAllFrames(benchmark::State& state, bool trueColour) {
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

    // The baseline's files: exactly the bytes that the export writes.
    std::vector<Bytes> files;
    std::size_t totalBytes = 0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        files.push_back(EncodeFrameFile(sprite, sprite.ReadFrame(i)));
        totalBytes += files.back().size();
    }
    const std::string programFolder = scratch.Make("program", true);
    const std::string baselineFolder = scratch.Make("baseline", true) + "/";
    std::vector<std::string> baselinePaths;
    for (const std::string& name : names) baselinePaths.push_back(baselineFolder + name);

    // Both replace existing files in every timed round, so let both make them first.
    if (!ExportAllFrames(sprite, names, programFolder).done) {
        state.SkipWithError("the export failed");
        return;
    }
    for (std::size_t i = 0; i < kFrames; ++i) WritePosix(baselinePaths[i], files[i]);

    double exportSeconds = 0;
    double posixSeconds = 0;
    double encodeSeconds = 0;
    bool baselineFirst = false;
    for (auto _ : state) {
        // The order alternates so that neither side always meets the file system just
        // after the other's writes.
        if (baselineFirst) {
            const Clock::time_point start = Clock::now();
            for (std::size_t i = 0; i < kFrames; ++i) WritePosix(baselinePaths[i], files[i]);
            posixSeconds += Seconds(start, Clock::now());
        }
        const Clock::time_point start = Clock::now();
        const Outcome outcome = ExportAllFrames(sprite, names, programFolder);
        const Clock::time_point exported = Clock::now();
        benchmark::DoNotOptimize(outcome);
        state.SetIterationTime(Seconds(start, exported));
        exportSeconds += Seconds(start, exported);
        if (!baselineFirst) {
            for (std::size_t i = 0; i < kFrames; ++i) WritePosix(baselinePaths[i], files[i]);
            posixSeconds += Seconds(exported, Clock::now());
        }
        baselineFirst = !baselineFirst;

        const Clock::time_point encodeStart = Clock::now();
        // The export's own work without the files: reading and encoding every frame.
        for (std::size_t i = 0; i < kFrames; ++i) benchmark::DoNotOptimize(EncodeFrameFile(sprite, sprite.ReadFrame(i)).data());
        encodeSeconds += Seconds(encodeStart, Clock::now());
    }
    const auto perIterationMs = [&](double seconds) { return seconds * 1000 / static_cast<double>(state.iterations()); };
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes));
    state.counters["files"] = static_cast<double>(kFrames);
    state.counters["posix_ms"] = perIterationMs(posixSeconds);
    state.counters["vs_posix"] = posixSeconds > 0 ? exportSeconds / posixSeconds : 0;
    state.counters["encode_ms"] = perIterationMs(encodeSeconds);
}

BENCHMARK_CAPTURE(BM_ExportAllFrames, paletted_32x32, false)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportAllFrames, true_colour_32x32, true)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
