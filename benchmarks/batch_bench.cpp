// The command line's batch export of a tree of sprites, run as a user runs it: the
// zandrel-cli program started on a tree of 200 sprites of 20 frames each, as PNG.
// - On two threads (-j 2) against one (-j 1), the two by turns in the same run; the
//   aim: at least 1.7 times faster on a 2-core machine.
// - The peak memory of the whole process (its largest resident set, as the system
//   measures it) for 2,000 sprites against 200: the batch keeps nothing per frame
//   and little per sprite, so the aim is within 10 %.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "os/file.h"

extern char** environ;

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 20;
constexpr std::uint16_t kSide = 64;
constexpr std::size_t kSpritesAFolder = 50;

bool Quick() { return std::getenv("ZANDREL_BENCH_QUICK") != nullptr; }

// `count` sprites in subfolders of `root`, kSpritesAFolder to a folder.
void WriteTree(const std::string& root, std::size_t count) {
    const Bytes sprite = MakePalettedSprite(kFrames, kSide, kSide);
    for (std::size_t i = 0; i < count; ++i) {
        const std::filesystem::path folder =
            std::filesystem::path(root) / ("set" + std::to_string(i / kSpritesAFolder));
        std::filesystem::create_directories(folder);
        WriteWholeFile((folder / ("sprite" + std::to_string(i) + ".spr")).string(), sprite);
    }
}

struct Run {
    double seconds = 0;
    long peakKilobytes = 0;  // the largest resident set of the process
};

// `zandrel-cli export -r -j THREADS --format png TREE OUT`, its output thrown away;
// OUT is emptied first. With `peakFile`, the program runs under GNU time, which writes
// its peak there: a process started from this one counts this one's pages as its own
// until it has replaced itself with the program, while time's child starts small.
Run ExportTree(const std::string& tree, const std::string& out, unsigned threads, const std::string& peakFile = {}) {
    std::filesystem::remove_all(out);
    std::vector<std::string> args = {ZANDREL_CLI, "export", "-r", "-j", std::to_string(threads),
                                     "--format",  "png",    tree, out};
    if (!peakFile.empty()) args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start zandrel-cli");
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("zandrel-cli export failed");
    }
    Run run{Seconds(start, Clock::now()), usage.ru_maxrss};
    if (!peakFile.empty()) {
        const Bytes text = File::OpenRead(peakFile).ReadAll();
        run.peakKilobytes = std::strtol(std::string(text.begin(), text.end()).c_str(), nullptr, 10);
    }
    return run;
}

void BM_BatchTwoThreadsAgainstOne(benchmark::State& state) {
    ScratchFolder scratch;
    const std::string tree = scratch.Make("tree", true);
    WriteTree(tree, Quick() ? 20 : 200);
    const std::string out = scratch.Make("out");
    Turns turns;
    for (auto _ : state) {
        state.SetIterationTime(turns.Round([&] { return ExportTree(tree, out, 2).seconds; },
                                           [&] { return ExportTree(tree, out, 1).seconds; }));
    }
    state.counters["j1_ms"] = turns.BaselineSeconds() * 1000 / static_cast<double>(state.iterations());
    state.counters["speed_up"] = turns.Ratio() > 0 ? 1 / turns.Ratio() : 0;
}

void BM_BatchPeakMemory(benchmark::State& state) {
    const std::size_t few = Quick() ? 20 : 200;
    ScratchFolder scratch;
    const std::string fewTree = scratch.Make("few", true);
    const std::string manyTree = scratch.Make("many", true);
    WriteTree(fewTree, few);
    WriteTree(manyTree, few * 10);
    const std::string out = scratch.Make("out");
    const std::string peakFile = scratch.Make("peak.txt");
    Run fewRun;
    Run manyRun;
    for (auto _ : state) {
        fewRun = ExportTree(fewTree, out, 2, peakFile);
        manyRun = ExportTree(manyTree, out, 2, peakFile);
        state.SetIterationTime(manyRun.seconds);
    }
    std::filesystem::remove_all(out);
    state.counters["few_peak_kb"] = static_cast<double>(fewRun.peakKilobytes);
    state.counters["many_peak_kb"] = static_cast<double>(manyRun.peakKilobytes);
    state.counters["many_vs_few"] = fewRun.peakKilobytes > 0 ? static_cast<double>(manyRun.peakKilobytes) /
                                                                   static_cast<double>(fewRun.peakKilobytes)
                                                             : 0;
}

BENCHMARK(BM_BatchTwoThreadsAgainstOne)->UseManualTime()->Iterations(Rounds(4))->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchPeakMemory)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
