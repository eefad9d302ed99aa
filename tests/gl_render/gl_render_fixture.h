// A started plugin whose LUT folder names the bundled OpenGL program, with
// effects of the OpenGL and CPU render modes, frames in host memory or in the
// host kit's GL textures, and the engine libraries' counters.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "effect/effect_fixture.h"
#include "kit/opengl_device.h"
#include "kr_gl_engine_statistics.h"

namespace qlxgltest {

constexpr std::uint32_t kOpenGLMode = 2;

// Where the frames live and who owns the OpenGL context.
enum class FramePath {
    Memory,          // host memory, no OpenGL device: the software engine's own context
    MemoryOnDevice,  // host memory, OpenGL device: the hardware engine in the host's context
    Textures,        // the host's GL textures only, OpenGL device: the hardware engine
};
const char* pathName(FramePath path);

class GLRenderTest : public qlxtest::EffectTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The root description names programs/lut.glsl holding `text`.
    void useProgram(const std::string& text);
    // Opens the host's OpenGL device and lists it when `path` uses one.
    void lendDeviceFor(FramePath path);
    // An OpenGL effect and a CPU effect of one filter, both prepared.
    void makeBoth(const char* guid);

    // Renders `input` through `target`; the output starts as 0x5A bytes.
    cv::Mat renderOn(FramePath path, QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                     int expected = kQLXSuccess);
    cv::Mat renderInMemory(QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                           int expected = kQLXSuccess);
    int logCount(int level, const std::string& text) const;
    // Counters of the engine `path` uses (zeros while it is not loaded).
    KRGLEngineStatistics statistics(FramePath path) const;

    qlxhost::OpenGLDevice device;
    QLXEffect* glEffect = nullptr;
};

}  // namespace qlxgltest
