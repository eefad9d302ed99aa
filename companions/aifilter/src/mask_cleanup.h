// Clean-up of the binary skin map at working size: specks out, small gaps and enclosed holes in.
#pragma once

#include <opencv2/core.hpp>

namespace qlx::aifilter {

// Enclosed non-skin regions up to this share of the picture are taken as skin: highlights on a
// forehead, eyes, a mouth. Larger ones (a blue shirt between two arms) stay.
constexpr double kMaxHoleFraction = 0.01;

struct CleanupScratch {
    cv::Mat holes, labels, stats, centroids;
};

// `skin`: 8-bit 0/255. Opening removes specks of skin-coloured texture (wood grain, noise),
// closing fills narrow gaps, then every non-skin region that touches no picture edge and covers
// at most kMaxHoleFraction of the picture is filled. `cleaned` gets the result.
void cleanUpSkinMap(const cv::Mat& skin, CleanupScratch& scratch, cv::Mat& cleaned);

}  // namespace qlx::aifilter
