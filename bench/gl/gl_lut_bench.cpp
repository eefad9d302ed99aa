// Frames of 1920 x 1080 through the OpenGL path (NLEOpenGL3DLut and the
// software engine on llvmpipe), host-memory frames in and out, beside the CPU
// renderer on the same frames.
#include <benchmark/benchmark.h>

#include <random>

#include "common/process_state.h"
#include "gl_bench_inputs.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/nle_opengl_3dlut.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPitch = kWidth * 4;

std::vector<std::uint8_t> randomFrame() {
    std::vector<std::uint8_t> pixels(std::size_t(kPitch) * kHeight);
    std::mt19937 random(42);
    for (auto& byte : pixels) byte = std::uint8_t(random());
    return pixels;
}

void reportPixels(benchmark::State& state) {
    state.counters["Mpix/s"] = benchmark::Counter(
        double(kWidth) * kHeight * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// range(0): LUT size (0 = no LUT: the pass effect); range(1): alpha;
// range(2): skin protection strength.
void BM_OpenGLLut(benchmark::State& state) {
    qlx::processState().softwareOpenGL = true;
    tonekit::NLEOpenGL3DLut effect(qlxglbench::openGLDescription());
    if (state.range(0) > 0) {
        effect.SetLutPath(qlxglbench::writeSyntheticCube(int(state.range(0)), 1));
    }
    effect.alpha = int(state.range(1));
    effect.skinProtectStrength = int(state.range(2));
    effect.skinMask = cv::Mat(kHeight, kWidth, CV_8UC4, cv::Scalar(0, 0, 0, 200));
    std::vector<std::uint8_t> input = randomFrame(), output(input.size());
    if (effect.Prepare(kWidth, kHeight, kPitch) != 0) {
        state.SkipWithError("the OpenGL effect cannot be prepared");
        return;
    }
    for (auto _ : state) {
        effect.Prepare(kWidth, kHeight, kPitch);
        const int result = effect.Render(
            qlxglbench::emptyFrame(), qlxglbench::hostFrame(input, kWidth, kHeight, kPitch),
            qlxglbench::hostFrame(output, kWidth, kHeight, kPitch), kWidth, kHeight, kPitch);
        if (result != 0) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(output.data());
    }
    reportPixels(state);
}
BENCHMARK(BM_OpenGLLut)
    ->ArgNames({"lut", "alpha", "skin"})
    ->Args({0, 100, 0})
    ->Args({33, 100, 0})
    ->Args({65, 100, 0})
    ->Args({33, 50, 60})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CPULut(benchmark::State& state) {
    auto root = std::make_shared<NLEFilterInfo>();
    root->setLutPath(qlxglbench::writeSyntheticCube(int(state.range(0)), 1));
    auto filter = std::make_shared<NLEFilterInfo>();
    NLEColorLut3dAdjustEffect renderer(filter, root->lutPath());
    renderer.update(qlx::LutSettings::withAlpha(int(state.range(1))));
    const qlx::SkinMask skin{cv::Mat(kHeight, kWidth, CV_8UC4, cv::Scalar(0, 0, 0, 200)),
                             int(state.range(2))};
    std::vector<std::uint8_t> input = randomFrame(), output(input.size());
    for (auto _ : state) {
        renderer.Render(output.data(), kWidth, kHeight, kPitch, input.data(), kWidth, kHeight,
                        kPitch, &skin);
        benchmark::DoNotOptimize(output.data());
    }
    reportPixels(state);
}
BENCHMARK(BM_CPULut)
    ->ArgNames({"lut", "alpha", "skin"})
    ->Args({33, 100, 0})
    ->Args({33, 50, 60})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
