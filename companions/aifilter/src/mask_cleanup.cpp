#include "mask_cleanup.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace qlx::aifilter {
namespace {

cv::Mat disc(int radius) {
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * radius + 1, 2 * radius + 1));
}

bool touchesEdge(const cv::Mat& stats, int label, cv::Size size) {
    const int x = stats.at<int>(label, cv::CC_STAT_LEFT);
    const int y = stats.at<int>(label, cv::CC_STAT_TOP);
    return x == 0 || y == 0 || x + stats.at<int>(label, cv::CC_STAT_WIDTH) == size.width ||
           y + stats.at<int>(label, cv::CC_STAT_HEIGHT) == size.height;
}

// Only the bounding box of the skin can hold enclosed holes: every pixel around it is non-skin,
// so a non-skin region reaching the box's border is connected to the outside (or to the picture
// edge). Labelling the box alone is exact and much cheaper when skin covers little of the frame.
void fillEnclosedHoles(cv::Mat& mask, CleanupScratch& s) {
    const cv::Rect box = cv::boundingRect(mask);
    if (box.width < 3 || box.height < 3) return;
    cv::Mat inBox = mask(box);
    cv::compare(inBox, 0, s.holes, cv::CMP_EQ);
    const int count =
        cv::connectedComponentsWithStats(s.holes, s.labels, s.stats, s.centroids, 4, CV_32S);
    const double maxArea = kMaxHoleFraction * static_cast<double>(mask.total());
    std::vector<std::uint8_t> fill(static_cast<size_t>(count), 0);
    bool anyFill = false;
    for (int label = 1; label < count; ++label) {
        fill[label] = s.stats.at<int>(label, cv::CC_STAT_AREA) <= maxArea &&
                      !touchesEdge(s.stats, label, box.size());
        anyFill = anyFill || fill[label];
    }
    if (!anyFill) return;
    for (int y = 0; y < inBox.rows; ++y) {
        const int* labels = s.labels.ptr<int>(y);
        std::uint8_t* row = inBox.ptr<std::uint8_t>(y);
        for (int x = 0; x < inBox.cols; ++x) {
            if (fill[labels[x]]) row[x] = 255;
        }
    }
}

}  // namespace

void cleanUpSkinMap(const cv::Mat& skin, CleanupScratch& scratch, cv::Mat& cleaned) {
    const int shortSide = std::min(skin.cols, skin.rows);
    const int radius = std::max(1, static_cast<int>(std::lround(shortSide / 135.0)));
    cv::morphologyEx(skin, cleaned, cv::MORPH_OPEN, disc(radius));
    cv::morphologyEx(cleaned, cleaned, cv::MORPH_CLOSE, disc(2 * radius));
    fillEnclosedHoles(cleaned, scratch);
}

}  // namespace qlx::aifilter
