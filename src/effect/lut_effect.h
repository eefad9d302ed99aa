// The object the host drives for one placed LUT effect. It owns exactly one
// renderer, chosen at creation by the render mode, forwards parameters to it
// and owns the segmentation filter instance used for skin protection.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "qlx/qlx_effect.h"

class NLEFilterInfo;
class NLEColorLut3dAdjustEffect;
class NLEOpenCLLut;
struct NLEFilterParamValue;
namespace tonekit {
class NLEOpenGL3DLut;
}

namespace tonekit {

enum RenderMode : std::uint32_t {
    kRenderModeCPU = 0,
    kRenderModeOpenCL = 1,
    kRenderModeOpenGL = 2
};

class QLXLutEffect : public QLXEffect {
  public:
    // `lutPath` is the filter's LUT file as the root description held it when
    // the effect was created.
    QLXLutEffect(const std::shared_ptr<NLEFilterInfo>& root,
                 const std::shared_ptr<NLEFilterInfo>& filter, const std::string& lutPath,
                 QLXGPUDeviceSuite* gpuDevices, std::uint32_t renderMode, void* segmentation);
    ~QLXLutEffect() override;

    int PrepareResource(QLXEffectContext* context) override;
    int UpdateParameters(QLXEffectContext* context) override;
    int Render(QLXRenderContext* context) override;
    void ReleaseResource() override;
    int UpdateResourceHint(QLXEffectContext* context) override;

  private:
    int renderOnCPU(QLXFrame* input, QLXFrame* output);
    int renderWithOpenCL(QLXFrame* input, QLXFrame* output);
    int renderWithOpenGL(QLXFrame* input, QLXFrame* output);
    void setParamOnRenderers(const char* name, std::uint32_t type,
                             const NLEFilterParamValue& value);

    QLXGPUDeviceSuite* gpuDevices_;
    std::shared_ptr<NLEColorLut3dAdjustEffect> cpuRenderer_;
    std::shared_ptr<NLEOpenCLLut> openCLRenderer_;
    std::shared_ptr<NLEOpenGL3DLut> openGLEffect_;
    void* segmentation_;
    std::int32_t skinProtect_ = 0;
    std::uint32_t openGLThreadId_ = 0;
    bool openGLPrepared_ = false;
    std::string defaultLutPath_;
};

}  // namespace tonekit
