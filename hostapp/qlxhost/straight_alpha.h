// The alpha convention between pictures and the plugin. PNG and TIFF store
// straight (unmultiplied) colour; the plugin maps straight colour and returns
// it multiplied by the pixel's alpha, and blends that with the straight input
// by the strength. Handing it every pixel opaque makes its multiplication and
// blend exact on straight colour; the picture's own alpha is put back after.
#pragma once

#include <opencv2/core.hpp>

#include "effect_runner.h"

namespace qlxhost::cli {

// `input` and `output`: CV_8UC4 with straight colour.
void renderStraightAlpha(EffectRunner& runner, const cv::Mat& input, cv::Mat& output);

}  // namespace qlxhost::cli
