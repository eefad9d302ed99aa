// The one interface the effect drives its renderer through. The effect turns
// the host's parameters into settings and segments skin, the same way for
// every renderer; each renderer turns the host's frames into what it works on
// and reports its own failures to the host's log.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>

#include "qlx/qlx_host.h"

namespace OPENCL {
class openclMemory;
}

namespace qlx {

// What the host's parameters ask of a renderer, made once per parameter update.
struct LutSettings {
    int alpha = 100;      // strength of the LUT in percent
    int skinProtect = 0;  // skin-protection strength in percent; 0 is off
    // The user's LUT file, when the host gave "lut3dPath" in this update.
    std::optional<std::string> lutPath;

    static LutSettings withAlpha(int alpha, std::optional<std::string> lutPath = {}) {
        return {alpha, 0, std::move(lutPath)};
    }
};

// One host frame, read from the host's frame object once.
struct HostFrame {
    QLXFrame* frame = nullptr;
    void* pixels = nullptr;     // host memory, or null
    void* gpuHandle = nullptr;  // the host's GPU frame, or null
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next

    static HostFrame of(QLXFrame* frame);
};

// The skin found in the input frame and how strongly to spare it.
struct SkinMask {
    cv::Mat pixels;    // 8-bit BGRA of the input's size; byte 3 is the skin weight
    int strength = 0;  // percent
};

// Where the segmentation reads the input frame: by default its host pixels.
struct SkinSource {
    OPENCL::openclMemory* image = nullptr;  // the input as an OpenCL image
    cv::Mat pixels;                         // the input read back from the GPU
    bool readable = true;                   // false: no skin can be found
};

class LutRenderer {
  public:
    virtual ~LutRenderer() = default;

    // PrepareResource: a host result code; the renderer sets the resource hint.
    virtual int prepare(QLXEffectContext* context) = 0;
    // ReleaseResource.
    virtual void release() {}
    // The settings of every parameter update.
    virtual void update(const LutSettings& settings) = 0;
    // Readies a frame before its skin is segmented; a host result code, and on
    // failure the frame goes no further.
    virtual int begin(const HostFrame& /*in*/, const HostFrame& /*out*/) { return kQLXSuccess; }
    // After begin: where the segmentation reads `in`.
    virtual SkinSource skinSource(const HostFrame& /*in*/) { return {}; }
    // Renders the frame begun, sparing `skin` when given; a host result code.
    virtual int render(const HostFrame& in, const HostFrame& out, const SkinMask* skin) = 0;
};

}  // namespace qlx
