// Construction, resources and parameters of the LUT effect. Frame rendering
// lives in frame_render.cpp.
#include "effect/lut_effect.h"

#include <cstring>

#include "catalogue/filter_info.h"
#include "common/log.h"
#include "common/platform.h"
#include "effect/param_conversion.h"
#include "plugin/process_state.h"
#include "render/cpu/cpu_lut_renderer.h"
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

}  // namespace

bool QLXLutEffect::renderModeAvailable(std::uint32_t renderMode) {
    // The OpenCL and OpenGL renderers are not part of this build yet; the
    // entry point refuses those render modes until they are.
    return renderMode == kRenderModeCPU;
}

QLXLutEffect::QLXLutEffect(const std::shared_ptr<NLEFilterInfo>& root,
                           const std::shared_ptr<NLEFilterInfo>& filter,
                           QLXGPUDeviceSuite* gpuDevices, std::uint32_t renderMode,
                           void* segmentation)
    : gpuDevices_(gpuDevices), segmentation_(segmentation) {
    char lutPath[512] = {};
    if (root) root->getLutPath(lutPath, sizeof lutPath);
    defaultLutPath_ = lutPath;
    if (renderMode == kRenderModeCPU)
        cpuRenderer_ = std::make_shared<NLEColorLut3dAdjustEffect>(root, filter);
}

QLXLutEffect::~QLXLutEffect() {
    // A host that destroys the effect without releasing its resources would
    // otherwise leak the segmentation filter.
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
}

int QLXLutEffect::PrepareResource(QLXEffectContext* context) {
    (void)context;
    if (!openGLEffect_) return kQLXSuccess;
    return kQLXSuccess;
}

void QLXLutEffect::setParamOnRenderers(const char* name, std::uint32_t type,
                                       const NLEFilterParamValue& value) {
    if (cpuRenderer_) cpuRenderer_->SetParam(name, type, value);
}

int QLXLutEffect::UpdateParameters(QLXEffectContext* context) {
    if (!context) return kQLXBadArgument;
    const std::int64_t time = context->vtbl->GetCurrentTime(context);

    if (auto alpha = hostParam(context, "alpha", kQLXParamInt32, time))
        setParamOnRenderers("alpha", kNLEParamInt, *alpha);

    if (auto path = hostParam(context, "lut3dPath", kQLXParamText, time))
        setParamOnRenderers("lut3dPath", kNLEParamText, *path);

    if (auto skin = hostParam(context, "skinProtect", kQLXParamInt32, time))
        skinProtect_ = skin->asInt();
    return kQLXSuccess;
}

void QLXLutEffect::ReleaseResource() {
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
    segmentation_ = nullptr;
    openGLPrepared_ = false;
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
