#include "skin_mask_builder.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "mask_cleanup.h"
#include "skin_colour_rules.h"

namespace qlx::aifilter {
namespace {

// Returns `picture` itself when it is small already, else the reduced copy in `reduced`. Scratch
// matrices never take over the caller's pixels: a later create() would write into them.
// Large frames are first resampled bilinearly to twice the working size, then averaged 2 x 2:
// nearly the box filter of a direct area reduction at a third of its cost, whose general
// (non-integer ratio) path is slow.
cv::Mat reduce(const cv::Mat& picture, cv::Mat& halfway, cv::Mat& reduced) {
    const int shortSide = std::min(picture.cols, picture.rows);
    if (shortSide <= kWorkingShortSide) return picture;
    const double scale = static_cast<double>(kWorkingShortSide) / shortSide;
    const cv::Size size(std::max(1, static_cast<int>(std::lround(picture.cols * scale))),
                        std::max(1, static_cast<int>(std::lround(picture.rows * scale))));
    if (shortSide <= 2 * kWorkingShortSide) {
        cv::resize(picture, reduced, size, 0, 0, cv::INTER_AREA);
    } else {
        cv::resize(picture, halfway, size * 2, 0, 0, cv::INTER_LINEAR);
        cv::resize(halfway, reduced, size, 0, 0, cv::INTER_AREA);
    }
    return reduced;
}

// Returns `cleaned` itself when the edge is to stay hard, else the blurred copy in `feathered`.
cv::Mat feather(const cv::Mat& cleaned, double featherPercent, cv::Mat& feathered) {
    const double sigma = featherPercent / 100.0 * std::min(cleaned.cols, cleaned.rows) / 2.0;
    if (sigma < 0.3) return cleaned;
    cv::GaussianBlur(cleaned, feathered, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
    return feathered;
}

}  // namespace

void buildSkinWeights(const cv::Mat& picture, const SkinMaskSettings& settings, cv::Size outSize,
                      SkinMaskScratch& scratch, cv::Mat& weights) {
    const cv::Mat working = reduce(picture, scratch.halfway, scratch.reduced);
    classifySkinColours(working, skinBoundsFor(settings.sensitivity), scratch.skin);
    cleanUpSkinMap(scratch.skin, scratch.cleanup, scratch.cleaned);
    const cv::Mat soft = feather(scratch.cleaned, settings.featherPercent, scratch.feathered);
    if (soft.size() == outSize) {
        soft.copyTo(weights);
    } else {
        cv::resize(soft, weights, outSize, 0, 0, cv::INTER_LINEAR);
    }
}

}  // namespace qlx::aifilter
