#include "gl_test_support.h"

#include "render/gl/opengl_description.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "catalogue/filter_params.h"
#include "common/platform.h"
#include "plugin/process_state.h"
#include "render/cpu/cpu_lut_renderer.h"

namespace qlxgltest {

void GLPathTest::SetUp() {
    qlx::suiteTable().hostUtil = host.qlx();
    qlx::processState().softwareOpenGL = true;
}

void GLPathTest::TearDown() {
    qlx::suiteTable().hostUtil = nullptr;
}

int GLPathTest::logCount(int level, const std::string& text) const {
    int count = 0;
    for (const qlxhost::LogLine& line : host.log.lines()) {
        count += line.level == level && line.text == text;
    }
    return count;
}

HostImage::HostImage(int w, int h, int p)
    : width(w), height(h), pitch(p > 0 ? p : w * 4), bytes(std::size_t(pitch) * h, 0) {}

void HostImage::fillRandom(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
}

int maxDifference(const HostImage& a, const HostImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width * 4; ++x) {
            worst = std::max(worst, std::abs(int(a.pixel(0, y)[x]) - int(b.pixel(0, y)[x])));
        }
    }
    return worst;
}

std::size_t differingBytes(const HostImage& a, const HostImage& b) {
    std::size_t count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width * 4; ++x) count += a.pixel(0, y)[x] != b.pixel(0, y)[x];
    }
    return count;
}

namespace {
GLFrameDesc withConstantExtras(GLFrameDesc desc) {
    desc.extra1 = true;
    desc.extra2 = 4;
    desc.extra3 = false;
    desc.extra5 = 0;
    desc.extra6 = -1;
    return desc;
}
}  // namespace

GLFrameDesc emptyFrame() {
    GLFrameDesc desc;
    desc.inHostMemory = true;
    return withConstantExtras(desc);
}

GLFrameDesc hostFrame(HostImage& image) {
    GLFrameDesc desc;
    desc.inHostMemory = true;
    desc.pixels = image.bytes.data();
    desc.width = image.width;
    desc.height = image.height;
    desc.rowPitch = image.pitch;
    return withConstantExtras(desc);
}

GLFrameDesc gpuFrame(std::uint32_t texture, int width, int height) {
    GLFrameDesc desc;
    desc.texture.textureId = -1;
    desc.texture.textureHandle = texture;
    desc.inHostMemory = false;
    desc.width = width;
    desc.height = height;
    desc.rowPitch = width * 4;
    return withConstantExtras(desc);
}

std::shared_ptr<NLEFilterInfo> openGLDescription(const std::string& programPath) {
    return tonekit::makeOpenGLDescription(programPath);
}

std::string lutProgramPath() {
    return std::string(QLX_RESOURCES_DIR) + "/qlx_effect/plugin/LUT/programs/lut.glsl";
}

std::string syntheticCube(int n, std::uint32_t seed, float overshoot, bool clampToUnit) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.04f, 0.04f);
    std::ostringstream text;
    text << "TITLE \"synthetic\"\nLUT_3D_SIZE " << n << "\n";
    char line[96];
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                const float x = float(r) / (n - 1), y = float(g) / (n - 1), z = float(b) / (n - 1);
                // A mild cross-channel grade with noise, kept inside the domain.
                float out[3] = {0.8f * x + 0.15f * y * y + jitter(random),
                                0.6f * y + 0.3f * std::sqrt(z) + jitter(random),
                                0.9f * z * z + 0.1f * x + jitter(random)};
                for (float& v : out) {
                    v = std::clamp(v, 0.0f, 1.0f) * (1.0f + 2.0f * overshoot) - overshoot;
                    if (clampToUnit) v = std::clamp(v, 0.0f, 1.0f);
                }
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", out[0], out[1], out[2]);
                text << line;
            }
        }
    }
    return text.str();
}

std::string testLut(const std::string& name) {
    const std::string path = std::string(QLX_TESTDATA_DIR) + "/luts/" + name;
    return std::ifstream(path).good() ? path : std::string();
}

HostImage cpuReference(const std::string& lutPath, const HostImage& input, int alpha,
                       int skinProtect, const cv::Mat& mask) {
    auto root = std::make_shared<NLEFilterInfo>();
    root->setLutPath(lutPath);
    auto filter = std::make_shared<NLEFilterInfo>();
    filter->setGuid("00000000-0000-0000-0000-000000000000");
    NLEColorLut3dAdjustEffect renderer(root, filter);
    renderer.SetParam("alpha", kNLEParamInt, NLEFilterParamValue::ofInt(alpha));
    renderer.SetParam("skinProtect", kNLEParamInt, NLEFilterParamValue::ofInt(skinProtect));
    renderer.skinMask = mask;
    HostImage output(input.width, input.height, input.pitch);
    renderer.Render(output.bytes.data(), output.width, output.height, output.pitch,
                    input.bytes.data(), input.width, input.height, input.pitch);
    return output;
}

KRGLEngineStatistics engineStatistics() {
    KRGLEngineStatistics counters{};
    void* library =
        qlx::platform::loadLibrary(std::string(QLX_BIN_DIR) + "/KROpenGLEffectMgr-mesa.so");
    auto read = reinterpret_cast<KROpenGLEffectMgrStatisticsFn>(
        qlx::platform::findSymbol(library, kKRGLEngineStatisticsEntry));
    if (read) read(&counters);
    qlx::platform::freeLibrary(library);
    return counters;
}

std::uint32_t HostGLContext::makeTexture(const HostImage& image) {
    return device_.createTexture(image.width, image.height, image.bytes.data(), image.pitch);
}

HostImage HostGLContext::readTexture(std::uint32_t texture, int width, int height) {
    HostImage image(width, height);
    device_.readBack(texture, width, height, image.bytes.data(), image.pitch);
    return image;
}

}  // namespace qlxgltest
