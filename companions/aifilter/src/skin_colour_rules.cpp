#include "skin_colour_rules.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace qlx::aifilter {
namespace {

int widened(int base, double amount, double widen) {
    return static_cast<int>(std::lround(base + amount * widen));
}

}  // namespace

SkinColourBounds skinBoundsFor(double sensitivity) {
    // widen runs from -1 (sensitivity 0) through 0 (0.5) to +1 (sensitivity 1).
    const double widen = (std::clamp(sensitivity, 0.0, 1.0) - 0.5) * 2.0;
    SkinColourBounds b{};
    // Chroma cluster of skin in YCrCb (Chai and Ngan): Cr 133..173, Cb 77..127, with the Cr
    // floor raised to 138 so near-neutral warm whites (lit clouds, walls, paper) are not taken
    // for pale skin; even very pale skin sits above Cr 140. Luma is nearly free because skin
    // under every light falls into the same chroma cluster; only very dark pixels, whose chroma
    // is noise, are refused.
    b.minLuma = widened(40, -15, widen);
    b.minCr = widened(138, -8, widen);
    b.maxCr = widened(173, 8, widen);
    b.minCb = widened(77, -8, widen);
    b.maxCb = widened(127, 8, widen);
    // HSV: skin hues run from red (0 deg) to orange-yellow (about 50 deg), wrapping a little
    // into magenta-red (above 340 deg); OpenCV halves degrees. Skin is neither grey nor
    // vivid: saturation 0.15..0.78, the ceiling high enough for deep brown skin (about 0.75).
    // Value floor as for luma.
    b.maxHueLow = widened(25, 4, widen);
    b.minHueHigh = widened(170, -4, widen);
    b.minSaturation = widened(38, -12, widen);
    b.maxSaturation = widened(199, 30, widen);
    b.minValue = widened(50, -15, widen);
    return b;
}

void classifySkinColours(const cv::Mat& bgr, const SkinColourBounds& b, cv::Mat& skin) {
    CV_Assert(bgr.depth() == CV_8U && (bgr.channels() == 3 || bgr.channels() == 4));
    cv::Mat ycrcb, hsv, chromaOk, hueLow, hueHigh;
    cv::cvtColor(bgr, ycrcb, cv::COLOR_BGR2YCrCb);
    cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV);
    cv::inRange(ycrcb, cv::Scalar(b.minLuma, b.minCr, b.minCb), cv::Scalar(255, b.maxCr, b.maxCb),
                chromaOk);
    cv::inRange(hsv, cv::Scalar(0, b.minSaturation, b.minValue),
                cv::Scalar(b.maxHueLow, b.maxSaturation, 255), hueLow);
    cv::inRange(hsv, cv::Scalar(b.minHueHigh, b.minSaturation, b.minValue),
                cv::Scalar(180, b.maxSaturation, 255), hueHigh);
    cv::bitwise_or(hueLow, hueHigh, hueLow);
    cv::bitwise_and(chromaOk, hueLow, skin);
}

}  // namespace qlx::aifilter
