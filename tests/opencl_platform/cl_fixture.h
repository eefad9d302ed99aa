// A real OpenCL context on the first platform (POCL here), the library's
// manager registered on it, and the log lines the library writes.
#pragma once

#include <CL/cl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KRPlatformOpenCL.h"

namespace krcl_test {

struct LogLine {
    int level;
    std::string text;
};

// Everything logged since the last clearLog().
std::vector<LogLine> loggedLines();
void clearLog();
// True when some line at `level` contains `part`.
bool logged(int level, const std::string& part);

// The host side: what an editor would make and lend.
struct NativeContext {
    cl_platform_id platform = nullptr;
    cl_device_id device = nullptr;
    cl_context context = nullptr;
    cl_command_queue queue = nullptr;

    bool open();
    void close();
};

// Writes `contents` to a file in the scratch folder and answers its path.
std::string writeScratchFile(const std::string& name, const std::string& contents);

// Host pixel memory for images made with CL_MEM_USE_HOST_PTR: page-aligned,
// filled with `fill`.
struct HostPixels {
    HostPixels(size_t bytes, std::uint8_t fill);
    ~HostPixels();
    HostPixels(const HostPixels&) = delete;
    HostPixels& operator=(const HostPixels&) = delete;
    std::uint8_t* data;
    size_t size;
};

constexpr OPENCL::_image_format kBgra8 = {CL_BGRA, CL_UNORM_INT8};

class OpenCLTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A cl_mem 2D BGRA image the host made over its own memory.
    cl_mem hostImage(HostPixels& pixels, size_t width, size_t height, size_t rowPitch);
    // Builds `source` as program `name` from a scratch file; null on failure.
    OPENCL::openclProgram* buildProgram(const char* name, const std::string& source);

    NativeContext native_;
    OpenCLManager* manager_ = nullptr;
    OPENCL::openclMemManager* memory_ = nullptr;
    OPENCL::openclProgramManager* programs_ = nullptr;
};

// Runs addToEach(+amount) of `program` over {0, 1, ..., count-1} in a new
// buffer and answers the values; empty when a step fails.
std::vector<int> addToEach(OPENCL::openclMemManager* memory, OPENCL::openclProgram* program,
                           int amount, int count);

// Test kernels.
extern const char* const kInvertSource;     // invert(src image, dst image)
extern const char* const kAddToEachSource;  // addToEach(int buffer, amount, count)

}  // namespace krcl_test
