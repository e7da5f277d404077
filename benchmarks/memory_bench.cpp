// What opening a sprite and drawing a frame cost in reads and in memory.
//
// Opening reads the header, the palette block and the head of each frame record, never
// the pixel data: the bytes read and the bytes allocated grow with the frame count,
// not with the file's size (the same frame count at two frame sizes shows it).
// Drawing a frame allocates its drawn pixels, its indices and its encoded bytes and
// nothing more. Building a sprite on one thread holds at most twice the largest
// frame's pixels and the sprite's bytes at any one time, and refuses a source too large
// for a sprite from its headers, before its pixels are read. Each row reports what was measured
// and the bound it must stay within; within_limit is 1 when it does.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "benchmarks/alloc_counter.h"
#include "benchmarks/bench_sprites.h"
#include "formats/byte_source.h"
#include "formats/image_files.h"
#include "formats/spr_file.h"
#include "maker/sprite_build.h"
#include "os/file.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel::bench {
namespace {

// A source that counts the bytes asked of it.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(ByteSpan bytes) : m_memory(bytes) {}
    std::uint64_t Length() const override { return m_memory.Length(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        m_nBytesRead += out.size();
        m_memory.ReadAt(offset, out);
    }
    std::uint64_t BytesRead() const { return m_nBytesRead; }

private:
    MemorySource m_memory;
    std::uint64_t m_nBytesRead = 0;
};

// The bytes this process has read through system calls so far (the "rchar" line of
// /proc/self/io), and the length of the text that this reading itself took, which
// the next reading will count; value is -1 where the system does not tell.
struct ProcessReads {
    long long value = -1;
    long long textBytes = 0;
};

ProcessReads BytesReadByProcess() {
    ProcessReads reads;
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return reads;
    char text[512] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got > 0 && std::sscanf(text, "rchar: %lld", &reads.value) == 1) reads.textBytes = got;
    return reads;
}

std::size_t FileSize(const std::string& path) { return static_cast<std::size_t>(File::OpenRead(path).Length()); }

std::uint64_t HeadBytes(std::size_t frames) { return kSprHeaderBytes + kPaletteBytes + frames * kSprRleFrameHeadBytes; }

void Report(benchmark::State& state, const char* name, double value) { state.counters[name] = value; }

// Args: frame count, frame side.
void BM_IndexFramesBytesRead(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    const auto side = static_cast<std::uint16_t>(state.range(1));
    const Bytes sprite = MakePalettedSprite(frames, side, side);
    std::array<std::uint8_t, kSprHeaderBytes> head{};
    std::memcpy(head.data(), sprite.data(), head.size());
    const SprHeader header = ParseSprHeader(head);
    std::uint64_t read = 0;
    for (auto _ : state) {
        CountingSource source(sprite);
        const SprFrameIndex index = SprIndexFrames(source, header, frames);
        benchmark::DoNotOptimize(index.frames.data());
        read = source.BytesRead();
    }
    const std::uint64_t limit = frames * kSprRleFrameHeadBytes;
    Report(state, "file_bytes", static_cast<double>(sprite.size()));
    Report(state, "read_bytes", static_cast<double>(read));
    Report(state, "read_limit", static_cast<double>(limit));
    Report(state, "within_limit", read <= limit ? 1 : 0);
}

// Args: frame count, frame side. Opens a sprite file with SpriteModel::LoadSprite.
void BM_LoadSprite(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    const auto side = static_cast<std::uint16_t>(state.range(1));
    ScratchFolder scratch;
    const std::string path = scratch.Make("hero.spr");
    const Bytes sprite = MakePalettedSprite(frames, side, side);
    WriteWholeFile(path, sprite);

    AllocTotals allocated;
    long long read = -1;
    for (auto _ : state) {
        const ProcessReads before = BytesReadByProcess();
        AllocCounter counter;
        {
            SpriteModel model;
            const Outcome outcome = model.LoadSprite(path);
            if (!outcome.done || model.FrameCount() != frames) state.SkipWithError("cannot load the sprite");
        }
        allocated = counter.Stop();
        const ProcessReads after = BytesReadByProcess();
        if (before.value >= 0 && after.value >= 0) read = after.value - before.value - before.textBytes;
    }
    // The frame table (one record per frame, with the slack of a growing vector) and
    // the path and title strings.
    const std::size_t allocLimit = 2 * frames * sizeof(SprFrameRecord) + 4 * path.size() + 1024;
    const std::uint64_t readLimit = HeadBytes(frames);
    Report(state, "file_bytes", static_cast<double>(sprite.size()));
    Report(state, "read_bytes", static_cast<double>(read));
    Report(state, "read_limit", static_cast<double>(readLimit));
    Report(state, "alloc_bytes", static_cast<double>(allocated.bytes));
    Report(state, "limit_bytes", static_cast<double>(allocLimit));
    Report(state, "within_limit",
           allocated.bytes <= allocLimit && read >= 0 && static_cast<std::uint64_t>(read) <= readLimit ? 1 : 0);
}

// Args: frame side, 1 for a true-colour sprite. Draws frame 1 of a three-frame sprite.
void BM_RenderFrame(benchmark::State& state) {
    const auto side = static_cast<std::uint16_t>(state.range(0));
    const bool trueColour = state.range(1) != 0;
    ScratchFolder scratch;
    const std::string path = scratch.Make("hero.spr");
    WriteWholeFile(path, trueColour ? MakeTrueColourSprite(3, side, side) : MakePalettedSprite(3, side, side));
    SpriteModel model;
    if (!model.LoadSprite(path).done) {
        state.SkipWithError("cannot load the sprite");
        return;
    }

    AllocTotals allocated;
    for (auto _ : state) {
        AllocCounter counter;
        {
            const Result<DrawnPicture> drawn = model.RenderFrame(1);
            benchmark::DoNotOptimize(drawn->pixels.data());
        }
        allocated = counter.Stop();
    }
    const std::size_t pixels = std::size_t{side} * side;
    const std::size_t drawnBytes = pixels * 4;
    // Palettised: the indices and the encoded bytes. True-colour: the stored pixels,
    // which are its encoded bytes; it has no indices.
    const std::size_t frameBytes =
        trueColour ? pixels * kSprTrueColourPixelBytes : pixels + static_cast<std::size_t>(model.Frame(1).dataBytes);
    const std::size_t limit = drawnBytes + frameBytes;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * drawnBytes));
    Report(state, "alloc_bytes", static_cast<double>(allocated.bytes));
    Report(state, "allocs", static_cast<double>(allocated.count));
    Report(state, "limit_bytes", static_cast<double>(limit));
    Report(state, "within_limit", allocated.bytes <= limit ? 1 : 0);
}

// Export of all frames, on one thread, of two sprites alike but for their number of
// frames (100 and 999 noisy frames of 120 x 150): what the second allocates beyond the
// first, over the 899 frames more, is what one frame costs once the buffers are warm.
// The bound is a small fraction of one frame's pixels: names of files, never pixels.
// Arg: 1 for PNG, else BMP.
void BM_ExportAllFramesChurn(benchmark::State& state) {
    constexpr std::size_t kFewFrames = 100;
    constexpr std::size_t kManyFrames = 999;
    constexpr std::uint16_t kWidth = 120;
    constexpr std::uint16_t kHeight = 150;
    const FrameFormat format = state.range(0) != 0 ? FrameFormat::Png : FrameFormat::Native;
    ScratchFolder scratch;
    const auto exportOf = [&](std::size_t frames, int round) {
        const std::string path = scratch.Make("noise" + std::to_string(frames) + ".spr");
        if (round == 0) WriteWholeFile(path, MakeNoisySprite(frames, kWidth, kHeight));
        SpriteModel sprite;
        if (!sprite.LoadSprite(path).done) throw std::runtime_error("cannot load the sprite");
        const std::vector<std::string> names = sprite.FrameNames();
        const std::string folder = scratch.Make(std::to_string(frames) + "-" + std::to_string(round), true);
        AllocCounter counter;
        const Outcome outcome = ExportAllFrames(sprite, names, folder, format, 1);
        const AllocTotals totals = counter.Stop();
        std::filesystem::remove_all(folder);
        if (!outcome.done) throw std::runtime_error("the export failed");
        return totals;
    };
    AllocTotals few;
    AllocTotals many;
    int round = 0;
    for (auto _ : state) {
        few = exportOf(kFewFrames, round);
        many = exportOf(kManyFrames, round);
        ++round;
    }
    const double extraFrames = static_cast<double>(kManyFrames - kFewFrames);
    const double bytesPerFrame = (static_cast<double>(many.bytes) - static_cast<double>(few.bytes)) / extraFrames;
    const double limit = static_cast<double>(std::size_t{kWidth} * kHeight) / 8;
    Report(state, "bytes_per_frame", bytesPerFrame);
    Report(state, "allocs_per_frame", (static_cast<double>(many.count) - static_cast<double>(few.count)) / extraFrames);
    Report(state, "peak_bytes", static_cast<double>(many.peak));
    Report(state, "limit_bytes", limit);
    Report(state, "within_limit", bytesPerFrame <= limit ? 1 : 0);
}

// The source pictures of a build: `frames` BMPs, or TGAs for a true-colour build.
// Sparse BMPs are all transparent but for a small mark, which makes the sprite's bytes
// few next to the pixels: the tightest case for the bound.
std::vector<std::string> WriteSources(const ScratchFolder& scratch, std::size_t frames, std::uint16_t width,
                                      std::uint16_t height, int shape) {
    std::vector<std::string> sources;
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) palette[i] = {static_cast<std::uint8_t>(i), 0, 0, 0};
    Bytes indices;
    if (shape == 1) {
        indices.assign(std::size_t{width} * height, 0);
        for (std::size_t i = 0; i < 64; ++i) indices[indices.size() / 2 + i] = 7;
    } else if (shape == 0) {
        indices = MakeIndices(FrameShape::Typical, width, height);
    }
    const Bytes picture = shape == 2 ? EncodeTga32(width, height, Bytes(std::size_t{width} * height * 4, 0x5A))
                                     : EncodeBmp8(width, height, indices, palette);
    char name[32];
    for (std::size_t i = 0; i < frames; ++i) {
        std::snprintf(name, sizeof name, "frame%03zu.%s", i, shape == 2 ? "tga" : "bmp");
        sources.push_back(scratch.Make(name));
        WriteWholeFile(sources.back(), picture);
    }
    return sources;
}

// Args: frame count, width, height, shape (0 typical BMP, 1 sparse BMP, 2 TGA).
// The build runs on the calling thread alone, the only one the counter sees. The bound
// is per thread that reads sources: a build on N threads adds, for each, its own read
// and encoding buffers (up to twice the largest frame's pixels) and two runs of eight
// records in flight, each record at most a frame's encoded bytes.
void BM_BuildSpriteMemory(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    const auto width = static_cast<std::uint16_t>(state.range(1));
    const auto height = static_cast<std::uint16_t>(state.range(2));
    const int shape = static_cast<int>(state.range(3));
    ScratchFolder scratch;
    const std::vector<std::string> sources = WriteSources(scratch, frames, width, height, shape);
    const std::string output = scratch.Make("built.spr");

    AllocTotals allocated;
    for (auto _ : state) {
        AllocCounter counter;
        if (!BuildSprite(sources, output, 1).done) state.SkipWithError("the build was refused");
        allocated = counter.Stop();
    }
    // A frame's pixels: one index each, or four bytes of a true-colour pixel.
    const std::size_t framePixels = std::size_t{width} * height * (shape == 2 ? kSprTrueColourPixelBytes : 1);
    const std::size_t outputBytes = FileSize(output);
    const std::size_t limit = 2 * (framePixels + outputBytes);
    Report(state, "frame_pixels", static_cast<double>(framePixels));
    Report(state, "output_bytes", static_cast<double>(outputBytes));
    Report(state, "peak_bytes", static_cast<double>(allocated.peak));
    Report(state, "limit_bytes", static_cast<double>(limit));
    Report(state, "within_limit", allocated.peak <= limit ? 1 : 0);
}

// A 4000 x 4000 BMP holds more pixels than a frame's 65535 bytes of runs can stand for:
// its 16 MB are refused from the headers, so the build takes next to nothing.
void BM_BuildRefusesHugeSourceFromHeaders(benchmark::State& state) {
    ScratchFolder scratch;
    const std::vector<std::string> sources = WriteSources(scratch, 1, 4000, 4000, 1);
    const std::string output = scratch.Make("built.spr");
    AllocTotals allocated;
    for (auto _ : state) {
        AllocCounter counter;
        if (BuildSprite(sources, output, 1).done) state.SkipWithError("the build was not refused");
        allocated = counter.Stop();
    }
    const std::size_t limit = std::size_t{64} * 1024;
    Report(state, "file_bytes", static_cast<double>(FileSize(sources.front())));
    Report(state, "peak_bytes", static_cast<double>(allocated.peak));
    Report(state, "limit_bytes", static_cast<double>(limit));
    Report(state, "within_limit", allocated.peak <= limit ? 1 : 0);
}

BENCHMARK(BM_IndexFramesBytesRead)->ArgNames({"frames", "side"})->Args({999, 8})->Args({999, 160});
BENCHMARK(BM_LoadSprite)->ArgNames({"frames", "side"})->Args({999, 8})->Args({999, 160})->Args({50, 160});
BENCHMARK(BM_RenderFrame)
    ->ArgNames({"side", "true_colour"})
    ->Args({32, 0})
    ->Args({256, 0})
    ->Args({32, 1})
    ->Args({256, 1});
BENCHMARK(BM_BuildSpriteMemory)
    ->ArgNames({"frames", "width", "height", "shape"})
    ->Args({999, 120, 150, 0})
    ->Args({3, 2000, 2000, 1})
    ->Args({3, 20, 10, 1})
    ->Args({50, 256, 256, 2})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildRefusesHugeSourceFromHeaders);
BENCHMARK(BM_ExportAllFramesChurn)->ArgNames({"png"})->Arg(0)->Arg(1)->Iterations(Rounds(3));

}  // namespace
}  // namespace zandrel::bench
