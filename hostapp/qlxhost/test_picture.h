// The demo's built-in test picture, drawn by the program itself: a 24-patch
// colour chart, a row of skin tones, and grey, red, green, blue and hue ramps.
#pragma once

#include <opencv2/core.hpp>

namespace qlxhost::cli {

// CV_8UC4, 768 x 512, opaque.
cv::Mat makeTestPicture();

}  // namespace qlxhost::cli
