// Application of the grid form to an 8-bit image, on the calling thread for
// small images and in eight row bands over OpenCV's thread pool otherwise.
#include <opencv2/core.hpp>

#include "lut/blend_tables.h"
#include "lut/cube_lut.h"
#include "lut/lut_fast_grid.h"
#include "lut/parallel_cube_lut.h"

namespace qlx {

namespace {

constexpr long long kCallingThreadPixels = 10000;

}  // namespace

int CubeLut::apply(std::uint8_t* dst, int dstPitch, const std::uint8_t* src, int width, int height,
                   int srcPitch, int channels, const LutRowDone& rowDone) {
    status = kLutLoaded;
    if (static_cast<unsigned>(size_ - 1) > static_cast<unsigned>(kGridDim - 1)) return kLutBadSize;
    if (channels != 3 && channels != 4) return status;

    const int type = channels == 3 ? CV_8UC3 : CV_8UC4;
    cv::Mat dstView(height, width, type, dst, static_cast<std::size_t>(dstPitch));
    cv::Mat srcView(height, width, type, const_cast<std::uint8_t*>(src),
                    static_cast<std::size_t>(srcPitch));

    LutKernelParams params;
    params.size = size_;
    params.fraction = fraction_;
    params.index = index_;
    params.grid = grid_;
    // Only a grid that a successful grid load produced has tables that match
    // it; anything else is mapped by the scalar kernel straight from the grid.
    if (gridLoaded_) fastGrid_.prepare(grid_, size_, params);
    params.mulTable = BlendTables::instance().mulTable();

    if (static_cast<long long>(width) * height <= kCallingThreadPixels) {
        mapLutRows(params, srcView, dstView, 0, rowDone);
    } else {
        cv::parallel_for_(cv::Range(0, parallelCubeLut::kBandCount),
                          parallelCubeLut(&dstView, &srcView, params, &rowDone),
                          cv::getNumThreads());
    }
    return status;
}

}  // namespace qlx
