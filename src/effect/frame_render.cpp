// Render: one frame through the effect's renderer, with skin segmentation
// first when skin protection is on. There is no fallback between renderers.
#include <cstring>

#include "KRPlatformOpenCL.h"
#include "common/log.h"
#include "common/platform.h"
#include "common/process_state.h"
#include "effect/lut_effect.h"
#include "render/cpu/cpu_lut_renderer.h"
#include "render/gl/nle_opengl_3dlut.h"
#include "render/opencl/opencl_lut_renderer.h"
#include "skin/segment_skin.h"

namespace tonekit {
namespace {

constexpr char kRenderWhere[] = "tonekit::QLXLutEffect::Render";

bool segmentationSucceeded(const SkinMaskResult& result) {
    return result.status == 0 && result.mask.data != nullptr;
}

// The record every frame description starts from; the extras are the same
// constants in every record.
GLFrameDesc emptyFrameDesc() {
    GLFrameDesc desc;
    desc.inHostMemory = true;
    desc.extra1 = true;
    desc.extra2 = 4;
    desc.extra3 = false;
    desc.extra5 = 0;
    desc.extra6 = -1;
    return desc;
}

GLFrameDesc describeFrame(QLXFrame* frame, QLXGPUDeviceSuite* gpuDevices) {
    GLFrameDesc desc = emptyFrameDesc();
    const QLXFrameVtbl* f = frame->vtbl;
    void* gpuHandle = f->GetGPUHandle(frame);
    void* pixels = f->GetData(frame);
    if (!gpuHandle && !pixels) return desc;
    desc.pixels = pixels;
    desc.width = f->GetWidth(frame);
    desc.height = f->GetHeight(frame);
    desc.rowPitch = f->GetStride(frame);
    if (gpuHandle) {
        void* texture = nullptr;
        if (gpuDevices) gpuDevices->vtbl->GetFrameHandles(gpuDevices, gpuHandle, &texture, nullptr);
        desc.texture.textureId = -1;
        desc.texture.textureHandle = reinterpret_cast<std::uintptr_t>(texture);
        desc.inHostMemory = false;
    }
    return desc;
}

// The segmenter reads host pixels: a frame that lives only in the host's GL
// texture is read back first.
SkinMaskResult segmentOpenGLInput(QLXFrame* input, const GLFrameDesc& in, NLEOpenGL3DLut& effect,
                                  void* segmentation) {
    if (in.inHostMemory || in.pixels) return segmentSkin(input, segmentation, nullptr);
    cv::Mat pixels;
    if (!effect.ReadFrame(in, pixels)) return SkinMaskResult{};
    return segmentSkinPixels(pixels, segmentation);
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

int QLXLutEffect::renderWithOpenCL(QLXFrame* input, QLXFrame* output) {
    void* inputHandle = input->vtbl->GetGPUHandle(input);
    void* outputHandle = output->vtbl->GetGPUHandle(output);
    const int width = input->vtbl->GetWidth(input), height = input->vtbl->GetHeight(input);

    void *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
    std::int32_t x = 0, y = 0;
    if (gpuDevices_) {
        const QLXGPUDeviceSuiteVtbl* gpu = gpuDevices_->vtbl;
        gpu->GetFrameHandles(gpuDevices_, inputHandle, &a, &b);
        gpu->GetFrameHandles(gpuDevices_, outputHandle, &c, &d);
        gpu->GetFrameValue(gpuDevices_, inputHandle, &x);
        gpu->GetFrameValue(gpuDevices_, outputHandle, &y);
    }
    // Both images take the input's size; one that cannot be wrapped stays null
    // and the renderer answers for it.
    OPENCL::openclMemManager* memory = OpenCLManager::GetIns()->GetOpenclMemManager();
    const OPENCL::_image_format bgra{0x10B6, 0x10D2};
    OPENCL::openclMemory *src = nullptr, *dst = nullptr;
    if (memory) {
        memory->AttachOpenCLMem(a, OPENCL::Image2D, bgra, width, height, b, x, &src);
        memory->AttachOpenCLMem(c, OPENCL::Image2D, bgra, width, height, d, y, &dst);
    }

    openCLRenderer_->SetParam("skinProtect", kNLEParamInt,
                              NLEFilterParamValue::ofInt(skinProtect_));
    if (skinProtect_ != 0) {
        SkinMaskResult skin = segmentSkin(input, segmentation_, src);
        if (skin.status == 0) {
            openCLRenderer_->skinMask = skin.mask;
        } else {
            openCLRenderer_->SetParam("skinProtect", kNLEParamInt, NLEFilterParamValue::ofInt(0));
        }
    }
    if (openCLRenderer_->Render(src, dst) != 0) {
        qlx::hostLog(kQLXLogError, "LUT OpenCL Render Failed.");
        return kQLXFailed;
    }
    return kQLXSuccess;
}

int QLXLutEffect::renderWithOpenGL(QLXFrame* input, QLXFrame* output) {
    if (!openGLEffect_) return kQLXFailed;
    if (qlx::processState().openGLDevicePresent &&
        qlx::platform::currentThreadId() != openGLThreadId_) {
        qlx::hostLog(kQLXLogError, "GLRender:ThreadID is changed!");
        return kQLXFailed;
    }
    const QLXFrameVtbl* out = output->vtbl;
    const int width = out->GetWidth(output), height = out->GetHeight(output);
    const int pitch = out->GetStride(output);
    if (openGLEffect_->Prepare(width, height, pitch) != 0) {
        qlx::hostLog(kQLXLogError, "AdjustColorOpenGL Effect Prepare failed!");
        return kQLXFailed;
    }
    const GLFrameDesc in = describeFrame(input, gpuDevices_);
    openGLEffect_->skinProtectStrength = skinProtect_;
    if (skinProtect_ != 0) {
        SkinMaskResult skin = segmentOpenGLInput(input, in, *openGLEffect_, segmentation_);
        if (segmentationSucceeded(skin)) {
            openGLEffect_->skinMask = skin.mask;
        } else {
            qlx::hostLog(kQLXLogError, "%s:skin_segment failed.", kRenderWhere);
            openGLEffect_->skinProtectStrength = 0;
        }
    }
    const GLFrameDesc empty = emptyFrameDesc();
    const GLFrameDesc target = describeFrame(output, gpuDevices_);
    if (openGLEffect_->Render(empty, in, target, width, height, pitch) != 0) {
        qlx::hostLog(kQLXLogError, "LUT Opengl Render Failed.");
        return kQLXFailed;
    }
    return kQLXSuccess;
}

}  // namespace tonekit
