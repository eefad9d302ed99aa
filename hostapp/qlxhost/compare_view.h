// A before/after picture of one frame: side by side, or split down the middle.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace qlxhost::cli {

enum class CompareMode { None, Side, Split };

// Both pictures CV_8UC4 of one size. Side: twice as wide, before on the left.
// Split: the left half from `before`, the right half from `after`, with a
// white dividing line.
cv::Mat compareView(const cv::Mat& before, const cv::Mat& after, CompareMode mode);
cv::Size compareSize(cv::Size frame, CompareMode mode);
// Where the before/after picture of OUT goes: OUT's name with ".compare" added
// before its extension.
std::string comparePath(const std::string& output);

}  // namespace qlxhost::cli
