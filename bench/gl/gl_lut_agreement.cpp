// Counts the pixels on which the OpenGL path's bytes differ from the CPU
// renderer's over all 2^24 colours (alpha 255), per LUT file, at full strength
// and at alpha 70 with skin protection 60 through a random mask. Prints one
// Markdown table row per file. Usage: gl_lut_agreement [LUT files...]
// (default: a synthetic 33-point .CUBE file).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "common/process_state.h"
#include "gl_bench_inputs.h"
#include "lut/cube_lut.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/nle_opengl_3dlut.h"

namespace {

constexpr int kSide = 4096, kPitch = kSide * 4;

struct Settings {
    int alpha;
    int skinProtect;
};
constexpr Settings kSettings[] = {{100, 0}, {70, 60}};

bool renderOpenGL(const std::string& lut, Settings settings, const cv::Mat& mask,
                  std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output) {
    tonekit::NLEOpenGL3DLut effect(qlxglbench::openGLDescription());
    effect.SetLutPath(lut);
    effect.alpha = settings.alpha;
    effect.skinProtectStrength = settings.skinProtect;
    effect.skinMask = mask;
    if (effect.lutError() || effect.Prepare(kSide, kSide, kPitch) != 0) return false;
    return effect.Render(
               qlxglbench::emptyFrame(), qlxglbench::hostFrame(input, kSide, kSide, kPitch),
               qlxglbench::hostFrame(output, kSide, kSide, kPitch), kSide, kSide, kPitch) == 0;
}

void renderCPU(const std::string& lut, Settings settings, const cv::Mat& mask,
               std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output) {
    auto root = std::make_shared<NLEFilterInfo>();
    root->setLutPath(lut);
    NLEColorLut3dAdjustEffect renderer(std::make_shared<NLEFilterInfo>(), root->lutPath());
    renderer.update(qlx::LutSettings::withAlpha(settings.alpha));
    const qlx::SkinMask skin{mask, settings.skinProtect};
    renderer.Render(output.data(), kSide, kSide, kPitch, input.data(), kSide, kSide, kPitch, &skin);
}

// "pixels differing (largest channel difference)", or why there is no count.
std::string compare(const std::string& lut, Settings settings, const cv::Mat& mask,
                    std::vector<std::uint8_t>& input) {
    std::vector<std::uint8_t> gl(input.size()), cpu(input.size());
    if (!renderOpenGL(lut, settings, mask, input, gl)) return "OpenGL path did not render";
    renderCPU(lut, settings, mask, input, cpu);
    std::uint64_t pixelsOff = 0;
    int worst = 0;
    for (std::size_t p = 0; p < input.size(); p += 4) {
        bool off = false;
        for (int c = 0; c < 4; ++c) {
            const int d = std::abs(int(gl[p + c]) - int(cpu[p + c]));
            worst = std::max(worst, d);
            off |= d != 0;
        }
        pixelsOff += off;
    }
    return std::to_string(pixelsOff) + " (" + std::to_string(worst) + ")";
}

}  // namespace

int main(int argc, char** argv) {
    qlx::processState().softwareOpenGL = true;
    std::vector<std::string> luts(argv + 1, argv + argc);
    if (luts.empty()) luts.push_back(qlxglbench::writeSyntheticCube(33, 1));
    std::vector<std::uint8_t> input = qlxglbench::everyColour();
    cv::Mat mask(kSide, kSide, CV_8UC4);
    cv::randu(mask, cv::Scalar::all(0), cv::Scalar::all(256));
    std::printf("| LUT | N | alpha 100 | alpha 70, skin 60, random mask |\n|---|---|---|---|\n");
    for (const std::string& lut : luts) {
        const std::string name = lut.substr(lut.find_last_of('/') + 1);
        qlx::CubeLut probe;
        if (!probe.loadCubeFile(lut)) {
            std::printf("| %s | - | does not load (status %d) | - |\n", name.c_str(), probe.status);
            continue;
        }
        std::printf("| %s | %d", name.c_str(), probe.size());
        for (Settings settings : kSettings) {
            std::printf(" | %s", compare(lut, settings, mask, input).c_str());
        }
        std::printf(" |\n");
        std::fflush(stdout);
    }
    return 0;
}
