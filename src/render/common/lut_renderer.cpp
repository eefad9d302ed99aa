#include "render/common/lut_renderer.h"

namespace qlx {

HostFrame HostFrame::of(QLXFrame* frame) {
    HostFrame f;
    f.frame = frame;
    const QLXFrameVtbl* v = frame->vtbl;
    f.pixels = v->GetData(frame);
    f.gpuHandle = v->GetGPUHandle(frame);
    f.width = v->GetWidth(frame);
    f.height = v->GetHeight(frame);
    f.pitch = v->GetStride(frame);
    return f;
}

}  // namespace qlx
