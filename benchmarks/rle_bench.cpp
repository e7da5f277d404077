// The run-length codec on one 256 x 256 frame, beside memcpy of the same decoded bytes.
// Each iteration times the codec and then a memcpy of the frame's indices, so both
// meet the same caches and clock; the row's time is the codec's alone, and vs_memcpy
// is the codec's total time over memcpy's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

#include "benchmarks/bench_sprites.h"
#include "formats/spr_file.h"

namespace zandrel::bench {
namespace {

constexpr std::uint16_t kSide = 256;

// Runs `codec` once per iteration and memcpy of `indices` after it.
template <typename Codec>
void AgainstMemcpy(benchmark::State& state, const Bytes& indices, std::size_t encodedBytes, Codec codec) {
    Bytes copy(indices.size());
    double codecSeconds = 0;
    double memcpySeconds = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        codec();
        const Clock::time_point coded = Clock::now();
        std::memcpy(copy.data(), indices.data(), indices.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        const Clock::time_point copied = Clock::now();
        state.SetIterationTime(Seconds(start, coded));
        codecSeconds += Seconds(start, coded);
        memcpySeconds += Seconds(coded, copied);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * indices.size()));
    state.counters["vs_memcpy"] = memcpySeconds > 0 ? codecSeconds / memcpySeconds : 0;
    state.counters["rle_bytes"] = static_cast<double>(encodedBytes);
}

void BM_SprDecodeRle(benchmark::State& state, FrameShape shape) {
    const Bytes indices = MakeIndices(shape, kSide, kSide);
    const Bytes encoded = SprEncodeRle(indices);
    Bytes decoded(indices.size());
    AgainstMemcpy(state, indices, encoded.size(), [&] {
        const RleDecodeResult result = SprDecodeRle(encoded, decoded);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(decoded.data());
        benchmark::ClobberMemory();
    });
    if (SprDecodeRle(encoded, decoded).problem != RleProblem::None || decoded != indices) {
        state.SkipWithError("the frame does not decode to its indices");
    }
}

void BM_SprEncodeRle(benchmark::State& state, FrameShape shape) {
    const Bytes indices = MakeIndices(shape, kSide, kSide);
    Bytes encoded;
    encoded.reserve(indices.size() * 2);
    AgainstMemcpy(state, indices, SprEncodeRle(indices).size(), [&] {
        encoded.clear();
        SprEncodeRle(indices, encoded);
        benchmark::DoNotOptimize(encoded.data());
        benchmark::ClobberMemory();
    });
}

// memcpy alone, for the scale of the GB/s column.
void BM_Memcpy(benchmark::State& state) {
    const Bytes indices = MakeIndices(FrameShape::Typical, kSide, kSide);
    Bytes copy(indices.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), indices.data(), indices.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * indices.size()));
}

BENCHMARK(BM_Memcpy);
BENCHMARK_CAPTURE(BM_SprDecodeRle, typical, FrameShape::Typical)->UseManualTime();
BENCHMARK_CAPTURE(BM_SprDecodeRle, no_zeros, FrameShape::NoZeros)->UseManualTime();
BENCHMARK_CAPTURE(BM_SprDecodeRle, alternating, FrameShape::Alternating)->UseManualTime();
BENCHMARK_CAPTURE(BM_SprEncodeRle, typical, FrameShape::Typical)->UseManualTime();
BENCHMARK_CAPTURE(BM_SprEncodeRle, no_zeros, FrameShape::NoZeros)->UseManualTime();
BENCHMARK_CAPTURE(BM_SprEncodeRle, alternating, FrameShape::Alternating)->UseManualTime();

}  // namespace
}  // namespace zandrel::bench
