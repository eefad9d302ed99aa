#include "skin_segmenter.h"

#include <vector>

#include "model_file.h"

namespace qlx::aifilter {

std::unique_ptr<SkinSegmenter> SkinSegmenter::load(const std::string& path, std::string& error) {
    std::vector<char> bytes;
    if (!readModelFile(path, bytes, error)) return nullptr;
    try {
        cv::dnn::Net net = cv::dnn::readNetFromONNX(bytes.data(), bytes.size());
        if (net.empty()) {
            error = "no network in the file";
            return nullptr;
        }
        net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
        std::unique_ptr<SkinSegmenter> segmenter(new SkinSegmenter(std::move(net)));
        const cv::Mat probe(2 * kSideMultiple, 2 * kSideMultiple, CV_8UC3, cv::Scalar::all(128));
        cv::Mat logits;
        segmenter->run(probe, logits);
        const cv::Size expected(probe.cols / kOutputStride, probe.rows / kOutputStride);
        if (logits.size() != expected || cv::checkRange(logits) == false) {
            error = "the network does not give one skin logit per 4 x 4 cell";
            return nullptr;
        }
        return segmenter;
    } catch (const cv::Exception& e) {
        error = e.what();
        return nullptr;
    }
}

void SkinSegmenter::run(const cv::Mat& bgr, cv::Mat& logits) {
    cv::dnn::blobFromImage(bgr, blob_, 1.0 / 255.0, cv::Size(), cv::Scalar(), false, false, CV_32F);
    net_.setInput(blob_);
    output_ = net_.forward();
    if (output_.dims != 4 || output_.size[0] != 1 || output_.size[1] != 1) {
        logits.release();
        return;
    }
    logits = cv::Mat(output_.size[2], output_.size[3], CV_32F, output_.ptr<float>());
}

}  // namespace qlx::aifilter
