// Measures how far the OpenGL path's bytes are from the CPU renderer's over all
// 2^24 colours (alpha 255), per LUT file: a histogram of the per-channel
// differences. Usage: gl_lut_agreement [LUT files...] (default: a synthetic
// 33-point .CUBE file).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl_bench_inputs.h"
#include "plugin/process_state.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/nle_opengl_3dlut.h"

namespace {

constexpr int kSide = 4096, kPitch = kSide * 4;

bool renderOpenGL(const std::string& lut, std::vector<std::uint8_t>& input,
                  std::vector<std::uint8_t>& output) {
    tonekit::NLEOpenGL3DLut effect(qlxglbench::openGLDescription());
    effect.SetLutPath(lut);
    if (effect.lutError() || effect.Prepare(kSide, kSide, kPitch) != 0) return false;
    return effect.Render(
               qlxglbench::emptyFrame(), qlxglbench::hostFrame(input, kSide, kSide, kPitch),
               qlxglbench::hostFrame(output, kSide, kSide, kPitch), kSide, kSide, kPitch) == 0;
}

void renderCPU(const std::string& lut, std::vector<std::uint8_t>& input,
               std::vector<std::uint8_t>& output) {
    auto root = std::make_shared<NLEFilterInfo>();
    root->setLutPath(lut);
    NLEColorLut3dAdjustEffect renderer(root, std::make_shared<NLEFilterInfo>());
    renderer.Render(output.data(), kSide, kSide, kPitch, input.data(), kSide, kSide, kPitch);
}

void measure(const std::string& lut, std::vector<std::uint8_t>& input) {
    std::vector<std::uint8_t> gl(input.size()), cpu(input.size());
    if (!renderOpenGL(lut, input, gl)) {
        std::printf("%s: the OpenGL path did not render\n", lut.c_str());
        return;
    }
    renderCPU(lut, input, cpu);
    // Buckets of |OpenGL - CPU| per colour channel.
    const int kBucketTop[] = {0, 1, 2, 5, 20, 255};
    const char* kBucketName[] = {"0", "1", "2", "3-5", "6-20", "21-255"};
    std::uint64_t buckets[6] = {}, pixelsOff = 0, sum = 0;
    int worst = 0;
    for (std::size_t p = 0; p < input.size(); p += 4) {
        bool off = false;
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(int(gl[p + c]) - int(cpu[p + c]));
            int b = 0;
            while (d > kBucketTop[b]) ++b;
            ++buckets[b];
            sum += d;
            worst = std::max(worst, d);
            off |= d != 0;
        }
        pixelsOff += off;
    }
    std::printf(
        "%s\n  pixels differing: %llu of 16777216 (%.4f%%), largest channel difference %d, "
        "mean %.4f\n  channels by |difference|:",
        lut.c_str(), static_cast<unsigned long long>(pixelsOff), 100.0 * pixelsOff / 16777216.0,
        worst, double(sum) / (3.0 * 16777216.0));
    for (int b = 0; b < 6; ++b) {
        std::printf(" %s: %llu;", kBucketName[b], static_cast<unsigned long long>(buckets[b]));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    qlx::processState().softwareOpenGL = true;
    std::vector<std::string> luts;
    for (int i = 1; i < argc; ++i) luts.push_back(argv[i]);
    if (luts.empty()) luts.push_back(qlxglbench::writeSyntheticCube(33, 1));
    std::vector<std::uint8_t> input = qlxglbench::everyColour();
    for (const std::string& lut : luts) measure(lut, input);
    return 0;
}
