// What the OpenCL benchmarks share: a POCL context registered with the OpenCL
// platform library, the bundled LUT program, a LUT file, and both renderers
// set up for the same frame.
#pragma once

#include <KRPlatformOpenCL.h>

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "kit/opencl_device.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/opencl/opencl_lut_renderer.h"

namespace qlx::bench {

// The bundled OpenCL program file.
std::string bundledProgramPath();

// Writes `text` to a file of that name in the temporary folder; its path.
std::string writeTempFile(const std::string& name, const std::string& text);

class OpenCLSession {
  public:
    // Opens the first OpenCL device and registers it; `ok()` says whether it worked.
    OpenCLSession();
    ~OpenCLSession();
    bool ok() const { return ok_; }
    // Releases every program, kernel and memory object and registers the
    // device again, as a plugin shutdown and start-up do.
    bool reset();

    OPENCL::openclProgramManager* programs() const;
    OPENCL::openclMemManager* memory() const;

    // A prepared OpenCL renderer and a CPU renderer for `lutPath`.
    std::unique_ptr<NLEOpenCLLut> openCLRenderer(const std::string& lutPath,
                                                 const std::string& program);
    static std::unique_ptr<NLEColorLut3dAdjustEffect> cpuRenderer(const std::string& lutPath);

    // A frame on the device holding `picture`, and its wrapper for the renderer.
    std::unique_ptr<qlxhost::OpenCLFrame> upload(const cv::Mat& picture);
    OPENCL::openclMemory* attach(qlxhost::OpenCLFrame& frame);

  private:
    qlxhost::OpenCLDevice device_;
    qlxhost::GPUDeviceSuite suite_;
    bool ok_ = false;
};

}  // namespace qlx::bench
