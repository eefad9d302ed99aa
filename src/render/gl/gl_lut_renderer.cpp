#include "render/gl/gl_lut_renderer.h"

#include <algorithm>
#include <cstring>

#include "catalogue/filter_info.h"
#include "common/log.h"
#include "common/platform.h"
#include "common/process_state.h"
#include "render/gl/nle_opengl_3dlut.h"
#include "render/gl/opengl_description.h"

namespace tonekit {
namespace {

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

// A GPU frame is described by its texture, a host frame by its pixels; a frame
// with neither keeps the empty record.
GLFrameDesc describeFrame(const qlx::HostFrame& frame, QLXGPUDeviceSuite* gpuDevices) {
    GLFrameDesc desc = emptyFrameDesc();
    if (!frame.gpuHandle && !frame.pixels) return desc;
    desc.pixels = frame.pixels;
    desc.width = frame.width;
    desc.height = frame.height;
    desc.rowPitch = frame.pitch;
    if (frame.gpuHandle) {
        void* texture = nullptr;
        if (gpuDevices)
            gpuDevices->vtbl->GetFrameHandles(gpuDevices, frame.gpuHandle, &texture, nullptr);
        desc.texture.textureId = -1;
        desc.texture.textureHandle = reinterpret_cast<std::uintptr_t>(texture);
        desc.inHostMemory = false;
    }
    return desc;
}

// Copies what the CPU renderer's copy of the input into the output would
// reach of the output's pixels: the rows both frames hold, the shorter of the
// two row pitches.
void copyHostInput(const GLFrameDesc& in, int outPitch, cv::Mat& original) {
    if (in.width <= 0 || in.height <= 0 || in.rowPitch <= 0 || outPitch <= 0) return;
    const std::size_t bytes = std::min<std::size_t>(
        static_cast<std::size_t>(std::min(in.rowPitch, outPitch)), original.step[0]);
    for (int y = 0; y < std::min(in.height, original.rows); ++y)
        std::memcpy(original.ptr(y), static_cast<const std::uint8_t*>(in.pixels) + y * in.rowPitch,
                    bytes);
}

}  // namespace

GLLutRenderer::GLLutRenderer(const std::shared_ptr<NLEFilterInfo>& root, std::string lutPath,
                             QLXGPUDeviceSuite* gpuDevices)
    : effect_(std::make_shared<NLEOpenGL3DLut>(
          makeOpenGLDescription(root ? root->openGLProgramPath() : std::string()))),
      gpuDevices_(gpuDevices),
      defaultLutPath_(std::move(lutPath)) {}

GLLutRenderer::~GLLutRenderer() = default;

int GLLutRenderer::prepare(QLXEffectContext* context) {
    if (!effect_) return kQLXSuccess;  // released: nothing left to prepare
    if (qlx::processState().openGLDevicePresent) threadId_ = qlx::platform::currentThreadId();
    if (prepared_) {
        qlx::hostLog(kQLXLogError, "PrepareResource:multiple initialization.");
        return kQLXFailed;
    }
    effect_->GetState();
    prepared_ = true;
    if (context) context->vtbl->SetResourceHint(context, true);
    return kQLXSuccess;
}

void GLLutRenderer::release() {
    effect_.reset();
    prepared_ = false;
}

void GLLutRenderer::update(const qlx::LutSettings& settings) {
    if (!effect_) return;
    effect_->alpha = settings.alpha;
    effect_->SetLutPath(settings.lutPath.value_or(defaultLutPath_));
    effect_->skinProtectStrength = settings.skinProtect;
}

int GLLutRenderer::begin(const qlx::HostFrame& in, const qlx::HostFrame& out) {
    if (!effect_) return kQLXFailed;
    if (qlx::processState().openGLDevicePresent && qlx::platform::currentThreadId() != threadId_) {
        qlx::hostLog(kQLXLogError, "GLRender:ThreadID is changed!");
        return kQLXFailed;
    }
    if (effect_->Prepare(out.width, out.height, out.pitch) != 0) {
        qlx::hostLog(kQLXLogError, "AdjustColorOpenGL Effect Prepare failed!");
        return kQLXFailed;
    }
    in_ = describeFrame(in, gpuDevices_);
    out_ = describeFrame(out, gpuDevices_);
    return kQLXSuccess;
}

qlx::SkinSource GLLutRenderer::skinSource(const qlx::HostFrame& /*in*/) {
    qlx::SkinSource source;
    if (!in_.inHostMemory && !in_.pixels) source.readable = effect_->ReadFrame(in_, source.pixels);
    return source;
}

bool GLLutRenderer::makeOriginal(const qlx::HostFrame& out) {
    if ((in_.inHostMemory && !in_.pixels) || (out_.inHostMemory && !out_.pixels)) return false;
    if (out_.inHostMemory) {
        cv::Mat(out.height, out.width, CV_8UC4, out.pixels, static_cast<std::size_t>(out.pitch))
            .copyTo(original_);
    } else if (!effect_->ReadFrame(out_, original_)) {
        return false;
    }
    if (in_.inHostMemory) {
        copyHostInput(in_, out.pitch, original_);
    } else {
        cv::Mat input;
        if (!effect_->ReadFrame(in_, input)) return false;
        const cv::Rect covered(0, 0, std::min(input.cols, original_.cols),
                               std::min(input.rows, original_.rows));
        input(covered).copyTo(original_(covered));
    }
    in_ = emptyFrameDesc();
    in_.pixels = original_.data;
    in_.width = original_.cols;
    in_.height = original_.rows;
    in_.rowPitch = static_cast<std::int32_t>(original_.step[0]);
    return true;
}

int GLLutRenderer::render(const qlx::HostFrame& in, const qlx::HostFrame& out,
                          const qlx::SkinMask* skin) {
    // The engine stretches its input over the output, so an output of another
    // size gets an input of its own size: its bytes with the input's copied
    // over them, and a mask without skin beyond the input.
    const bool resized = in.width != out.width || in.height != out.height;
    if (resized && !makeOriginal(out)) {
        qlx::hostLog(kQLXLogError, "LUT Opengl Render Failed.");
        return kQLXFailed;
    }
    effect_->skinProtectStrength = skin ? skin->strength : 0;
    if (skin) effect_->skinMask = resized ? maskOfSize(skin->pixels, out) : skin->pixels;
    if (effect_->Render(emptyFrameDesc(), in_, out_, out.width, out.height, out.pitch) != 0) {
        qlx::hostLog(kQLXLogError, "LUT Opengl Render Failed.");
        return kQLXFailed;
    }
    return kQLXSuccess;
}

cv::Mat GLLutRenderer::maskOfSize(const cv::Mat& mask, const qlx::HostFrame& out) {
    cv::Mat sized(out.height, out.width, CV_8UC4, cv::Scalar::all(0));
    const cv::Rect covered(0, 0, std::min(mask.cols, out.width), std::min(mask.rows, out.height));
    mask(covered).copyTo(sized(covered));
    return sized;
}

}  // namespace tonekit
