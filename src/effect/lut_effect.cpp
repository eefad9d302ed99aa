// Construction, resources and parameters of the LUT effect. Frame rendering
// lives in frame_render.cpp.
#include "effect/lut_effect.h"

#include "effect/param_conversion.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/gl_lut_renderer.h"
#include "render/opencl/opencl_lut_renderer.h"
#include "skin/segmentation_hooks.h"

namespace tonekit {
namespace {

// Asks the host for one parameter, preset to the type wanted, and converts it.
std::optional<NLEFilterParamValue> hostParam(QLXEffectContext* context, const char* name,
                                             std::uint32_t askedType, std::int64_t time) {
    QLXParamValue value{};
    value.type = askedType;
    if (context->vtbl->GetParam(context, name, time, &value) != 0) return std::nullopt;
    return convertHostValue(value);
}

std::unique_ptr<qlx::LutRenderer> makeRenderer(std::uint32_t renderMode,
                                               const std::shared_ptr<NLEFilterInfo>& root,
                                               const std::shared_ptr<NLEFilterInfo>& filter,
                                               const std::string& lutPath,
                                               QLXGPUDeviceSuite* gpuDevices) {
    switch (renderMode) {
        case kRenderModeCPU:
            return std::make_unique<NLEColorLut3dAdjustEffect>(filter, lutPath);
        case kRenderModeOpenCL:
            return std::make_unique<NLEOpenCLLut>(root, filter, lutPath, gpuDevices);
        default:
            return std::make_unique<GLLutRenderer>(root, lutPath, gpuDevices);
    }
}

}  // namespace

QLXLutEffect::QLXLutEffect(const std::shared_ptr<NLEFilterInfo>& root,
                           const std::shared_ptr<NLEFilterInfo>& filter, const std::string& lutPath,
                           QLXGPUDeviceSuite* gpuDevices, std::uint32_t renderMode,
                           void* segmentation)
    : renderer_(makeRenderer(renderMode, root, filter, lutPath, gpuDevices)),
      segmentation_(segmentation) {}

QLXLutEffect::~QLXLutEffect() {
    // A host that destroys the effect without releasing its resources would
    // otherwise leak the segmentation filter.
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
}

int QLXLutEffect::PrepareResource(QLXEffectContext* context) {
    return renderer_->prepare(context);
}

// The one place where the host's values become settings. A missing parameter,
// or one of a type the conversion refuses, keeps its setting; a LUT file given
// as anything but a text is an empty one.
int QLXLutEffect::UpdateParameters(QLXEffectContext* context) {
    if (!context) return kQLXBadArgument;
    const std::int64_t time = context->vtbl->GetCurrentTime(context);
    if (auto alpha = hostParam(context, "alpha", kQLXParamInt32, time))
        settings_.alpha = alpha->asInt();
    settings_.lutPath.reset();
    if (auto path = hostParam(context, "lut3dPath", kQLXParamText, time))
        settings_.lutPath = path->type == kNLEParamText ? path->text : std::string();
    if (auto skin = hostParam(context, "skinProtect", kQLXParamInt32, time))
        settings_.skinProtect = skin->asInt();
    renderer_->update(settings_);
    return kQLXSuccess;
}

void QLXLutEffect::ReleaseResource() {
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
    segmentation_ = nullptr;
    renderer_->release();
}

int QLXLutEffect::UpdateResourceHint(QLXEffectContext* context) {
    if (!context) return kQLXSuccess;
    QLXParamValue value{};
    value.type = kQLXParamInt32;
    const std::int64_t time = context->vtbl->GetCurrentTime(context);
    if (context->vtbl->GetParam(context, "skinProtect", time, &value) == 0 && value.value.i32 == 0)
        context->vtbl->SetResourceHint(context, false);
    return kQLXSuccess;
}

}  // namespace tonekit
