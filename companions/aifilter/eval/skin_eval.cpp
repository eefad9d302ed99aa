// Runs the skin filter over every photo of a folder, prints the mean mask weight of each photo
// and of the photos with and without people, and writes each mask as a grey PNG.
//
//   skin_eval <photo folder> <existing output folder>
#include <cstdio>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "qlx_ai_filter.h"

namespace {

struct GroupScore {
    double sum = 0.0;
    int count = 0;
    double mean() const { return count > 0 ? sum / count : 0.0; }
};

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stem(const std::string& name) {
    return name.substr(0, name.find_last_of('.'));
}

std::vector<std::string> photosIn(const std::string& folder) {
    std::vector<std::string> photos, found;
    for (const char* pattern : {"/*.png", "/*.jpg", "/*.jpeg"}) {
        cv::glob(folder + pattern, found, false);
        photos.insert(photos.end(), found.begin(), found.end());
    }
    std::sort(photos.begin(), photos.end());
    return photos;
}

// Mask of one photo: the weight plane (byte 3 of every mask pixel). Empty on failure.
cv::Mat skinWeights(void* filter, const cv::Mat& bgr) {
    cv::Mat bgra, mask(bgr.size(), CV_8UC4), weights;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    const int status = NLEEffectFilterTransform(
        filter, mask.data, mask.cols, mask.rows, static_cast<int32_t>(mask.step), nullptr, 0, 0, 0,
        bgra.data, bgra.cols, bgra.rows, static_cast<int32_t>(bgra.step));
    if (status != QLX_AI_OK) return cv::Mat();
    cv::extractChannel(mask, weights, 3);
    return weights;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <photo folder> <existing output folder>\n", argv[0]);
        return 2;
    }
    const std::string outFolder = argv[2];
    void* filter = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, nullptr);
    const std::vector<std::string> photos = photosIn(argv[1]);
    if (filter == nullptr || photos.empty()) {
        std::fprintf(stderr, "no filter or no photos in %s\n", argv[1]);
        return 1;
    }
    GroupScore people, noPeople;
    int failures = 0;
    std::printf("%-44s %9s %10s %9s\n", "photo", "size", "mean(0-255)", "skin>50%");
    for (const std::string& path : photos) {
        const std::string name = fileName(path);
        const cv::Mat weights = skinWeights(filter, cv::imread(path, cv::IMREAD_COLOR));
        const std::string maskPath = outFolder + "/" + stem(name) + "_mask.png";
        if (weights.empty() || !cv::imwrite(maskPath, weights)) {
            std::fprintf(stderr, "%s: failed (read, segment or write %s)\n", name.c_str(),
                         maskPath.c_str());
            ++failures;
            continue;
        }
        const double mean = cv::mean(weights)[0];
        const double covered = cv::countNonZero(weights > 127) * 100.0 / weights.total();
        std::printf("%-44s %4dx%-4d %10.1f %8.1f%%\n", name.c_str(), weights.cols, weights.rows,
                    mean, covered);
        GroupScore& group = name.rfind("nopeople_", 0) == 0 ? noPeople : people;
        group.sum += mean;
        ++group.count;
    }
    std::printf("people   (%d): mean weight %.1f\n", people.count, people.mean());
    std::printf("nopeople (%d): mean weight %.1f\n", noPeople.count, noPeople.mean());
    DeleteNLEAIEffectFilter(&filter);
    return failures == 0 ? 0 : 1;
}
