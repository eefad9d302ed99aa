// Turns a picture into a soft skin mask: colour rules on a reduced copy, clean-up, feathering,
// then scaling to the requested size.
#pragma once

#include <opencv2/core.hpp>

#include "mask_cleanup.h"

namespace qlx::aifilter {

struct SkinMaskSettings {
    double sensitivity = 0.5;     // 0..1, see skinBoundsFor
    double featherPercent = 2.0;  // soft edge width, percent of the shorter side
};

// Shorter side of the reduced copy the model works on. Skin regions worth protecting are far
// larger than a few pixels of it, and a frame of 1080 lines shrinks by four.
constexpr int kWorkingShortSide = 270;

// Scratch matrices kept between frames so a steady stream of frames allocates nothing.
struct SkinMaskScratch {
    cv::Mat halfway, reduced, skin, cleaned, feathered;
    CleanupScratch cleanup;
};

// `picture`: 8-bit BGR or BGRA. `weights`: 8-bit single channel of `outSize`, 0..255.
void buildSkinWeights(const cv::Mat& picture, const SkinMaskSettings& settings, cv::Size outSize,
                      SkinMaskScratch& scratch, cv::Mat& weights);

}  // namespace qlx::aifilter
