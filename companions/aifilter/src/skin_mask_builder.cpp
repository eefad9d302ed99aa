#include "skin_mask_builder.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace qlx::aifilter {
namespace {

int roundedSide(double side) {
    constexpr int m = SkinSegmenter::kSideMultiple;
    const int rounded = static_cast<int>(std::lround(side / m)) * m;
    return std::clamp(rounded, m, kWorkingLongSideLimit);
}

// The picture at `size` as 8-bit BGR. Large frames are first resampled bilinearly to twice the
// size, then averaged 2 x 2: nearly the box filter of a direct area reduction at a third of its
// cost, whose general (non-integer ratio) path is slow.
void reduce(const cv::Mat& picture, cv::Size size, SkinMaskScratch& scratch) {
    if (picture.cols > 2 * size.width && picture.rows > 2 * size.height) {
        cv::resize(picture, scratch.halfway, size * 2, 0, 0, cv::INTER_LINEAR);
        cv::resize(scratch.halfway, scratch.reduced, size, 0, 0, cv::INTER_AREA);
    } else {
        const bool shrinking = picture.cols >= size.width && picture.rows >= size.height;
        cv::resize(picture, scratch.reduced, size, 0, 0,
                   shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
    }
    if (scratch.reduced.channels() == 4) {
        cv::cvtColor(scratch.reduced, scratch.bgr, cv::COLOR_BGRA2BGR);
    } else {
        scratch.reduced.copyTo(scratch.bgr);
    }
}

// Skin probability of every working pixel, 0..1, from the model's coarse logits shifted by the
// sensitivity.
void probability(const cv::Mat& logits, double sensitivity, cv::Size size, cv::Mat& out) {
    const double shift = kSensitivityLogitRange * 2.0 * (sensitivity - 0.5);
    cv::Mat negated;
    logits.convertTo(negated, CV_32F, -1.0, -shift);
    cv::exp(negated, negated);
    cv::Mat coarse = 1.0 / (1.0 + negated);
    cv::resize(coarse, out, size, 0, 0, cv::INTER_LINEAR);
}

// Returns `soft` itself when the edge is to stay hard, else the blurred copy in `feathered`.
cv::Mat feather(const cv::Mat& soft, double featherPercent, cv::Mat& feathered) {
    const double sigma = featherPercent / 100.0 * std::min(soft.cols, soft.rows) / 2.0;
    if (sigma < 0.3) return soft;
    cv::GaussianBlur(soft, feathered, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
    return feathered;
}

}  // namespace

cv::Size workingSizeFor(cv::Size size) {
    const double scale = static_cast<double>(kWorkingShortSide) / std::min(size.width, size.height);
    return cv::Size(roundedSide(size.width * scale), roundedSide(size.height * scale));
}

void buildSkinWeights(const cv::Mat& picture, const SkinMaskSettings& settings, cv::Size outSize,
                      SkinSegmenter& segmenter, SkinMaskScratch& scratch, cv::Mat& weights) {
    const cv::Size working = workingSizeFor(picture.size());
    reduce(picture, working, scratch);
    segmenter.run(scratch.bgr, scratch.logits);
    if (scratch.logits.empty()) throw std::runtime_error("the skin model gave no result");
    probability(scratch.logits, settings.sensitivity, working, scratch.probability);
    const cv::Mat soft = feather(scratch.probability, settings.featherPercent, scratch.feathered);
    soft.convertTo(scratch.working, CV_8U, 255.0);
    if (working == outSize) {
        scratch.working.copyTo(weights);
    } else {
        cv::resize(scratch.working, weights, outSize, 0, 0, cv::INTER_LINEAR);
    }
}

}  // namespace qlx::aifilter
