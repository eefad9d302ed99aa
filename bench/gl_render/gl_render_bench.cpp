// 1920 x 1080 frames through the built plugin, as an editor drives it: the
// OpenGL render mode on host-memory frames (no OpenGL device: the software
// engine's own context), on host-memory frames and on GL textures with the
// host's OpenGL device (the hardware engine in the host's context), and the
// CPU render mode on the same frames. The bundled LUT folder's custom-LUT
// filter is pointed at a generated .CUBE file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "kit/host_session.h"
#include "kit/opengl_device.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPitch = kWidth * 4;
constexpr char kCustomGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";
constexpr std::uint32_t kCpuMode = 0, kOpenGLMode = 2;

std::vector<std::uint8_t> randomFrame() {
    std::vector<std::uint8_t> pixels(std::size_t(kPitch) * kHeight);
    std::mt19937 random(42);
    for (auto& byte : pixels) byte = std::uint8_t(random());
    return pixels;
}

// A smooth cross-channel grade of size n, every entry inside 0..1.
std::string writeCube(int n) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench_gl_render_" + std::to_string(n) + ".cube"))
                                 .string();
    std::ofstream out(path);
    out << "LUT_3D_SIZE " << n << "\n";
    char line[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const double x = double(r) / (n - 1), y = double(g) / (n - 1),
                             z = double(b) / (n - 1);
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", 0.85 * x + 0.15 * y * y,
                              0.7 * y + 0.3 * std::sqrt(z), 0.9 * z * z + 0.1 * x);
                out << line;
            }
    return path;
}

qlxhost::OpenGLDevice* openedDevice = nullptr;

qlxhost::OpenGLDevice& hostDevice() {
    if (!openedDevice) {
        openedDevice = new qlxhost::OpenGLDevice();  // kept until the process ends
        openedDevice->open();
    }
    return *openedDevice;
}

// The host's context is current on the benchmark thread only for the cases
// with an OpenGL device; otherwise the software engine works in its own.
void useHostContext(bool current) {
    if (current) {
        hostDevice().makeCurrent();
    } else if (openedDevice) {
        openedDevice->release();
    }
}

// One started plugin copy with one prepared effect; kept until the process
// ends, as editors keep the plugin.
struct Rig {
    qlxhost::HostSession session;
    std::unique_ptr<qlxhost::HostedEffect> effect;
    std::string error;
};

Rig* makeRig(std::uint32_t mode, bool withDevice, int lutSize, int alpha, int skin) {
    auto* rig = new Rig();
    qlxhost::SessionConfig config;
    config.lutFolder = QLX_LUT_FOLDER;
    config.freshCopy = true;
    if (withDevice) {
        if (!hostDevice().isOpen()) {
            rig->error = "no OpenGL device: " + hostDevice().error();
            return rig;
        }
        config.devices.push_back(hostDevice().record());
    }
    if (!rig->session.start(config)) {
        rig->error = rig->session.error();
        return rig;
    }
    rig->session.registerAll();
    int result = 0;
    rig->effect = rig->session.createEffect(kCustomGuid, mode, &result);
    if (!rig->effect || rig->effect->prepare() != 0) {
        rig->error = "the effect cannot be created and prepared";
        rig->effect.reset();
        return rig;
    }
    qlxhost::EffectContext& params = rig->effect->parameters();
    params.set("alpha", qlxhost::ParamAnswer::integer(alpha));
    params.set("skinProtect", qlxhost::ParamAnswer::integer(skin));
    params.set("lut3dPath", qlxhost::ParamAnswer::string(writeCube(lutSize)));
    rig->effect->updateParameters();
    return rig;
}

// One rig per case, reused by the repetitions.
Rig* startRig(std::uint32_t mode, bool withDevice, const benchmark::State& state) {
    static std::map<std::tuple<std::uint32_t, bool, int, int, int>, Rig*> rigs;
    useHostContext(withDevice);
    const int lutSize = int(state.range(0)), alpha = int(state.range(1)),
              skin = int(state.range(2));
    Rig*& rig = rigs[{mode, withDevice, lutSize, alpha, skin}];
    if (!rig) rig = makeRig(mode, withDevice, lutSize, alpha, skin);
    return rig;
}

void reportPixels(benchmark::State& state) {
    state.counters["Mpix/s"] = benchmark::Counter(
        double(kWidth) * kHeight * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// Host-memory frames in and out through one rig.
void renderInMemory(benchmark::State& state, std::uint32_t mode, bool withDevice) {
    Rig* rig = startRig(mode, withDevice, state);
    if (!rig->error.empty()) return state.SkipWithError(rig->error.c_str());
    std::vector<std::uint8_t> input = randomFrame(), output(input.size());
    auto in = qlxhost::Frame::wrap(input.data(), kWidth, kHeight, kPitch);
    auto out = qlxhost::Frame::wrap(output.data(), kWidth, kHeight, kPitch);
    // The first frame builds the engine effects and uploads the LUT.
    if (rig->effect->render(*in, *out) != 0) return state.SkipWithError("render failed");
    for (auto _ : state) {
        if (rig->effect->render(*in, *out) != 0) return state.SkipWithError("render failed");
        benchmark::DoNotOptimize(output.data());
    }
    reportPixels(state);
}

void BM_CpuMode(benchmark::State& state) {
    renderInMemory(state, kCpuMode, false);
}

void BM_OpenGLModeMemory(benchmark::State& state) {
    renderInMemory(state, kOpenGLMode, false);
}

void BM_OpenGLModeMemoryOnDevice(benchmark::State& state) {
    renderInMemory(state, kOpenGLMode, true);
}

// GL textures in and out; each frame waits for the GPU to finish. With skin
// protection the input texture is read back for the segmenter every frame.
void BM_OpenGLModeTextures(benchmark::State& state) {
    Rig* rig = startRig(kOpenGLMode, true, state);
    if (!rig->error.empty()) return state.SkipWithError(rig->error.c_str());
    qlxhost::GPUDeviceSuite& suite = rig->session.host().gpu;
    qlxhost::OpenGLFrame in(hostDevice(), suite, kWidth, kHeight);
    qlxhost::OpenGLFrame out(hostDevice(), suite, kWidth, kHeight);
    const std::vector<std::uint8_t> input = randomFrame();
    if (!in.write(input.data(), kPitch)) return state.SkipWithError("no input texture");
    if (rig->effect->render(in.frame(), out.frame()) != 0)
        return state.SkipWithError("render failed");
    glFinish();
    for (auto _ : state) {
        if (rig->effect->render(in.frame(), out.frame()) != 0)
            return state.SkipWithError("render failed");
        glFinish();
    }
    reportPixels(state);
}

#define QLX_FRAME_BENCHMARK(name)            \
    BENCHMARK(name)                          \
        ->ArgNames({"lut", "alpha", "skin"}) \
        ->Args({33, 100, 0})                 \
        ->Args({33, 50, 0})                  \
        ->Args({33, 100, 60})                \
        ->Unit(benchmark::kMillisecond)      \
        ->UseRealTime()

QLX_FRAME_BENCHMARK(BM_CpuMode);
QLX_FRAME_BENCHMARK(BM_OpenGLModeMemory);
QLX_FRAME_BENCHMARK(BM_OpenGLModeMemoryOnDevice);
QLX_FRAME_BENCHMARK(BM_OpenGLModeTextures);

}  // namespace

BENCHMARK_MAIN();
