#include "straight_alpha.h"

namespace qlxhost::cli {

void renderStraightAlpha(EffectRunner& runner, const cv::Mat& input, cv::Mat& output) {
    cv::Mat opaque = input.clone();
    const cv::Mat full(input.size(), CV_8UC1, cv::Scalar(255));
    const int toAlpha[] = {0, 3};
    cv::mixChannels(&full, 1, &opaque, 1, toAlpha, 1);
    runner.render(opaque, output);
    const int alphaBack[] = {3, 3};
    cv::mixChannels(&input, 1, &output, 1, alphaBack, 1);
}

}  // namespace qlxhost::cli
