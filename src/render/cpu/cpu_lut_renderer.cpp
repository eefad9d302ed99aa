#include "render/cpu/cpu_lut_renderer.h"

#include <algorithm>
#include <cstring>

#include "common/log.h"
#include "render/cpu/strength_blend.h"

namespace {

bool geometryUsable(int width, int height, int pitch) {
    return width >= 0 && height >= 0 && pitch >= 0 && static_cast<std::int64_t>(width) * 4 <= pitch;
}

// Copies the input rows into the output. Only rows and bytes that both frames
// hold are copied, so a smaller output is never overrun. The first
// `skipWidth` pixels of the first `skipHeight` rows are left out: the LUT
// writes them straight from the input.
void copyFrame(std::uint8_t* dst, int dstPitch, int dstHeight, const std::uint8_t* src,
               int srcPitch, int srcWidth, int srcHeight, int skipWidth = 0, int skipHeight = 0) {
    if (srcWidth <= 0 || srcHeight <= 0 || srcPitch <= 0 || dstPitch <= 0) return;
    const int rows = std::min(srcHeight, dstHeight);
    if (srcPitch == dstPitch && (skipWidth <= 0 || skipHeight <= 0)) {
        std::memcpy(dst, src, static_cast<std::size_t>(rows) * dstPitch);
        return;
    }
    const std::size_t rowBytes =
        static_cast<std::size_t>(srcPitch == dstPitch ? dstPitch : std::min(srcPitch, dstPitch));
    for (int y = 0; y < rows; ++y) {
        const std::size_t skip = y < skipHeight ? static_cast<std::size_t>(skipWidth) * 4 : 0;
        std::memcpy(dst + static_cast<std::size_t>(y) * dstPitch + skip,
                    src + static_cast<std::size_t>(y) * srcPitch + skip, rowBytes - skip);
    }
}

}  // namespace

NLEColorLut3dAdjustEffect::NLEColorLut3dAdjustEffect(const std::shared_ptr<NLEFilterInfo>& filter,
                                                     std::string lutPath)
    : params_(std::move(lutPath), filter ? filter->guid() : std::string()) {}

NLEColorLut3dAdjustEffect::~NLEColorLut3dAdjustEffect() = default;

int NLEColorLut3dAdjustEffect::render(const qlx::HostFrame& in, const qlx::HostFrame& out,
                                      const qlx::SkinMask* skin) {
    if (Render(static_cast<std::uint8_t*>(out.pixels), out.width, out.height, out.pitch,
               static_cast<const std::uint8_t*>(in.pixels), in.width, in.height, in.pitch,
               skin) == qlx::kRenderOk)
        return kQLXSuccess;
    qlx::hostLog(kQLXLogError, "LUT PureC Render Failed.");
    return kQLXFailed;
}

bool NLEColorLut3dAdjustEffect::ensureLutLoaded(const std::string& path) {
    if (!lut_) lut_ = std::make_unique<qlx::CubeLut>();
    if (loadedPath_.empty() || loadedPath_ != path) {
        // A file that failed is not tried again until the path changes.
        loadedPath_ = path;
        lutLoaded_ = lut_->loadCubeFile(path);
    }
    if (!lutLoaded_)
        qlx::hostLog(kQLXLogError, "tonekit::LUT loadCubeFile Failed: %s", path.c_str());
    return lutLoaded_;
}

int NLEColorLut3dAdjustEffect::Render(std::uint8_t* dst, int dstWidth, int dstHeight, int dstPitch,
                                      const std::uint8_t* src, int srcWidth, int srcHeight,
                                      int srcPitch, const qlx::SkinMask* skin) {
    if (!src || !dst) return qlx::kRenderFailed;
    if (!geometryUsable(dstWidth, dstHeight, dstPitch) ||
        !geometryUsable(srcWidth, srcHeight, srcPitch))
        return qlx::kRenderFailed;
    const int a = params_.alpha() * 255 / 100;
    const std::string& path = params_.lutForFrame();
    if (path.empty() || !ensureLutLoaded(path) || a == 0) {
        copyFrame(dst, dstPitch, dstHeight, src, srcPitch, srcWidth, srcHeight);
        return qlx::kRenderOk;
    }

    // Where the input covers the output the LUT reads the input and writes the
    // output, which equals copying first and mapping in place, and the blends
    // follow each row while it is still in cache. The rest of a larger output
    // is mapped from its own bytes.
    const int width = std::min(dstWidth, srcWidth), height = std::min(dstHeight, srcHeight);
    copyFrame(dst, dstPitch, dstHeight, src, srcPitch, srcWidth, srcHeight, width, height);
    mapOwnBytes(dst, dstPitch, cv::Rect(width, 0, dstWidth - width, height), a);
    mapOwnBytes(dst, dstPitch, cv::Rect(0, height, dstWidth, dstHeight - height), a);
    if (width <= 0 || height <= 0) return qlx::kRenderOk;
    const qlx::BlendRowSettings settings = blendSettings(width, height, a, skin);
    if (settings.strengthWeight < 0 && !settings.mask) {
        lut_->apply(dst, dstPitch, src, width, height, srcPitch, 4);
        return qlx::kRenderOk;
    }
    lut_->apply(dst, dstPitch, src, width, height, srcPitch, 4, [&](int y) {
        qlx::BlendRowSettings row = settings;
        if (row.mask) {
            row.mask = skin->pixels.ptr<std::uint8_t>(y);
            // The next row's mask is read from memory while that row is mapped.
            if (y + 1 < height) qlx::prefetchRow(skin->pixels.ptr<std::uint8_t>(y + 1), width);
        }
        qlx::blendRow(dst + static_cast<std::size_t>(y) * dstPitch,
                      src + static_cast<std::size_t>(y) * srcPitch, width, row);
    });
    return qlx::kRenderOk;
}

void NLEColorLut3dAdjustEffect::mapOwnBytes(std::uint8_t* dst, int dstPitch, const cv::Rect& area,
                                            int a) {
    if (area.width <= 0 || area.height <= 0) return;
    cv::Mat view(area.height, area.width, CV_8UC4,
                       dst + static_cast<std::size_t>(area.y) * dstPitch + 4 * area.x,
                       static_cast<std::size_t>(dstPitch));
    const cv::Mat original = view.clone();
    qlx::BlendRowSettings settings;
    settings.strengthWeight = a < 255 ? 255 - a : -1;
    lut_->apply(view.data, dstPitch, original.data, area.width, area.height,
                static_cast<int>(original.step), 4, [&](int y) {
                    if (settings.strengthWeight >= 0)
                        qlx::blendRow(view.ptr<std::uint8_t>(y), original.ptr<std::uint8_t>(y),
                                      area.width, settings);
                });
}

qlx::BlendRowSettings NLEColorLut3dAdjustEffect::blendSettings(int width, int height, int a,
                                                               const qlx::SkinMask* skin) const {
    const int skinProtect = skin ? std::clamp(skin->strength, 0, 100) : 0;
    bool masking = skinProtect != 0 && skin->pixels.data;
    if (masking && (skin->pixels.type() != CV_8UC4 || skin->pixels.rows < height ||
                    skin->pixels.cols < width)) {
        // Never read past a mask that does not cover the frame.
        qlx::hostLog(kQLXLogWarning, "tonekit::skin mask %dx%d does not cover the %dx%d frame",
                     skin->pixels.cols, skin->pixels.rows, width, height);
        masking = false;
    }
    qlx::BlendRowSettings settings;
    settings.strengthWeight = a < 255 ? 255 - a : -1;
    settings.skinScale = static_cast<int>(skinProtect * 255.0 / 100.0 + 0.5);
    // Any non-null pointer switches the mask step on; each row gets its own.
    if (masking) settings.mask = skin->pixels.data;
    return settings;
}
