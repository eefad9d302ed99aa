// Render: one frame through the effect's renderer, with skin segmentation
// first when skin protection is on. There is no fallback between renderers.
#include <cstring>

#include "common/log.h"
#include "effect/lut_effect.h"
#include "plugin/process_state.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "skin/segment_skin.h"

namespace tonekit {
namespace {

constexpr char kRenderWhere[] = "tonekit::QLXLutEffect::Render";

bool segmentationSucceeded(const SkinMaskResult& result) {
    return result.status == 0 && result.mask.data != nullptr;
}

}  // namespace

int QLXLutEffect::Render(QLXRenderContext* context) {
    if (!context) return kQLXBadArgument;
    QLXFrame* input = context->vtbl->GetInputFrame(context, 0);
    QLXFrame* output = context->vtbl->GetOutputFrame(context);
    if (!input || !output) return kQLXBadArgument;
    if (cpuRenderer_) return renderOnCPU(input, output);
    if (openCLRenderer_) return renderWithOpenCL(input, output);
    return renderWithOpenGL(input, output);
}

int QLXLutEffect::renderOnCPU(QLXFrame* input, QLXFrame* output) {
    cpuRenderer_->SetParam("skinProtect", kNLEParamInt, NLEFilterParamValue::ofInt(skinProtect_));
    if (skinProtect_ != 0) {
        SkinMaskResult skin = segmentSkin(input, segmentation_, nullptr);
        if (segmentationSucceeded(skin)) {
            cpuRenderer_->skinMask = skin.mask;
        } else {
            qlx::hostLog(kQLXLogError, "%s:skin_segment failed.", kRenderWhere);
            cpuRenderer_->SetParam("skinProtect", kNLEParamInt, NLEFilterParamValue::ofInt(0));
        }
    }
    const QLXFrameVtbl* in = input->vtbl;
    const QLXFrameVtbl* out = output->vtbl;
    const int result =
        cpuRenderer_->Render(static_cast<std::uint8_t*>(out->GetData(output)),
                             out->GetWidth(output), out->GetHeight(output), out->GetStride(output),
                             static_cast<const std::uint8_t*>(in->GetData(input)),
                             in->GetWidth(input), in->GetHeight(input), in->GetStride(input));
    if (result != 0) {
        qlx::hostLog(kQLXLogError, "LUT PureC Render Failed.");
        return kQLXFailed;
    }
    return kQLXSuccess;
}

int QLXLutEffect::renderWithOpenCL(QLXFrame*, QLXFrame*) {
    return kQLXFailed;
}

int QLXLutEffect::renderWithOpenGL(QLXFrame*, QLXFrame*) {
    return kQLXFailed;
}

}  // namespace tonekit
