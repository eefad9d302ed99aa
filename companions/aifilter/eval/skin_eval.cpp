// Measures the skin filter on photos, through the exported entry points.
//
//   skin_eval <photo folder> <existing output folder>
//       mean mask weight per photo, and each mask written as <photo>_mask.png
//   skin_eval --score <photo folder> <mask folder> <stem list>
//       pooled precision, recall, F1 and IoU at weight >= 128 against reference masks
//       (<mask folder>/<stem>.png, 255 = skin), overall and per tone bin; the stem list holds
//       one "stem<TAB>bin" per line
//   skin_eval --still <photo> [frames]
//       a still clip made from the photo with small camera noise (sigma 2 levels): mean absolute
//       change of the mask weight from one frame to the next
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "qlx_ai_filter.h"

namespace {

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
    if (bgr.empty()) return cv::Mat();
    cv::Mat bgra, mask(bgr.size(), CV_8UC4), weights;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    const int status = NLEEffectFilterTransform(
        filter, mask.data, mask.cols, mask.rows, static_cast<int32_t>(mask.step), nullptr, 0, 0, 0,
        bgra.data, bgra.cols, bgra.rows, static_cast<int32_t>(bgra.step));
    if (status != QLX_AI_OK) return cv::Mat();
    cv::extractChannel(mask, weights, 3);
    return weights;
}

int writeMasks(void* filter, const std::string& photoFolder, const std::string& outFolder) {
    int failures = 0;
    std::printf("%-44s %9s %10s %9s\n", "photo", "size", "mean(0-255)", "skin>50%");
    for (const std::string& path : photosIn(photoFolder)) {
        const std::string name = fileName(path);
        const cv::Mat weights = skinWeights(filter, cv::imread(path, cv::IMREAD_COLOR));
        const std::string maskPath = outFolder + "/" + stem(name) + "_mask.png";
        if (weights.empty() || !cv::imwrite(maskPath, weights)) {
            std::fprintf(stderr, "%s: failed (read, segment or write %s)\n", name.c_str(),
                         maskPath.c_str());
            ++failures;
            continue;
        }
        const double covered = cv::countNonZero(weights > 127) * 100.0 / weights.total();
        std::printf("%-44s %4dx%-4d %10.1f %8.1f%%\n", name.c_str(), weights.cols, weights.rows,
                    cv::mean(weights)[0], covered);
    }
    return failures;
}

struct Counts {
    double tp = 0, fp = 0, fn = 0;
    void add(const Counts& o) { tp += o.tp, fp += o.fp, fn += o.fn; }
    void print(const std::string& label, int photos) const {
        const double p = tp / std::max(1.0, tp + fp), r = tp / std::max(1.0, tp + fn);
        std::printf("%-14s %6d %9.3f %7.3f %7.3f %7.3f\n", label.c_str(), photos, p, r,
                    p + r > 0 ? 2 * p * r / (p + r) : 0.0, tp / std::max(1.0, tp + fp + fn));
    }
};

Counts countAgainst(const cv::Mat& weights, const cv::Mat& reference) {
    const cv::Mat found = weights >= 128, skin = reference >= 128;
    Counts c;
    c.tp = cv::countNonZero(found & skin);
    c.fp = cv::countNonZero(found & ~skin);
    c.fn = cv::countNonZero(~found & skin);
    return c;
}

cv::Mat readPhoto(const std::string& folder, const std::string& name) {
    for (const char* ext : {".jpg", ".png", ".jpeg"}) {
        const std::string path = folder + "/" + name + ext;
        if (std::ifstream(path).good()) return cv::imread(path, cv::IMREAD_COLOR);
    }
    return cv::Mat();
}

int score(void* filter, const std::string& photos, const std::string& masks,
          const std::string& stemList) {
    std::ifstream list(stemList);
    std::map<std::string, Counts> perBin;
    std::map<std::string, int> photosPerBin;
    Counts all;
    int count = 0, failures = 0;
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string name, bin = "-";
        if (!(fields >> name)) continue;
        fields >> bin;
        const cv::Mat weights = skinWeights(filter, readPhoto(photos, name));
        const cv::Mat reference = cv::imread(masks + "/" + name + ".png", cv::IMREAD_GRAYSCALE);
        if (weights.empty() || reference.size() != weights.size()) {
            std::fprintf(stderr, "%s: photo or mask missing or of another size\n", name.c_str());
            ++failures;
            continue;
        }
        const Counts c = countAgainst(weights, reference);
        perBin[bin].add(c);
        ++photosPerBin[bin];
        all.add(c);
        ++count;
    }
    std::printf("%-14s %6s %9s %7s %7s %7s\n", "tone bin", "photos", "precision", "recall", "F1",
                "IoU");
    for (const auto& [bin, counts] : perBin) counts.print(bin, photosPerBin[bin]);
    all.print("pooled", count);
    return count == 0 ? 1 : failures;
}

int still(void* filter, const std::string& photoPath, int frames) {
    const cv::Mat photo = cv::imread(photoPath, cv::IMREAD_COLOR);
    if (photo.empty()) return 1;
    cv::Mat previous;
    double changeSum = 0;
    for (int frame = 0; frame < frames; ++frame) {
        cv::Mat noise(photo.size(), CV_16SC3), noisy;
        cv::RNG(0x5eed + frame).fill(noise, cv::RNG::NORMAL, 0.0, 2.0);
        photo.convertTo(noisy, CV_16SC3);
        cv::Mat(noisy + noise).convertTo(noisy, CV_8UC3);
        const cv::Mat weights = skinWeights(filter, noisy);
        if (weights.empty()) return 1;
        if (!previous.empty()) {
            cv::Mat change;
            cv::absdiff(weights, previous, change);
            changeSum += cv::mean(change)[0];
        }
        previous = weights;
    }
    std::printf("%s: %d noisy frames, mean abs frame-to-frame mask change %.3f levels\n",
                fileName(photoPath).c_str(), frames, changeSum / (frames - 1));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool valid = (mode == "--score" && argc == 5) || (mode == "--still" && argc >= 3) ||
                       (mode.rfind("--", 0) != 0 && argc == 3);
    if (!valid) {
        std::fprintf(stderr,
                     "usage: %s <photo folder> <existing output folder>\n"
                     "       %s --score <photo folder> <mask folder> <stem list>\n"
                     "       %s --still <photo> [frames]\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    void* filter = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, nullptr);
    if (filter == nullptr) {
        std::fprintf(stderr, "the skin filter could not be created\n");
        return 1;
    }
    int result = 0;
    if (mode == "--score") {
        result = score(filter, argv[2], argv[3], argv[4]);
    } else if (mode == "--still") {
        result = still(filter, argv[2], argc > 3 ? std::max(2, std::atoi(argv[3])) : 30);
    } else {
        result = writeMasks(filter, argv[1], argv[2]);
    }
    DeleteNLEAIEffectFilter(&filter);
    return result == 0 ? 0 : 1;
}
