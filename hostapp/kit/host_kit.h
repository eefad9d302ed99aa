// The reference host: everything an editor lends the plugin, implemented over
// plain memory, a real OpenCL context and a real OpenGL context. Tests and the
// qlxhost program drive the plugin only through this kit and the six exports.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "qlx/qlx_host.h"
#include "qlx/qlx_plugin.h"

namespace qlxhost {

struct LogLine {
    int level;
    std::string text;
};

// Collects what the plugin logs; safe from any thread.
class LogSink {
  public:
    void add(int level, std::string text);
    std::vector<LogLine> lines() const;
    // Number of lines whose text contains `needle`.
    int count(const std::string& needle) const;
    void clear();
    // When set, every line is also printed to stderr as it arrives.
    void setEcho(bool echo) { echo_ = echo; }

  private:
    mutable std::mutex mutex_;
    std::vector<LogLine> lines_;
    bool echo_ = false;
};

// One entry of the GPU Device Suite's device list as the host reports it.
struct DeviceRecord {
    std::uint32_t type = 0;
    void* handles[5] = {};
};

// A frame the host owns: host memory (8 or 16 bits per channel, 4 channels, any
// row pitch) or a GPU frame behind an opaque handle.
class Frame {
  public:
    Frame(int width, int height, int bytesPerChannel = 1, int stride = 0);
    // A frame whose pixels live elsewhere (the caller keeps them alive).
    static std::unique_ptr<Frame> wrap(void* pixels, int width, int height, int stride,
                                       int bytesPerChannel = 1);
    // A GPU frame: `gpuHandle` is what GetGPUHandle answers; `pixels` may be null.
    static std::unique_ptr<Frame> gpu(void* gpuHandle, int width, int height, int stride,
                                      void* pixels = nullptr);

    QLXFrame* qlx() { return &face_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    int bytesPerChannel() const { return bytesPerChannel_; }
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::uint8_t* row(int y) { return data_ + static_cast<std::size_t>(y) * stride_; }
    void* gpuHandle() const { return gpuHandle_; }

    // Overrides for bad-input tests: what the frame reports to the plugin.
    void reportSize(int width, int height) { width_ = width, height_ = height; }
    void reportStride(int stride) { stride_ = stride; }
    void reportData(std::uint8_t* data) { data_ = data; }

  private:
    Frame() = default;
    static const QLXFrameVtbl kVtbl;
    struct Face : QLXFrame {
        Frame* owner;
    } face_;
    std::vector<std::uint8_t> storage_;
    std::uint8_t* data_ = nullptr;
    void* gpuHandle_ = nullptr;
    int width_ = 0, height_ = 0, stride_ = 0, bytesPerChannel_ = 1;
};

// What a host answers for one parameter at GetParam time.
struct ParamAnswer {
    std::uint32_t type = kQLXParamInt32;  // the type the host writes back
    std::int32_t i32 = 0;
    float f32 = 0;
    std::int64_t i64 = 0;
    bool boolean = false;
    std::string text;

    static ParamAnswer integer(std::int32_t v) {
        ParamAnswer a;
        a.type = kQLXParamInt32, a.i32 = v;
        return a;
    }
    static ParamAnswer string(std::string v) {
        ParamAnswer a;
        a.type = kQLXParamText, a.text = std::move(v);
        return a;
    }
};

// The effect context: parameter values by name, the resource hints received.
class EffectContext {
  public:
    EffectContext();
    QLXEffectContext* qlx() { return &face_; }
    void set(const std::string& name, ParamAnswer value) { params_[name] = std::move(value); }
    void erase(const std::string& name) { params_.erase(name); }
    const std::vector<bool>& resourceHints() const { return hints_; }
    const ParamAnswer* find(const std::string& name) const {
        auto it = params_.find(name);
        return it == params_.end() ? nullptr : &it->second;
    }
    void addHint(bool hint) { hints_.push_back(hint); }
    std::int64_t time = 0;

  public:
    struct Face : QLXEffectContext {
        EffectContext* owner;
    };

  private:
    static const QLXEffectContextVtbl kVtbl;
    Face face_;
    std::map<std::string, ParamAnswer> params_;
    std::vector<bool> hints_;
};

class RenderContext {
  public:
    RenderContext(Frame* input, Frame* output);
    QLXRenderContext* qlx() { return &face_; }

  public:
    struct Face : QLXRenderContext {
        RenderContext* owner;
    };

  private:
    static const QLXRenderContextVtbl kVtbl;
    Face face_;
    Frame* input_;
    Frame* output_;
};

// Records every descriptor call, in order.
class EffectDescriptor {
  public:
    struct Param {
        bool isString = false;
        int group = 0, index = 0;
        std::string name, displayName;
        int minimum = 0, maximum = 0, defaultValue = 0, step = 0, widget = 0;
        bool hasDefaultText = false;
        std::string defaultText;
        int flags = 0;
    };
    EffectDescriptor();
    QLXEffectDescriptor* qlx() { return &face_; }

    std::string guid, name;
    std::vector<std::uint32_t> flags, options;
    std::vector<Param> params;
    int identityCalls = 0;

  public:
    struct Face : QLXEffectDescriptor {
        EffectDescriptor* owner;
    };

  private:
    static const QLXEffectDescriptorVtbl kVtbl;
    Face face_;
};

// GPU Device Suite: a configurable device list and frame handles.
class GPUDeviceSuite {
  public:
    GPUDeviceSuite();
    QLXGPUDeviceSuite* qlx() { return &face_; }
    std::vector<DeviceRecord> devices;
    std::optional<int> countOverride;  // e.g. a negative count

    // Frame handles: what GetFrameHandles / GetFrameValue answer for a GPU frame.
    struct FrameHandles {
        void* first = nullptr;
        void* second = nullptr;
        std::int32_t value = 0;
    };
    // Render threads make, release and ask about frames at once.
    void addFrame(void* frame, const FrameHandles& handles);
    void removeFrame(void* frame);
    // False (and `handles` untouched) for a frame the suite does not know.
    bool findFrame(void* frame, FrameHandles* handles) const;

  private:
    mutable std::mutex framesMutex_;
    std::map<void*, FrameHandles> frames_;

  public:
    struct Face : QLXGPUDeviceSuite {
        GPUDeviceSuite* owner;
    };

  private:
    static const QLXGPUDeviceSuiteVtbl kVtbl;
    Face face_;
};

class HostUtilSuite {
  public:
    HostUtilSuite();
    QLXHostUtilSuite* qlx() { return &face_; }
    std::map<int, std::string> paths;  // by kind; unknown kinds answer failure
    LogSink log;

  public:
    struct Face : QLXHostUtilSuite {
        HostUtilSuite* owner;
    };

  private:
    static const QLXHostUtilSuiteVtbl kVtbl;
    Face face_;
};

// The suite provider and the host context handed to StartupQLX. Each suite can
// be withheld to model hosts that lack it.
class Host {
  public:
    Host();
    QLXHostContext* context() { return &context_; }

    HostUtilSuite util;
    GPUDeviceSuite gpu;
    bool lendHostUtil = true;
    bool lendGPUDevice = true;
    std::vector<std::string> acquired;  // suite names in the order asked

  public:
    struct Provider : QLXSuiteProvider {
        Host* owner;
    };

  private:
    static const QLXSuiteProviderVtbl kVtbl;
    Provider provider_;
    QLXHostContext context_;
};

}  // namespace qlxhost
