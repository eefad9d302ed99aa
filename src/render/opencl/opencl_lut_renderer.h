// The OpenCL renderer: maps a frame held as an OpenCL image through the LUT on
// the device, with the kernels "MAIN" and "SkinProtect" of the program named
// by the root description. Parameters are handled as the CPU renderer's.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "catalogue/filter_param_value.h"
#include "render/common/lut_renderer_params.h"

class NLEFilterInfo;
namespace OPENCL {
class openclProgramManager;
class openclMemManager;
class openclProgram;
class openclKernel;
class openclMemory;
}  // namespace OPENCL
namespace qlx {
class CubeLut;
}

class NLEOpenCLLut {
  public:
    // `root` names the program file; `lutPath` is the filter's own LUT file.
    NLEOpenCLLut(const std::shared_ptr<NLEFilterInfo>& root,
                 const std::shared_ptr<NLEFilterInfo>& filter, std::string lutPath);
    virtual ~NLEOpenCLLut();
    NLEOpenCLLut(const NLEOpenCLLut&) = delete;
    NLEOpenCLLut& operator=(const NLEOpenCLLut&) = delete;

    // 0 ready, 1 failed. A null manager leaves the stored one as it was.
    int Init(OPENCL::openclProgramManager* programs, OPENCL::openclMemManager* memory);
    // 0 accepted or ignored, 4 wrong type.
    int SetParam(const char* name, std::uint32_t type, NLEFilterParamValue value);
    // 0 done, 1 the kernel run failed, 6 no input.
    int Render(OPENCL::openclMemory* src, OPENCL::openclMemory* dst);

    // 8-bit four-channel; the skin weight is the fourth byte of a pixel.
    cv::Mat skinMask;

  private:
    // What both kernels are given for one frame.
    struct FrameArguments {
        OPENCL::openclMemory* src;
        OPENCL::openclMemory* dst;
        std::int32_t width;
        std::int32_t height;
        std::int32_t lutSize;
    };

    int passThrough(OPENCL::openclMemory* src, OPENCL::openclMemory* dst);
    bool uploadTables();
    bool runSkinTask(const FrameArguments& frame);
    bool runMainTask(const FrameArguments& frame);
    bool setCommonArguments(OPENCL::openclKernel* kernel, const FrameArguments& frame);

    std::shared_ptr<NLEFilterInfo> root_;
    OPENCL::openclMemManager* memory_ = nullptr;
    OPENCL::openclProgramManager* programs_ = nullptr;
    OPENCL::openclProgram* program_ = nullptr;
    OPENCL::openclKernel* mainKernel_ = nullptr;
    OPENCL::openclMemory* gridBuffer_ = nullptr;
    OPENCL::openclMemory* fractionBuffer_ = nullptr;
    OPENCL::openclMemory* indexBuffer_ = nullptr;
    OPENCL::openclMemory* skinMaskImage_ = nullptr;
    OPENCL::openclKernel* skinKernel_ = nullptr;
    qlx::LutRendererParams params_;
    std::string loadedPath_;
    std::int32_t loadedSize_ = 0;
    std::unique_ptr<qlx::CubeLut> lut_;
};
