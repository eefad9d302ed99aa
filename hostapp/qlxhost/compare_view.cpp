#include "compare_view.h"

#include <filesystem>

namespace qlxhost::cli {

cv::Size compareSize(cv::Size frame, CompareMode mode) {
    return mode == CompareMode::Side ? cv::Size(frame.width * 2, frame.height) : frame;
}

cv::Mat compareView(const cv::Mat& before, const cv::Mat& after, CompareMode mode) {
    CV_Assert(before.size() == after.size() && before.type() == after.type());
    if (mode == CompareMode::Side) {
        cv::Mat view;
        cv::hconcat(before, after, view);
        return view;
    }
    cv::Mat view = after.clone();
    const int half = before.cols / 2;
    before.colRange(0, half).copyTo(view.colRange(0, half));
    if (view.cols >= 4) {
        view.colRange(std::max(0, half - 1), std::min(view.cols, half + 1))
            .setTo(cv::Scalar(255, 255, 255, 255));
    }
    return view;
}

std::string comparePath(const std::string& output) {
    const std::filesystem::path path(output);
    return (path.parent_path() / (path.stem().string() + ".compare" + path.extension().string()))
        .string();
}

}  // namespace qlxhost::cli
