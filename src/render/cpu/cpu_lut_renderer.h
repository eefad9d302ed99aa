// The CPU renderer: copies the input frame into the output, maps it through
// the LUT, then blends it back towards the input by the strength and, where
// the skin mask marks skin, by the skin protection.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "catalogue/filter_info.h"
#include "lut/cube_lut.h"
#include "render/common/lut_renderer_params.h"
#include "render/cpu/strength_blend.h"

class NLEColorLut3dAdjustEffect {
  public:
    // `lutPath` is the filter's own LUT file.
    NLEColorLut3dAdjustEffect(const std::shared_ptr<NLEFilterInfo>& filter, std::string lutPath);
    virtual ~NLEColorLut3dAdjustEffect();

    int SetParam(const char* name, std::uint32_t type, NLEFilterParamValue value);

    // 0 done, 1 a pixel pointer is null or a frame's geometry is unusable.
    int Render(std::uint8_t* dst, int dstWidth, int dstHeight, int dstPitch,
               const std::uint8_t* src, int srcWidth, int srcHeight, int srcPitch);

    // 8-bit four-channel; at least the output frame's size when set.
    cv::Mat skinMask;

  private:
    // Loads the frame's LUT when the path changed; false when it is unusable.
    bool ensureLutLoaded(const std::string& path);
    // The blends for a mapped area of the frame; logs a mask too small for it.
    qlx::BlendRowSettings blendSettings(int width, int height, int a) const;

    std::unique_ptr<qlx::CubeLut> lut_;
    std::string loadedPath_;
    qlx::LutRendererParams params_;
    bool lutLoaded_ = false;
};
