#include "lut/parallel_cube_lut.h"

namespace qlx {

cv::Range parallelCubeLut::bandRows(int band, int height) {
    const int rowsPerBand = height / kBandCount;
    const int first = band * rowsPerBand;
    const int end = band == kBandCount - 1 ? height : first + rowsPerBand;
    return cv::Range(first, end);
}

void parallelCubeLut::operator()(const cv::Range& range) const {
    for (int band = range.start; band < range.end && band < bandCount_; ++band) {
        const cv::Range rows = bandRows(band, dst_->rows);
        if (rows.empty()) continue;
        const cv::Rect area(0, rows.start, dst_->cols, rows.size());
        cv::Mat dstBand = (*dst_)(area);
        const cv::Mat srcBand = (*src_)(area);
        static const LutRowDone none;
        mapLutRows(params_, srcBand, dstBand, rows.start, rowDone_ ? *rowDone_ : none);
    }
}

void mapLutRows(const LutKernelParams& params, const cv::Mat& src, cv::Mat& dst, int firstRow,
                const LutRowDone& rowDone) {
    const int channels = src.channels();
    for (int y = 0; y < src.rows; ++y) {
        mapLutRow(params, src.ptr<std::uint8_t>(y), dst.ptr<std::uint8_t>(y), src.cols, channels);
        if (rowDone) rowDone(firstRow + y);
    }
}

}  // namespace qlx
