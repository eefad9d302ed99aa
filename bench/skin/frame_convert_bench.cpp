// 16-bit four-channel frames to 8-bit BGRA, scalar reference against the SSE2
// form, on a 1920 x 1080 frame with the row pitches a host typically uses.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "skin/frame_convert.h"

namespace {

using Converter = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, int, int);

void convertFrame(benchmark::State& state, Converter convert) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::size_t srcPitch = static_cast<std::size_t>(width) * 8 + 64;
    const std::size_t dstPitch = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> src(srcPitch * height);
    std::mt19937 random(7);
    for (std::uint8_t& byte : src) byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> dst(dstPitch * height + 64);
    std::uint8_t* out = dst.data() + (64 - reinterpret_cast<std::uintptr_t>(dst.data()) % 64) % 64;
    for (auto _ : state) {
        convert(src.data(), srcPitch, out, dstPitch, width, height);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.counters["Mpix/s"] =
        benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                           benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(convertFrame, scalar, convertFrame16To8Scalar)
    ->Args({1920, 1080})
    ->Args({3840, 2160});
BENCHMARK_CAPTURE(convertFrame, sse2, convertFrame16To8Vector)
    ->Args({1920, 1080})
    ->Args({3840, 2160});

}  // namespace

BENCHMARK_MAIN();
