#include "kit/host_kit.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace qlxhost {

// ---- log ------------------------------------------------------------------

void LogSink::add(int level, std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (echo_) std::cerr << "[plugin " << level << "] " << text << "\n";
    lines_.push_back({level, std::move(text)});
}

std::vector<LogLine> LogSink::lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

int LogSink::count(const std::string& needle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const LogLine& line : lines_) n += line.text.find(needle) != std::string::npos;
    return n;
}

void LogSink::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

// ---- frames ---------------------------------------------------------------

const QLXFrameVtbl Frame::kVtbl = {
    [](QLXFrame* f) { return static_cast<Face*>(f)->owner->width_; },
    [](QLXFrame* f) { return static_cast<Face*>(f)->owner->height_; },
    [](QLXFrame* f) {
        return static_cast<Face*>(f)->owner->bytesPerChannel_ == 2 ? int{kQLXPixelFormat16}
                                                                   : int{kQLXPixelFormat8};
    },
    [](QLXFrame* f) { return static_cast<Face*>(f)->owner->stride_; },
    [](QLXFrame* f) -> void* { return static_cast<Face*>(f)->owner->data_; },
    [](QLXFrame* f) -> void* { return static_cast<Face*>(f)->owner->gpuHandle_; },
};

Frame::Frame(int width, int height, int bytesPerChannel, int stride)
    : width_(width), height_(height), bytesPerChannel_(bytesPerChannel) {
    face_.vtbl = &kVtbl;
    face_.owner = this;
    stride_ = stride > 0 ? stride : width * 4 * bytesPerChannel;
    storage_.assign(static_cast<std::size_t>(stride_) * (height > 0 ? height : 0), 0);
    data_ = storage_.empty() ? nullptr : storage_.data();
}

std::unique_ptr<Frame> Frame::wrap(void* pixels, int width, int height, int stride,
                                   int bytesPerChannel) {
    std::unique_ptr<Frame> frame(new Frame());
    frame->face_.vtbl = &kVtbl;
    frame->face_.owner = frame.get();
    frame->width_ = width, frame->height_ = height, frame->stride_ = stride;
    frame->bytesPerChannel_ = bytesPerChannel;
    frame->data_ = static_cast<std::uint8_t*>(pixels);
    return frame;
}

std::unique_ptr<Frame> Frame::gpu(void* gpuHandle, int width, int height, int stride,
                                  void* pixels) {
    std::unique_ptr<Frame> frame = wrap(pixels, width, height, stride);
    frame->gpuHandle_ = gpuHandle;
    return frame;
}

// ---- effect context ------------------------------------------------------

static int getParam(QLXEffectContext* self, const char* name, std::int64_t, QLXParamValue* out) {
    EffectContext* owner = static_cast<EffectContext::Face*>(self)->owner;
    const ParamAnswer* found = owner->find(name ? name : "");
    if (!found || !out) return 1;
    const ParamAnswer& a = *found;
    out->type = a.type;
    switch (a.type) {
        case kQLXParamInt32:
            out->value.i32 = a.i32;
            break;
        case kQLXParamFloat:
            out->value.f32 = a.f32;
            break;
        case kQLXParamBool:
            out->value.boolean = a.boolean;
            break;
        case kQLXParamText:
            out->value.text = a.text.c_str();
            break;
        default:
            out->value.i64 = a.i64;
            break;
    }
    return 0;
}

const QLXEffectContextVtbl EffectContext::kVtbl = [] {
    QLXEffectContextVtbl v{};
    v.GetCurrentTime = [](QLXEffectContext* self) { return static_cast<Face*>(self)->owner->time; };
    v.GetParam = getParam;
    v.SetResourceHint = [](QLXEffectContext* self, bool hint) {
        static_cast<Face*>(self)->owner->addHint(hint);
    };
    return v;
}();

EffectContext::EffectContext() {
    face_.vtbl = &kVtbl;
    face_.owner = this;
}

// ---- render context ------------------------------------------------------

const QLXRenderContextVtbl RenderContext::kVtbl = [] {
    QLXRenderContextVtbl v{};
    v.GetInputFrame = [](QLXRenderContext* self, int index) -> QLXFrame* {
        Frame* in = static_cast<Face*>(self)->owner->input_;
        return index == 0 && in ? in->qlx() : nullptr;
    };
    v.GetOutputFrame = [](QLXRenderContext* self) -> QLXFrame* {
        Frame* out = static_cast<Face*>(self)->owner->output_;
        return out ? out->qlx() : nullptr;
    };
    return v;
}();

RenderContext::RenderContext(Frame* input, Frame* output) : input_(input), output_(output) {
    face_.vtbl = &kVtbl;
    face_.owner = this;
}

// ---- effect descriptor -----------------------------------------------------

static EffectDescriptor* descriptorOwner(QLXEffectDescriptor* self) {
    return static_cast<EffectDescriptor::Face*>(self)->owner;
}

const QLXEffectDescriptorVtbl EffectDescriptor::kVtbl = [] {
    QLXEffectDescriptorVtbl v{};
    v.SetIdentity = [](QLXEffectDescriptor* self, const char* guid, const char* name) {
        EffectDescriptor* d = descriptorOwner(self);
        d->guid = guid ? guid : "", d->name = name ? name : "";
        ++d->identityCalls;
        return 0;
    };
    v.SetFlags = [](QLXEffectDescriptor* self, std::uint32_t flags) {
        descriptorOwner(self)->flags.push_back(flags);
        return 0;
    };
    v.SetOption = [](QLXEffectDescriptor* self, std::uint32_t option) {
        descriptorOwner(self)->options.push_back(option);
        return 0;
    };
    v.AddIntParam = [](QLXEffectDescriptor* self, int group, int index, const char* name,
                       const char* display, int minimum, int maximum, int def, int step,
                       int widget) {
        Param p;
        p.group = group, p.index = index;
        p.name = name ? name : "", p.displayName = display ? display : "";
        p.minimum = minimum, p.maximum = maximum, p.defaultValue = def;
        p.step = step, p.widget = widget;
        descriptorOwner(self)->params.push_back(p);
        return 0;
    };
    v.AddStringParam = [](QLXEffectDescriptor* self, int group, int index, const char* name,
                          const char* display, const char* defaultText, int flags) {
        Param p;
        p.isString = true, p.group = group, p.index = index;
        p.name = name ? name : "", p.displayName = display ? display : "";
        p.hasDefaultText = defaultText != nullptr;
        p.defaultText = defaultText ? defaultText : "";
        p.flags = flags;
        descriptorOwner(self)->params.push_back(p);
        return 0;
    };
    return v;
}();

EffectDescriptor::EffectDescriptor() {
    face_.vtbl = &kVtbl;
    face_.owner = this;
}

// ---- GPU Device Suite --------------------------------------------------------

const QLXGPUDeviceSuiteVtbl GPUDeviceSuite::kVtbl = [] {
    QLXGPUDeviceSuiteVtbl v{};
    v.GetDeviceCount = [](QLXGPUDeviceSuite* self) {
        GPUDeviceSuite* s = static_cast<Face*>(self)->owner;
        return s->countOverride ? *s->countOverride : static_cast<int>(s->devices.size());
    };
    v.GetDeviceInfo = [](QLXGPUDeviceSuite* self, int index, QLXGPUDeviceInfo* info) {
        GPUDeviceSuite* s = static_cast<Face*>(self)->owner;
        if (!info || index < 0 || index >= static_cast<int>(s->devices.size())) return 1;
        info->type = s->devices[index].type;
        for (int i = 0; i < 5; ++i) info->handles[i] = s->devices[index].handles[i];
        return 0;
    };
    v.GetFrameHandles = [](QLXGPUDeviceSuite* self, void* frame, void** first, void** second) {
        FrameHandles h;
        const bool known = static_cast<Face*>(self)->owner->findFrame(frame, &h);
        if (first) *first = h.first;
        if (second) *second = h.second;
        return known ? 0 : 1;
    };
    v.GetFrameValue = [](QLXGPUDeviceSuite* self, void* frame, std::int32_t* value) {
        FrameHandles h;
        const bool known = static_cast<Face*>(self)->owner->findFrame(frame, &h);
        if (value) *value = h.value;
        return known ? 0 : 1;
    };
    return v;
}();

GPUDeviceSuite::GPUDeviceSuite() {
    face_.vtbl = &kVtbl;
    face_.owner = this;
}

void GPUDeviceSuite::addFrame(void* frame, const FrameHandles& handles) {
    std::lock_guard<std::mutex> lock(framesMutex_);
    frames_[frame] = handles;
}

void GPUDeviceSuite::removeFrame(void* frame) {
    std::lock_guard<std::mutex> lock(framesMutex_);
    frames_.erase(frame);
}

bool GPUDeviceSuite::findFrame(void* frame, FrameHandles* handles) const {
    std::lock_guard<std::mutex> lock(framesMutex_);
    const auto it = frames_.find(frame);
    if (it == frames_.end()) return false;
    *handles = it->second;
    return true;
}

// ---- Host Util Suite -----------------------------------------------------------

static void hostLog(QLXHostUtilSuite* self, int level, const char* format, ...) {
    char text[8192];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    va_end(args);
    static_cast<HostUtilSuite::Face*>(self)->owner->log.add(level, text);
}

const QLXHostUtilSuiteVtbl HostUtilSuite::kVtbl = {
    [](QLXHostUtilSuite* self, int kind, char* buffer, int size) {
        HostUtilSuite* s = static_cast<Face*>(self)->owner;
        auto it = s->paths.find(kind);
        if (it == s->paths.end() || !buffer || size <= 0) return 1;
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", it->second.c_str());
        return 0;
    },
    hostLog,
};

HostUtilSuite::HostUtilSuite() {
    face_.vtbl = &kVtbl;
    face_.owner = this;
}

// ---- suite provider ----------------------------------------------------------------

const QLXSuiteProviderVtbl Host::kVtbl = {
    [](QLXSuiteProvider* self, const char* name, int, void** out) {
        Host* host = static_cast<Provider*>(self)->owner;
        const std::string wanted = name ? name : "";
        host->acquired.push_back(wanted);
        void* suite = nullptr;
        if (wanted == "Host Util Suite" && host->lendHostUtil) suite = host->util.qlx();
        if (wanted == "GPU Device Suite" && host->lendGPUDevice) suite = host->gpu.qlx();
        if (out) *out = suite;
        return suite ? 0 : 1;
    },
};

Host::Host() {
    provider_.vtbl = &kVtbl;
    provider_.owner = this;
    context_.hostData = this;
    context_.suiteProvider = &provider_;
}

}  // namespace qlxhost
