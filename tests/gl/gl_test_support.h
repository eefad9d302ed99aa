// Shared pieces of the OpenGL path tests: log capture, host-memory images and
// frame records, LUT files, the CPU renderer as reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "catalogue/filter_info.h"
#include "gl_engine_api.h"
#include "kit/host_kit.h"
#include "support/temp_dir.h"

namespace qlxgltest {

// Logs of the plugin code go into `host.log`; software OpenGL, as on a host
// without an OpenGL device.
class GLPathTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    int logCount(int level, const std::string& text) const {
        int count = 0;
        for (const qlxhost::LogLine& line : host.log.lines())
            count += line.level == level && line.text == text;
        return count;
    }

    qlxhost::HostUtilSuite host;
    qlxtest::TempDir folder;
};

// 8-bit BGRA pixels in host memory, rows `pitch` bytes apart.
struct HostImage {
    HostImage(int w, int h, int p = 0)
        : width(w), height(h), pitch(p > 0 ? p : w * 4), bytes(std::size_t(pitch) * h, 0) {}
    int width, height, pitch;
    std::vector<std::uint8_t> bytes;
    void fillRandom(std::uint32_t seed);
};

// Pixel bytes that differ (the padding past each row is ignored).
std::size_t differingBytes(const HostImage& a, const HostImage& b);

// The records the effect object fills for a frame.
GLFrameDesc emptyFrame();
GLFrameDesc hostFrame(HostImage& image);

std::shared_ptr<NLEFilterInfo> openGLDescription(const std::string& programPath);
std::string lutProgramPath();

// A .CUBE text of size n: a cross-channel grade with noise, stretched past
// 0..1 by `overshoot` at both ends, `header` lines (DOMAIN_MIN ...) first.
std::string syntheticCube(int n, std::uint32_t seed, float overshoot = 0.0f,
                          const std::string& header = "");
// A file of the shared corpus ("luts/NAME") or of the bundled LUT folder
// ("LUT/LOOK/FILE"); "" when absent.
std::string dataFile(const std::string& name);

// What the CPU renderer makes of `input` with this LUT file and settings.
HostImage cpuReference(const std::string& lutPath, const HostImage& input, int alpha,
                       int skinProtect, const cv::Mat& mask);

}  // namespace qlxgltest
