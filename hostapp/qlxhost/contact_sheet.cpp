#include "contact_sheet.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace qlxhost::cli {
namespace {

constexpr int kTileWidth = 384, kTileHeight = 256, kLabelHeight = 30, kGap = 12;
constexpr int kTitleHeight = 44, kColumns = 4;
constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
const cv::Scalar kBackground(40, 40, 40, 255), kText(235, 235, 235, 255);

// The Hershey fonts draw ASCII only; other bytes would come out as garbage.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x80 && c < 0xC0) continue;  // UTF-8 continuation: one '?' per character
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return out;
}

// Cuts `text` with "..." until it fits `width` pixels at `scale`.
std::string fitted(std::string text, double scale, int width) {
    int baseline = 0;
    while (text.size() > 3 && cv::getTextSize(text, kFont, scale, 1, &baseline).width > width) {
        text.erase(text.size() - 4);
        text += "...";
    }
    return text;
}

}  // namespace

cv::Mat makeContactSheet(const std::string& title, const std::vector<ContactTile>& tiles) {
    const int columns = std::max(1, std::min(kColumns, static_cast<int>(tiles.size())));
    const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    const int width = kGap + columns * (kTileWidth + kGap);
    const int height = kTitleHeight + rows * (kTileHeight + kLabelHeight + kGap) + kGap;
    cv::Mat sheet(height, width, CV_8UC4, kBackground);
    cv::putText(sheet, fitted(printable(title), 0.8, width - 2 * kGap), cv::Point(kGap, 30), kFont,
                0.8, kText, 2, cv::LINE_AA);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const int x = kGap + static_cast<int>(i % columns) * (kTileWidth + kGap);
        const int y =
            kTitleHeight + static_cast<int>(i / columns) * (kTileHeight + kLabelHeight + kGap);
        cv::resize(tiles[i].picture, sheet(cv::Rect(x, y, kTileWidth, kTileHeight)),
                   cv::Size(kTileWidth, kTileHeight), 0, 0, cv::INTER_AREA);
        cv::putText(sheet, fitted(printable(tiles[i].label), 0.6, kTileWidth),
                    cv::Point(x, y + kTileHeight + 21), kFont, 0.6, kText, 1, cv::LINE_AA);
    }
    return sheet;
}

}  // namespace qlxhost::cli
