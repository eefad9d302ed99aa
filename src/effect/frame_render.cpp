// Render: one frame through the effect's renderer, with skin segmentation
// first when skin protection is on. There is no fallback between renderers.
#include "common/log.h"
#include "effect/lut_effect.h"
#include "skin/segment_skin.h"

namespace tonekit {

cv::Mat QLXLutEffect::segment(const qlx::HostFrame& in) {
    const qlx::SkinSource source = renderer_->skinSource(in);
    SkinMaskResult skin;
    if (!source.pixels.empty()) {
        skin = segmentSkinPixels(source.pixels, segmentation_);
    } else if (source.readable) {
        skin = segmentSkin(in.frame, segmentation_, source.image);
    }
    if (skin.status == 0 && skin.mask.data) return skin.mask;
    qlx::hostLog(kQLXLogError, "%s:skin_segment failed.", "tonekit::QLXLutEffect::Render");
    return cv::Mat();
}

int QLXLutEffect::Render(QLXRenderContext* context) {
    if (!context) return kQLXBadArgument;
    QLXFrame* input = context->vtbl->GetInputFrame(context, 0);
    QLXFrame* output = context->vtbl->GetOutputFrame(context);
    if (!input || !output) return kQLXBadArgument;
    const qlx::HostFrame in = qlx::HostFrame::of(input), out = qlx::HostFrame::of(output);
    if (const int begun = renderer_->begin(in, out); begun != kQLXSuccess) return begun;
    if (settings_.skinProtect == 0) return renderer_->render(in, out, nullptr);
    // A frame whose skin cannot be found renders without skin protection.
    const qlx::SkinMask skin{segment(in), settings_.skinProtect};
    return renderer_->render(in, out, skin.pixels.data ? &skin : nullptr);
}

}  // namespace tonekit
