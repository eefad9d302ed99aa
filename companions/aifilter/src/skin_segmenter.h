// The learned skin model: a small convolutional network that gives every cell of a quarter-size
// grid a skin logit, run through OpenCV's DNN module.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <string>

namespace qlx::aifilter {

class SkinSegmenter {
  public:
    // The network in `path`, checked by one run on a small picture. Null with `error` saying
    // why when the file is missing, unreadable, no ONNX model or not the skin model.
    static std::unique_ptr<SkinSegmenter> load(const std::string& path, std::string& error);

    // Sides of the pictures run() takes must be multiples of this.
    static constexpr int kSideMultiple = 16;
    // The logits come on a grid this many times coarser than the picture.
    static constexpr int kOutputStride = 4;

    // `bgr`: 8-bit BGR, sides multiples of kSideMultiple. `logits`: CV_32F, one value per
    // kOutputStride x kOutputStride cell; positive means skin. Points into the network's own
    // output, valid until the next run.
    void run(const cv::Mat& bgr, cv::Mat& logits);

  private:
    explicit SkinSegmenter(cv::dnn::Net net) : net_(std::move(net)) {}

    cv::dnn::Net net_;
    cv::Mat blob_, output_;
};

}  // namespace qlx::aifilter
