// Expected results without qlxhost: the plugin driven through the host kit.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace qlxhosttest {

struct DirectRender {
    std::string lutFolder;     // the LUT folder to start on
    std::string filterFolder;  // registered through its filter.xml; or
    std::string lutFile;       // through the custom-LUT filter's "lut3dPath"
    int alpha = 100, skinProtect = 0;
};

// The plugin's CPU render of `bgra` (CV_8UC4); fails the test on any refusal.
cv::Mat renderThroughKit(const DirectRender& job, const cv::Mat& bgra);

// BGRA pixels with gradients, noise, skin-like patches and varied alpha.
cv::Mat makePicture(int width, int height, unsigned seed);

// The bundled look folders (those holding a filter.xml), by path.
std::vector<std::string> bundledLookFolders();

inline const char* bundledLutFolder() {
    return QLXHOST_BUNDLED_LUT_FOLDER;
}

}  // namespace qlxhosttest
