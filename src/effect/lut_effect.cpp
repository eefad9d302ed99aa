// Construction, resources and parameters of the LUT effect. Frame rendering
// lives in frame_render.cpp.
#include "effect/lut_effect.h"

#include <cstring>

#include "KRPlatformOpenCL.h"
#include "catalogue/filter_info.h"
#include "common/log.h"
#include "common/platform.h"
#include "common/process_state.h"
#include "effect/param_conversion.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/nle_opengl_3dlut.h"
#include "render/gl/opengl_description.h"
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

void setResourceHint(QLXEffectContext* context, bool hint) {
    if (context) context->vtbl->SetResourceHint(context, hint);
}

}  // namespace

QLXLutEffect::QLXLutEffect(const std::shared_ptr<NLEFilterInfo>& root,
                           const std::shared_ptr<NLEFilterInfo>& filter, const std::string& lutPath,
                           QLXGPUDeviceSuite* gpuDevices, std::uint32_t renderMode,
                           void* segmentation)
    : gpuDevices_(gpuDevices), segmentation_(segmentation), defaultLutPath_(lutPath) {
    if (renderMode == kRenderModeCPU) {
        cpuRenderer_ = std::make_shared<NLEColorLut3dAdjustEffect>(filter, lutPath);
    } else if (renderMode == kRenderModeOpenCL) {
        openCLRenderer_ = std::make_shared<NLEOpenCLLut>(root, filter, lutPath);
    } else {
        openGLEffect_ = std::make_shared<NLEOpenGL3DLut>(
            makeOpenGLDescription(root ? root->openGLProgramPath() : std::string()));
    }
}

QLXLutEffect::~QLXLutEffect() {
    // A host that destroys the effect without releasing its resources would
    // otherwise leak the segmentation filter.
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
}

int QLXLutEffect::PrepareResource(QLXEffectContext* context) {
    OpenCLManager* openCL = OpenCLManager::GetIns();
    if (openCLRenderer_) {
        if (openCLRenderer_->Init(openCL->GetOpenclProgramManager(),
                                  openCL->GetOpenclMemManager()) != 0) {
            qlx::hostLog(kQLXLogError, "Init LUT OpenCL Filter Failed.");
            setResourceHint(context, true);
            return kQLXFailed;
        }
        setResourceHint(context, false);
    }
    if (!openGLEffect_) return kQLXSuccess;
    if (qlx::processState().openGLDevicePresent) openGLThreadId_ = qlx::platform::currentThreadId();
    if (openGLPrepared_) {
        qlx::hostLog(kQLXLogError, "PrepareResource:multiple initialization.");
        return kQLXFailed;
    }
    openGLEffect_->GetState();
    openGLPrepared_ = true;
    setResourceHint(context, true);
    return kQLXSuccess;
}

void QLXLutEffect::setParamOnRenderers(const char* name, std::uint32_t type,
                                       const NLEFilterParamValue& value) {
    if (cpuRenderer_) cpuRenderer_->SetParam(name, type, value);
    if (openCLRenderer_) openCLRenderer_->SetParam(name, type, value);
}

int QLXLutEffect::UpdateParameters(QLXEffectContext* context) {
    if (!context) return kQLXBadArgument;
    const std::int64_t time = context->vtbl->GetCurrentTime(context);

    if (auto alpha = hostParam(context, "alpha", kQLXParamInt32, time)) {
        setParamOnRenderers("alpha", kNLEParamInt, *alpha);
        if (openGLEffect_) openGLEffect_->alpha = alpha->asInt();
    }

    if (auto path = hostParam(context, "lut3dPath", kQLXParamText, time)) {
        setParamOnRenderers("lut3dPath", kNLEParamText, *path);
        if (openGLEffect_) openGLEffect_->SetLutPath(path->text);
    } else if (openGLEffect_) {
        openGLEffect_->SetLutPath(defaultLutPath_);
    }

    if (auto skin = hostParam(context, "skinProtect", kQLXParamInt32, time)) {
        skinProtect_ = skin->asInt();
        if (openGLEffect_) openGLEffect_->skinProtectStrength = skinProtect_;
    }
    return kQLXSuccess;
}

void QLXLutEffect::ReleaseResource() {
    if (segmentation_) segmentationHooks().destroy(&segmentation_);
    segmentation_ = nullptr;
    if (openGLEffect_) {
        openGLEffect_.reset();
        openGLPrepared_ = false;
    }
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
