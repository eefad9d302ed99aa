// The CPU renderer: copies the input frame into the output, maps the whole
// output through the LUT, then blends it back towards the original (the input
// where the copy reached, the output's own bytes elsewhere) by the strength
// and, where the skin mask marks skin, by the skin protection.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/filter_info.h"
#include "lut/cube_lut.h"
#include "render/common/lut_renderer_params.h"
#include "render/cpu/strength_blend.h"

class NLEColorLut3dAdjustEffect : public qlx::LutRenderer {
  public:
    // `lutPath` is the filter's own LUT file.
    NLEColorLut3dAdjustEffect(const std::shared_ptr<NLEFilterInfo>& filter, std::string lutPath);
    ~NLEColorLut3dAdjustEffect() override;

    int prepare(QLXEffectContext* /*context*/) override { return kQLXSuccess; }
    void update(const qlx::LutSettings& settings) override { params_.update(settings); }
    // The host frames' pixels through Render; "LUT PureC Render Failed." on failure.
    int render(const qlx::HostFrame& in, const qlx::HostFrame& out,
               const qlx::SkinMask* skin) override;

    // 0 done, 1 a pixel pointer is null or a frame's geometry is unusable. A
    // skin mask that does not cover the input's part of the output is not
    // used; beyond the input there is no skin.
    int Render(std::uint8_t* dst, int dstWidth, int dstHeight, int dstPitch,
               const std::uint8_t* src, int srcWidth, int srcHeight, int srcPitch,
               const qlx::SkinMask* skin = nullptr);

  private:
    // Loads the frame's LUT when the path changed; false when it is unusable.
    bool ensureLutLoaded(const std::string& path);
    // Maps `area` of the output, which the copy did not reach, from its own
    // bytes, blended back towards them by the strength.
    void mapOwnBytes(std::uint8_t* dst, int dstPitch, const cv::Rect& area, int a);
    // The blends for a mapped area of the frame; logs a mask too small for it.
    qlx::BlendRowSettings blendSettings(int width, int height, int a,
                                        const qlx::SkinMask* skin) const;

    std::unique_ptr<qlx::CubeLut> lut_;
    std::string loadedPath_;
    qlx::LutRendererParams params_;
    bool lutLoaded_ = false;
};
