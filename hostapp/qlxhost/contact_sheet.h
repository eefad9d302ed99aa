// One picture showing the original and every look side by side, each tile
// labelled with its look's name.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace qlxhost::cli {

struct ContactTile {
    std::string label;
    cv::Mat picture;  // CV_8UC4; scaled to the tile size
};

// Tiles in rows of up to four under a title line; CV_8UC4.
cv::Mat makeContactSheet(const std::string& title, const std::vector<ContactTile>& tiles);

}  // namespace qlxhost::cli
