// The row bands of one LUT application, spread over OpenCV's thread pool.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

#include "lut/lut_kernel.h"

namespace qlx {

class parallelCubeLut : public cv::ParallelLoopBody {
  public:
    static constexpr int kBandCount = 8;

    parallelCubeLut(cv::Mat* dst, cv::Mat* src, const LutKernelParams& params,
                    const LutRowDone* rowDone = nullptr)
        : dst_(dst), src_(src), params_(params), rowDone_(rowDone) {}

    // Maps every pixel of the bands [range.start, range.end).
    void operator()(const cv::Range& range) const override;

    // Rows of band `band` (0 to 7) of an image `height` rows high: ⌊height ÷ 8⌋
    // rows each, the last band also taking the remainder.
    static cv::Range bandRows(int band, int height);

  private:
    cv::Mat* dst_;
    cv::Mat* src_;
    int bandCount_ = kBandCount;
    LutKernelParams params_;
    const LutRowDone* rowDone_;
};

// Maps every row of `src` into `dst` (same size and channel count); rows are
// numbered from `firstRow` for `rowDone`.
void mapLutRows(const LutKernelParams& params, const cv::Mat& src, cv::Mat& dst, int firstRow = 0,
                const LutRowDone& rowDone = nullptr);

}  // namespace qlx
