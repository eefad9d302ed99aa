// The OpenCL renderer: wraps the host's GPU frames as OpenCL images and maps
// them through the LUT on the device, with the kernels "MAIN" and
// "SkinProtect" of the program named by the root description. Settings are
// handled as the CPU renderer's.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

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

class NLEOpenCLLut : public qlx::LutRenderer {
  public:
    // `root` names the program file; `lutPath` is the filter's own LUT file;
    // `gpuDevices` gives the host frames' OpenCL memory.
    NLEOpenCLLut(const std::shared_ptr<NLEFilterInfo>& root,
                 const std::shared_ptr<NLEFilterInfo>& filter, std::string lutPath,
                 QLXGPUDeviceSuite* gpuDevices = nullptr);
    ~NLEOpenCLLut() override;
    NLEOpenCLLut(const NLEOpenCLLut&) = delete;
    NLEOpenCLLut& operator=(const NLEOpenCLLut&) = delete;

    // Init with the OpenCL library's managers; "Init LUT OpenCL Filter Failed."
    // on failure. The resource hint says whether it failed.
    int prepare(QLXEffectContext* context) override;
    void update(const qlx::LutSettings& settings) override { params_.update(settings); }
    // Wraps both frames' OpenCL memory as images; one that cannot be wrapped
    // stays null and Render answers for it.
    int begin(const qlx::HostFrame& in, const qlx::HostFrame& out) override;
    qlx::SkinSource skinSource(const qlx::HostFrame& /*in*/) override;
    // Render on the images begin wrapped; "LUT OpenCL Render Failed." on failure.
    int render(const qlx::HostFrame& in, const qlx::HostFrame& out,
               const qlx::SkinMask* skin) override;

    // 0 ready, 1 failed. A null manager leaves the stored one as it was.
    int Init(OPENCL::openclProgramManager* programs, OPENCL::openclMemManager* memory);
    // 0 done, 1 the kernel run failed, 6 no input. A skin mask that does not
    // cover the input's part of the output is not used; beyond the input
    // there is no skin.
    int Render(OPENCL::openclMemory* src, OPENCL::openclMemory* dst,
               const qlx::SkinMask* skin = nullptr);

  private:
    // What both kernels are given for one frame.
    struct FrameArguments {
        OPENCL::openclMemory* src;
        OPENCL::openclMemory* dst;
        std::int32_t width;
        std::int32_t height;
        std::int32_t lutSize;
        cv::Size covered;  // the part of the output the input covers
    };

    // Copies what the input covers of the output.
    int passThrough(OPENCL::openclMemory* src, OPENCL::openclMemory* dst);
    // An image of the output's size holding its bytes, with the `covered`
    // part of the input copied over them; null when it cannot be made.
    OPENCL::openclMemory* originalOf(OPENCL::openclMemory* src, OPENCL::openclMemory* dst,
                                     cv::Size covered);
    int runTasks(const FrameArguments& frame, const qlx::SkinMask* skin);
    bool uploadTables();
    bool runSkinTask(const FrameArguments& frame, const qlx::SkinMask& skin);
    bool runMainTask(const FrameArguments& frame);
    bool setCommonArguments(OPENCL::openclKernel* kernel, const FrameArguments& frame);

    std::shared_ptr<NLEFilterInfo> root_;
    QLXGPUDeviceSuite* gpuDevices_;
    OPENCL::openclMemory* frameSrc_ = nullptr;  // the frame begun, wrapped
    OPENCL::openclMemory* frameDst_ = nullptr;
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
