// Turns a picture into a soft skin mask: the learned model on a reduced copy, the sensitivity as
// a shift of its logits, feathering, then scaling to the requested size.
#pragma once

#include <opencv2/core.hpp>

#include "skin_segmenter.h"

namespace qlx::aifilter {

struct SkinMaskSettings {
    double sensitivity = 0.5;     // 0..1: 0.5 takes the model as trained, more finds more skin
    double featherPercent = 2.0;  // soft edge width, percent of the shorter side
};

// Shorter side of the reduced copy the model sees (the scale it was trained at): a frame of 1080
// lines shrinks by about four, a small picture is enlarged to it.
constexpr int kWorkingShortSide = 256;
// Longer side limit of the reduced copy, so that extreme shapes stay cheap.
constexpr int kWorkingLongSideLimit = 1024;
// Logit shift at sensitivity 0 and 1 (-/+); about a 20-fold change of the odds of skin.
constexpr double kSensitivityLogitRange = 3.0;

// Scratch matrices kept between frames so a steady stream of frames allocates little.
struct SkinMaskScratch {
    cv::Mat halfway, reduced, bgr, logits, probability, feathered, working;
};

// Size of the reduced copy for a picture of `size`: shorter side kWorkingShortSide, sides
// rounded to multiples of the model's side multiple and within kWorkingLongSideLimit.
cv::Size workingSizeFor(cv::Size size);

// `picture`: 8-bit BGR or BGRA. `weights`: 8-bit single channel of `outSize`, 0..255.
void buildSkinWeights(const cv::Mat& picture, const SkinMaskSettings& settings, cv::Size outSize,
                      SkinSegmenter& segmenter, SkinMaskScratch& scratch, cv::Mat& weights);

}  // namespace qlx::aifilter
