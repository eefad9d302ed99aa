// Throughput of CubeLut::apply on BGRA frames, in megapixels per second.
//
//   lut_bench [benchmark flags]           run the benchmarks
//   lut_bench --write-inputs=DIR W H N F  write DIR/frame.bgra (W×H BGRA, frame
//                                         kind F: 0 natural, 1 random colours)
//                                         and DIR/lut.cube (size N) for comparisons
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "lut/byte_source.h"
#include "lut/cube_lut.h"
#include "lut/lut_kernel.h"

namespace {

using qlx::CubeLut;
using qlx::LutKernelKind;

std::unique_ptr<CubeLut> gradeLut(int n) {
    const std::string text = qlx::bench::gradeCubeText(n);
    auto lut = std::make_unique<CubeLut>();
    qlx::MemoryByteSource source(text.data(), text.size());
    if (!lut->loadFromSource(source, qlx::LutFileFormat::Cube, false)) std::abort();
    return lut;
}

// Arguments: width, height, LUT size, threads, kernel (a LutKernelKind),
// frame kind (0 natural, 1 random colours).
void applyLut(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const auto kind = static_cast<LutKernelKind>(state.range(4));
    if (!qlx::lutKernelSupported(kind)) {
        state.SkipWithError("kernel not supported by this CPU");
        return;
    }
    const std::unique_ptr<CubeLut> lut = gradeLut(static_cast<int>(state.range(2)));
    const std::vector<std::uint8_t> src =
        qlx::bench::benchFrame(static_cast<int>(state.range(5)), width, height);
    std::vector<std::uint8_t> dst(src.size());
    cv::setNumThreads(static_cast<int>(state.range(3)));
    qlx::setLutKernelOverride(kind);
    lut->apply(dst.data(), width * 4, src.data(), width, height, width * 4, 4);  // warm up
    for (auto _ : state) {
        lut->apply(dst.data(), width * 4, src.data(), width, height, width * 4, 4);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(qlx::lutKernelName(qlx::activeLutKernel()));
    qlx::setLutKernelOverride(LutKernelKind::Automatic);
    state.counters["Mpix/s"] = benchmark::Counter(
        static_cast<double>(width) * height * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void applyArguments(benchmark::internal::Benchmark* b) {
    const std::pair<int, int> frames[] = {{1920, 1080}, {3840, 2160}};
    const LutKernelKind kinds[] = {LutKernelKind::Scalar, LutKernelKind::Sse41, LutKernelKind::Avx2,
                                   LutKernelKind::Avx512, LutKernelKind::Automatic};
    for (auto [w, h] : frames) {
        for (int n : {33, 65}) {
            for (int threads : {1, 2}) {
                for (LutKernelKind kind : kinds) {
                    for (int frame : {0, 1})
                        b->Args({w, h, n, threads, static_cast<int>(kind), frame});
                }
            }
        }
    }
    b->ArgNames({"w", "h", "lut", "threads", "kernel", "frame"});
    // Wall time for the rate; CPU time of the whole process (all pool threads),
    // which on a shared machine shows what the cores themselves deliver.
    b->UseRealTime();
    b->MeasureProcessCPUTime();
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(applyLut)->Apply(applyArguments);

bool writeFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

int writeInputs(const std::string& folder, int width, int height, int n, int kind) {
    const std::vector<std::uint8_t> frame = qlx::bench::benchFrame(kind, width, height);
    const std::string lut = qlx::bench::gradeCubeText(n);
    if (!writeFile(folder + "/frame.bgra", frame.data(), frame.size()) ||
        !writeFile(folder + "/lut.cube", lut.data(), lut.size())) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* kWrite = "--write-inputs=";
    if (argc == 6 && std::strncmp(argv[1], kWrite, std::strlen(kWrite)) == 0) {
        return writeInputs(argv[1] + std::strlen(kWrite), std::atoi(argv[2]), std::atoi(argv[3]),
                           std::atoi(argv[4]), std::atoi(argv[5]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
