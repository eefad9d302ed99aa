#include "gl_test_support.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "catalogue/filter_params.h"
#include "common/process_state.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/opengl_description.h"

namespace qlxgltest {

void GLPathTest::SetUp() {
    qlx::suiteTable().hostUtil = host.qlx();
    qlx::processState().softwareOpenGL = true;
}

void GLPathTest::TearDown() {
    qlx::suiteTable().hostUtil = nullptr;
}

void HostImage::fillRandom(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
}

std::size_t differingBytes(const HostImage& a, const HostImage& b) {
    std::size_t count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 4; ++x)
            count += a.bytes[std::size_t(y) * a.pitch + x] != b.bytes[std::size_t(y) * b.pitch + x];
    return count;
}

GLFrameDesc emptyFrame() {
    GLFrameDesc desc;
    desc.inHostMemory = true;
    desc.extra1 = true;
    desc.extra2 = 4;
    desc.extra6 = -1;
    return desc;
}

GLFrameDesc hostFrame(HostImage& image) {
    GLFrameDesc desc = emptyFrame();
    desc.pixels = image.bytes.data();
    desc.width = image.width;
    desc.height = image.height;
    desc.rowPitch = image.pitch;
    return desc;
}

std::shared_ptr<NLEFilterInfo> openGLDescription(const std::string& programPath) {
    return tonekit::makeOpenGLDescription(programPath);
}

std::string lutProgramPath() {
    return std::string(QLX_RESOURCES_DIR) + "/qlx_effect/plugin/LUT/programs/lut.glsl";
}

std::string syntheticCube(int n, std::uint32_t seed, float overshoot, const std::string& header) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.04f, 0.04f);
    std::ostringstream text;
    text << header << "LUT_3D_SIZE " << n << "\n";
    char line[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const float x = float(r) / (n - 1), y = float(g) / (n - 1), z = float(b) / (n - 1);
                float out[3] = {0.8f * x + 0.15f * y * y + jitter(random),
                                0.6f * y + 0.3f * std::sqrt(z) + jitter(random),
                                0.9f * z * z + 0.1f * x + jitter(random)};
                for (float& v : out) v = v * (1.0f + 2.0f * overshoot) - overshoot;
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", out[0], out[1], out[2]);
                text << line;
            }
    return text.str();
}

std::string dataFile(const std::string& name) {
    const std::string path = name.rfind("LUT/", 0) == 0
                                 ? std::string(QLX_RESOURCES_DIR) + "/qlx_effect/plugin/" + name
                                 : std::string(QLX_TESTDATA_DIR) + "/" + name;
    return std::ifstream(path).good() ? path : std::string();
}

HostImage cpuReference(const std::string& lutPath, const HostImage& input, int alpha,
                       int skinProtect, const cv::Mat& mask) {
    NLEColorLut3dAdjustEffect renderer(std::make_shared<NLEFilterInfo>(), lutPath);
    renderer.update(qlx::LutSettings::withAlpha(alpha));
    const qlx::SkinMask skin{mask, skinProtect};
    HostImage output(input.width, input.height, input.pitch);
    renderer.Render(output.bytes.data(), output.width, output.height, output.pitch,
                    input.bytes.data(), input.width, input.height, input.pitch, &skin);
    return output;
}

}  // namespace qlxgltest
