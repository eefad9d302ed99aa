// What skin protection adds on frames that live only in the host's GL
// textures: reading a 1920 x 1080 input texture back into host memory through
// the effect's pass effect (the hardware engine in the host's context,
// llvmpipe here), beside the segmentation-free render of the same frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "common/process_state.h"
#include "gl_bench_inputs.h"
#include "kit/opengl_device.h"
#include "render/gl/nle_opengl_3dlut.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPitch = kWidth * 4;

GLFrameDesc textureFrame(std::uint32_t texture) {
    std::vector<std::uint8_t> none;
    GLFrameDesc desc = qlxglbench::hostFrame(none, kWidth, kHeight, kPitch);
    desc.pixels = nullptr;
    desc.inHostMemory = false;
    desc.texture.textureId = -1;
    desc.texture.textureHandle = texture;
    return desc;
}

void BM_ReadFrameHD(benchmark::State& state) {
    qlxhost::OpenGLDevice device;
    if (!device.open()) return state.SkipWithError(device.error().c_str());
    qlx::processState().softwareOpenGL = false;  // the engine works in the host's context
    std::vector<std::uint8_t> pixels(std::size_t(kPitch) * kHeight);
    std::mt19937 random(42);
    for (auto& byte : pixels) byte = std::uint8_t(random());
    const std::uint32_t texture = device.createTexture(kWidth, kHeight, pixels.data(), kPitch);
    tonekit::NLEOpenGL3DLut effect(qlxglbench::openGLDescription());
    if (!texture || effect.Prepare(kWidth, kHeight, kPitch) != 0)
        return state.SkipWithError("no texture or no effect");
    cv::Mat bgra;
    for (auto _ : state) {
        if (!effect.ReadFrame(textureFrame(texture), bgra))
            return state.SkipWithError("read-back failed");
        benchmark::DoNotOptimize(bgra.data);
    }
    if (std::memcmp(bgra.data, pixels.data(), pixels.size()) != 0)
        state.SkipWithError("the read-back pixels are not the frame's");
    device.deleteTexture(texture);
}

BENCHMARK(BM_ReadFrameHD)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
