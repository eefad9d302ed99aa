// A started plugin whose LUT folder names the bundled OpenGL program, with
// effects of the OpenGL and CPU render modes, frames in host memory or in the
// host kit's GL textures, and the engine libraries' counters.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "effect/effect_fixture.h"
#include "kit/opengl_device.h"
#include "kr_gl_engine_statistics.h"

namespace qlxgltest {

constexpr std::uint32_t kCpuMode = 0, kOpenGLMode = 2;
constexpr char kHardwareEngine[] = "KROpenGLEffectMgr.so";
constexpr char kSoftwareEngine[] = "KROpenGLEffectMgr-mesa.so";

// Where the frames live and who owns the OpenGL context.
enum class FramePath {
    Memory,                // host memory, no OpenGL device: the software engine's own context
    MemoryOnDevice,        // host memory, OpenGL device: the hardware engine in the host's context
    Textures,              // the host's GL textures, OpenGL device: the hardware engine
    TexturesWithHostCopy,  // as Textures, each frame also holding its pixels in host memory
};
bool isTexturePath(FramePath path);
const char* pathName(FramePath path);
inline void PrintTo(FramePath path, std::ostream* os) {
    *os << pathName(path);
}
bool usesDevice(FramePath path);

class GLRenderTest : public qlxtest::EffectTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The root description names programs/lut.glsl holding `text`.
    void useProgram(const std::string& text);
    static std::string bundledProgram();

    // Opens the host's OpenGL device and lists it (before startPlugin).
    void lendDevice();

    // An OpenGL effect and a CPU effect of one filter, both prepared.
    void makeBoth(const char* guid);

    // Renders `input` through `target`; the output starts as 0x5A bytes.
    cv::Mat renderOn(FramePath path, QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                     int expected = kQLXSuccess);
    cv::Mat renderInMemory(QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                           int expected = kQLXSuccess);
    // With `hostCopy` the frames also hold their pixels in host memory (the
    // output's copy is expected to stay as it was).
    cv::Mat renderTextures(QLXEffect* target, const cv::Mat& input, int expected = kQLXSuccess,
                           bool hostCopy = false);

    int logCount(int level, const std::string& text) const;

    qlxhost::OpenGLDevice device;
    QLXEffect* glEffect = nullptr;
    std::string programFile;
};

// Largest difference of one byte between two frames of the same shape.
int maxDifference(const cv::Mat& a, const cv::Mat& b);

// Counters of an engine library this process has already loaded (zeros when
// it has not); never loads it.
KRGLEngineStatistics engineStatistics(const char* library);
bool libraryLoaded(const char* name);

// Objects that exist in the OpenGL context current on this thread, counted by
// name over the first `names` names of each kind.
int liveGLObjects(int names = 4096);

}  // namespace qlxgltest
