// The OpenCL renderer on the POCL device against the CPU renderer on the same
// 1920 x 1080 frame (Mpix/s), a frame that loads a new LUT, and the build of
// the bundled program and the first frame after start-up, cold and from
// POCL's cache.
//
//   POCL_CACHE_DIR=DIR opencl_lut_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <atomic>
#include <random>

#include "../lut/bench_inputs.h"
#include "opencl_bench_session.h"
#include "support/temp_dir.h"

namespace {

using qlx::bench::OpenCLSession;

constexpr int kWidth = 1920, kHeight = 1080;
enum Renderer { kCpu = 0, kOpenCL = 1 };

OpenCLSession& session() {
    static OpenCLSession instance;
    return instance;
}

const std::string& gradeLutPath(int n) {
    static const std::string path33 =
        qlx::bench::writeTempFile("qlx_opencl_bench_33.cube", qlx::bench::gradeCubeText(33));
    static const std::string path17 =
        qlx::bench::writeTempFile("qlx_opencl_bench_17.cube", qlx::bench::gradeCubeText(17));
    return n == 33 ? path33 : path17;
}

cv::Mat naturalPicture() {
    static const std::vector<std::uint8_t> bytes = qlx::bench::naturalFrame(kWidth, kHeight);
    return cv::Mat(kHeight, kWidth, CV_8UC4, const_cast<std::uint8_t*>(bytes.data())).clone();
}

// Skin weights in the fourth byte: a soft blob in the middle of the frame.
cv::Mat skinMask() {
    cv::Mat mask(kHeight, kWidth, CV_8UC4, cv::Scalar::all(0));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double dx = (x - kWidth / 2) / 400.0, dy = (y - kHeight / 2) / 300.0;
            const double weight = 1.0 - (dx * dx + dy * dy);
            mask.at<cv::Vec4b>(y, x)[3] = static_cast<uchar>(weight > 0 ? weight * 255 : 0);
        }
    return mask;
}

void setRate(benchmark::State& state) {
    state.counters["Mpix/s"] = benchmark::Counter(
        static_cast<double>(kWidth) * kHeight * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

// Arguments: renderer (0 CPU, 1 OpenCL), alpha, skinProtect.
void renderFrame(benchmark::State& state) {
    const auto renderer = static_cast<Renderer>(state.range(0));
    const int alpha = static_cast<int>(state.range(1)), skin = static_cast<int>(state.range(2));
    const cv::Mat input = naturalPicture();
    const qlx::SkinMask mask{skin ? skinMask() : cv::Mat(), skin};
    const std::string& lut = gradeLutPath(33);
    if (renderer == kCpu) {
        auto cpu = OpenCLSession::cpuRenderer(lut);
        cpu->update(qlx::LutSettings::withAlpha(alpha));
        cv::Mat out(input.size(), CV_8UC4);
        const int pitch = static_cast<int>(out.step);
        for (auto _ : state) {
            cpu->Render(out.data, kWidth, kHeight, pitch, input.data, kWidth, kHeight, pitch,
                        &mask);
            benchmark::DoNotOptimize(out.data);
        }
        setRate(state);
        return;
    }
    if (!session().ok()) return state.SkipWithError("no OpenCL device");
    auto gpu = session().openCLRenderer(lut, qlx::bench::bundledProgramPath());
    if (!gpu) return state.SkipWithError("the program did not build");
    gpu->update(qlx::LutSettings::withAlpha(alpha));
    auto in = session().upload(input), out = session().upload(input);
    OPENCL::openclMemory* src = session().attach(*in);
    OPENCL::openclMemory* dst = session().attach(*out);
    // The first render loads the LUT.
    if (gpu->Render(src, dst, &mask) != 0) return state.SkipWithError("render failed");
    for (auto _ : state) gpu->Render(src, dst, &mask);
    setRate(state);
}
BENCHMARK(renderFrame)
    ->ArgNames({"renderer", "alpha", "skin"})
    ->Args({kCpu, 100, 0})
    ->Args({kOpenCL, 100, 0})
    ->Args({kCpu, 50, 0})
    ->Args({kOpenCL, 50, 0})
    ->Args({kCpu, 100, 60})
    ->Args({kOpenCL, 100, 60})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Every frame names another LUT file: the frame pays the load and the upload
// of the three tables (3,295,500 + 1,024 + 1,024 bytes).
void renderFrameWithNewLut(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("no OpenCL device");
    auto gpu = session().openCLRenderer("", qlx::bench::bundledProgramPath());
    if (!gpu) return state.SkipWithError("the program did not build");
    const cv::Mat input = naturalPicture();
    auto in = session().upload(input), out = session().upload(input);
    OPENCL::openclMemory* src = session().attach(*in);
    OPENCL::openclMemory* dst = session().attach(*out);
    int frame = 0;
    for (auto _ : state) {
        const std::string& lut = gradeLutPath(frame++ % 2 ? 33 : 17);
        gpu->update(qlx::LutSettings::withAlpha(100, lut));
        gpu->Render(src, dst);
    }
    setRate(state);
}
BENCHMARK(renderFrameWithNewLut)->UseRealTime()->Unit(benchmark::kMillisecond);

// A program text POCL has never seen (cold) or the one it built last (cached).
std::string programFile(bool cached) {
    static const std::string source = qlxtest::readFile(qlx::bench::bundledProgramPath());
    static std::random_device entropy;
    static const std::string warmMark = std::to_string(entropy());
    const std::string mark =
        cached ? warmMark : std::to_string(entropy()) + std::to_string(entropy());
    return qlx::bench::writeTempFile(
        cached ? "qlx_opencl_bench_warm.cl" : "qlx_opencl_bench_cold.cl",
        source + "\n// " + mark + "\n");
}

// Argument: 0 cold, 1 from POCL's cache. The build of the program file alone.
void buildProgram(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("no OpenCL device");
    const bool cached = state.range(0) == 1;
    static std::atomic<int> programCount{0};
    auto build = [&](const std::string& path) {
        const std::string name = "bench-" + std::to_string(programCount++);
        OPENCL::openclProgram* program = session().programs()->createOpenCLProgram(name.c_str());
        return program && program->loadProgram(path.c_str(), nullptr, 0, 0, 0);
    };
    if (cached && !build(programFile(true))) return state.SkipWithError("no build");
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = programFile(cached);
        state.ResumeTiming();
        if (!build(path)) return state.SkipWithError("the program did not build");
    }
}
BENCHMARK(buildProgram)
    ->ArgNames({"cached"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Argument: 0 cold, 1 from POCL's cache. From a start-up to the first frame
// done: the renderer's preparation (the program build) and a 64 x 64 frame,
// whose run compiles the kernel for the device.
void firstFrame(benchmark::State& state) {
    if (!session().ok()) return state.SkipWithError("no OpenCL device");
    const bool cached = state.range(0) == 1;
    const cv::Mat input(64, 64, CV_8UC4, cv::Scalar(30, 120, 200, 255));
    auto in = session().upload(input), out = session().upload(input);
    if (cached) {
        session().reset();
        auto warm = session().openCLRenderer(gradeLutPath(17), programFile(true));
        if (!warm || warm->Render(session().attach(*in), session().attach(*out)) != 0)
            return state.SkipWithError("no build");
    }
    for (auto _ : state) {
        state.PauseTiming();
        session().reset();
        const std::string path = programFile(cached);
        state.ResumeTiming();
        auto renderer = session().openCLRenderer(gradeLutPath(17), path);
        if (!renderer || renderer->Render(session().attach(*in), session().attach(*out)) != 0)
            return state.SkipWithError("the first frame failed");
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(firstFrame)
    ->ArgNames({"cached"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
