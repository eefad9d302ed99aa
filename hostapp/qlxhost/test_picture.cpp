#include "test_picture.h"

#include <opencv2/imgproc.hpp>

namespace qlxhost::cli {
namespace {

constexpr int kWidth = 768;

// sRGB values of the classic 24-patch colour checker, row by row, as R, G, B.
const unsigned char kChart[24][3] = {
    {115, 82, 68},   {194, 150, 130}, {98, 122, 157}, {87, 108, 67},   {133, 128, 177},
    {103, 189, 170}, {214, 126, 44},  {80, 91, 166},  {193, 90, 99},   {94, 60, 108},
    {157, 188, 64},  {224, 163, 46},  {56, 61, 150},  {70, 148, 73},   {175, 54, 60},
    {231, 199, 31},  {187, 86, 149},  {8, 133, 161},  {243, 243, 242}, {200, 200, 200},
    {160, 160, 160}, {122, 122, 121}, {85, 85, 85},   {52, 52, 52}};

// Skin tones from very light to very dark, as R, G, B.
const unsigned char kSkin[8][3] = {{255, 224, 196}, {241, 194, 167}, {224, 172, 138},
                                   {198, 134, 103}, {161, 102, 74},  {120, 76, 56},
                                   {89, 57, 42},    {62, 41, 32}};

cv::Scalar bgra(const unsigned char rgb[3]) {
    return cv::Scalar(rgb[2], rgb[1], rgb[0], 255);
}

void drawChart(cv::Mat& picture, int top) {
    const int w = kWidth / 6, h = 64;
    for (int i = 0; i < 24; ++i) {
        const cv::Rect patch((i % 6) * w, top + (i / 6) * h, w, h);
        picture(patch).setTo(bgra(kChart[i]));
        cv::rectangle(picture, patch, cv::Scalar(20, 20, 20, 255), 2);
    }
}

void drawSkinTones(cv::Mat& picture, int top, int height) {
    picture(cv::Rect(0, top, kWidth, height)).setTo(cv::Scalar(128, 128, 128, 255));
    const int w = kWidth / 8;
    for (int i = 0; i < 8; ++i) {
        const cv::Point centre(i * w + w / 2, top + height / 2);
        cv::ellipse(picture, centre, cv::Size(w / 2 - 8, height / 2 - 6), 0, 0, 360, bgra(kSkin[i]),
                    cv::FILLED, cv::LINE_AA);
    }
}

// One band whose colour runs from left to right through `colourAt` (x in 0..1).
template <class ColourAt>
void drawRamp(cv::Mat& picture, int top, int height, ColourAt colourAt) {
    for (int x = 0; x < kWidth; ++x) {
        const cv::Vec4b c = colourAt(static_cast<double>(x) / (kWidth - 1));
        picture(cv::Rect(x, top, 1, height)).setTo(cv::Scalar(c[0], c[1], c[2], c[3]));
    }
}

cv::Vec4b level(double t, int b, int g, int r) {
    const auto v = [t](int on) { return cv::saturate_cast<uchar>(on ? t * 255.0 : 0.0); };
    return cv::Vec4b(v(b), v(g), v(r), 255);
}

cv::Vec4b hue(double t) {
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(cv::saturate_cast<uchar>(t * 179.0), 255, 255));
    cv::Mat bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return cv::Vec4b(c[0], c[1], c[2], 255);
}

}  // namespace

cv::Mat makeTestPicture() {
    cv::Mat picture(512, kWidth, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    drawChart(picture, 0);
    drawSkinTones(picture, 256, 96);
    drawRamp(picture, 352, 40, [](double t) { return level(t, 1, 1, 1); });
    drawRamp(picture, 392, 30, [](double t) { return level(t, 0, 0, 1); });
    drawRamp(picture, 422, 30, [](double t) { return level(t, 0, 1, 0); });
    drawRamp(picture, 452, 30, [](double t) { return level(t, 1, 0, 0); });
    drawRamp(picture, 482, 30, hue);
    return picture;
}

}  // namespace qlxhost::cli
