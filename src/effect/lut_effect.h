// The object the host drives for one placed LUT effect. It owns exactly one
// renderer, chosen at creation by the render mode, turns the host's
// parameters into its settings and owns the segmentation filter instance used
// for skin protection.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "qlx/qlx_effect.h"
#include "render/common/lut_renderer.h"

class NLEFilterInfo;

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
    // The skin of `in`, or an empty mask when it cannot be found.
    cv::Mat segment(const qlx::HostFrame& in);

    std::unique_ptr<qlx::LutRenderer> renderer_;
    void* segmentation_;
    qlx::LutSettings settings_;
};

}  // namespace tonekit
