// The colour rules that decide, pixel by pixel, whether a colour can be skin.
#pragma once

#include <opencv2/core.hpp>

namespace qlx::aifilter {

// Bounds of the skin colour model, in OpenCV's 8-bit scales (YCrCb 0..255; HSV hue 0..180,
// saturation and value 0..255).
struct SkinColourBounds {
    int minLuma;
    int minCr, maxCr;
    int minCb, maxCb;
    int maxHueLow;   // hues 0 .. maxHueLow (reds to yellow-oranges) ...
    int minHueHigh;  // ... and minHueHigh .. 180 (magenta-reds) count as skin hues
    int minSaturation, maxSaturation;
    int minValue;
};

// Bounds for a sensitivity in 0..1: 0.5 gives the published YCrCb skin cluster, values above
// widen every bound, values below narrow it.
SkinColourBounds skinBoundsFor(double sensitivity);

// 255 where a pixel of `bgr` (8-bit, 3 or 4 channels; a fourth channel is ignored) satisfies both
// the YCrCb chroma bounds and the HSV hue/saturation/value rules, else 0. Same size as `bgr`.
void classifySkinColours(const cv::Mat& bgr, const SkinColourBounds& bounds, cv::Mat& skin);

}  // namespace qlx::aifilter
