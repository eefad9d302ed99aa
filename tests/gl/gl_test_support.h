// Shared pieces of the OpenGL render path tests: log capture, frames, the
// OpenGL description the effect object builds, LUT files, the CPU renderer as
// reference, the engine's counters and a host-side EGL context.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <random>
#include <string>
#include <vector>

#include "catalogue/filter_info.h"
#include "kit/host_kit.h"
#include "kit/opengl_device.h"
#include "kr_gl_engine_statistics.h"
#include "render/gl/gl_engine_api.h"
#include "support/temp_dir.h"

namespace qlxgltest {

// Logs of the plugin code go into `host.log`; software OpenGL, as on a host
// without an OpenGL device.
class GLPathTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    int logCount(int level, const std::string& text) const;

    qlxhost::HostUtilSuite host;
    qlxtest::TempDir folder;
};

// 8-bit BGRA pixels in host memory with a row pitch of at least width * 4.
struct HostImage {
    HostImage(int width, int height, int pitch = 0);
    int width, height, pitch;
    std::vector<std::uint8_t> bytes;
    std::uint8_t* pixel(int x, int y) { return &bytes[std::size_t(y) * pitch + x * 4]; }
    const std::uint8_t* pixel(int x, int y) const { return &bytes[std::size_t(y) * pitch + x * 4]; }
    void fillRandom(std::uint32_t seed);
};

// Largest difference of one byte between two images (all four channels).
int maxDifference(const HostImage& a, const HostImage& b);
// Bytes that differ (ignoring the padding past each row).
std::size_t differingBytes(const HostImage& a, const HostImage& b);

// The records the effect object fills for a frame.
GLFrameDesc emptyFrame();
GLFrameDesc hostFrame(HostImage& image);
GLFrameDesc gpuFrame(std::uint32_t texture, int width, int height);

// The description the effect object makes for its OpenGL effect.
std::shared_ptr<NLEFilterInfo> openGLDescription(const std::string& programPath);
std::string lutProgramPath();

// A .CUBE text of size n with a smooth, non-trivial colour map inside 0..1;
// `overshoot` stretches it past both ends, then `clampToUnit` cuts it back.
std::string syntheticCube(int n, std::uint32_t seed, float overshoot = 0.0f,
                          bool clampToUnit = true);
std::string testLut(const std::string& name);  // path in the shared corpus, "" when absent

// What the CPU renderer makes of `input` with this LUT file and settings.
HostImage cpuReference(const std::string& lutPath, const HostImage& input, int alpha,
                       int skinProtect, const cv::Mat& mask);

// The software engine library's counters (zeros when it is not loaded).
KRGLEngineStatistics engineStatistics();

// The host kit's OpenGL device, current on the calling thread while the object
// lives; stands in for a host's context.
class HostGLContext {
  public:
    HostGLContext() { device_.open(); }
    bool ok() const { return device_.isOpen(); }
    void* handle() const { return device_.context(); }
    bool isCurrent() const { return device_.isCurrent(); }
    void makeCurrent() { device_.makeCurrent(); }
    void release() { device_.release(); }  // no context current on this thread afterwards
    // A texture holding `image` (colours as RGBA) / read back as BGRA bytes.
    std::uint32_t makeTexture(const HostImage& image);
    HostImage readTexture(std::uint32_t texture, int width, int height);
    void deleteTexture(std::uint32_t texture) { device_.deleteTexture(texture); }

  private:
    qlxhost::OpenGLDevice device_;
};

}  // namespace qlxgltest
