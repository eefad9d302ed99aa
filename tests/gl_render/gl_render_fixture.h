// The built plugin's effects on every renderer, with frames where each lives:
// host memory, the host kit's OpenCL frames on its POCL device, or its GL
// textures; the LUT folder names the bundled OpenCL and OpenGL programs.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "effect/effect_fixture.h"
#include "kit/opencl_device.h"
#include "kit/opengl_device.h"
#include "kr_gl_engine_statistics.h"

namespace qlxgltest {

// The renderer an effect is made for and where its frames live.
enum class Kind {
    Cpu,         // render mode 0, host memory
    OpenCL,      // render mode 1, the kit's OpenCL frames
    GLMemory,    // render mode 2, host memory, no OpenGL device: the engine's own context
    GLOnDevice,  // host memory, OpenGL device: the engine in the host's context
    GLTextures,  // the host's GL textures only, OpenGL device
};
const char* kindName(Kind kind);

class RendererTest : public qlxtest::EffectTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The root description names programs/lut.cl and programs/lut.glsl;
    // `file` of the two holds `text`.
    void useProgram(const std::string& file, const std::string& text, bool enciphered = false);
    // Opens and lists the device `kind` needs; skips the test without OpenCL.
    void lendDeviceFor(Kind kind);
    // Lends the device, starts the plugin and makes an effect of `kind` and,
    // as its reference, a CPU effect of the same filter.
    void makeBoth(const char* guid, Kind kind);

    // Renders `input` through `target`; the output starts as `start` (0x5A
    // bytes of the input's size when empty); `extraPitch` bytes follow each
    // row of host memory and OpenCL frames.
    cv::Mat renderOn(Kind kind, QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                     int expected = kQLXSuccess, const cv::Mat& start = cv::Mat());
    // The CPU effect's frame for `input`.
    cv::Mat renderOnCpu(const cv::Mat& input) { return renderInMemory(cpuEffect, input); }
    int logCount(int level, const std::string& text) const;
    // Counters of the engine `kind` uses (zeros while it is not loaded).
    KRGLEngineStatistics statistics(Kind kind) const;

    qlxhost::OpenCLDevice openCL;
    qlxhost::OpenGLDevice device;
    QLXEffect* target = nullptr;     // the effect of makeBoth
    QLXEffect* cpuEffect = nullptr;  // its CPU reference
    std::string programFile;         // the last program useProgram wrote
};

}  // namespace qlxgltest
