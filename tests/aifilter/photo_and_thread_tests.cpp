// The model on real photos (people score above scenes without people) and the filter under
// concurrent use.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <thread>
#include <vector>

#include "ai_filter_api.h"

namespace qlxtest {
namespace {

const std::string kPhotoFolder = QLX_TESTDATA_DIR "/images";

std::vector<std::uint8_t> bgraOf(const cv::Mat& bgr) {
    cv::Mat bgra;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    return std::vector<std::uint8_t>(bgra.datastart, bgra.dataend);
}

double meanWeight(void* filter, const std::string& path) {
    const cv::Mat photo = cv::imread(path, cv::IMREAD_COLOR);
    EXPECT_FALSE(photo.empty()) << path;
    if (photo.empty()) return 0.0;
    const auto mask = maskOf(filter, bgraOf(photo), photo.cols, photo.rows);
    double sum = 0.0;
    for (size_t i = 3; i < mask.size(); i += 4) sum += mask[i];
    return sum / (mask.size() / 4);
}

std::vector<cv::String> photos(const std::string& prefix) {
    std::vector<cv::String> found, all;
    // The corpus lives beside the repository and may be absent (a bare clone).
    if (!std::filesystem::is_directory(kPhotoFolder)) return all;
    for (const char* ext : {".png", ".jpg", ".jpeg"}) {
        cv::glob(kPhotoFolder + "/" + prefix + "*" + ext, found, false);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

TEST(Photos, PeopleScoreAboveScenesWithoutPeople) {
    if (photos("").empty()) GTEST_SKIP() << "no test photos in " << kPhotoFolder;
    FilterHandle filter;
    double people = 0.0, noPeople = 0.0;
    const auto withPeople = photos("people_"), without = photos("nopeople_");
    ASSERT_FALSE(withPeople.empty());
    ASSERT_FALSE(without.empty());
    for (const auto& path : withPeople) {
        const double mean = meanWeight(filter.get(), path);
        EXPECT_GT(mean, 10.0) << "hardly any skin found in " << path;
        people += mean / withPeople.size();
    }
    for (const auto& path : without) noPeople += meanWeight(filter.get(), path) / without.size();
    EXPECT_GT(people, noPeople);
}

// Distinct frames: a skin rectangle at a different place in each.
std::vector<std::vector<std::uint8_t>> distinctFrames(int count, int width, int height) {
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < count; ++i) {
        cv::Mat frame(height, width, CV_8UC4, cv::Scalar(220, 80, 30, 255));
        cv::rectangle(frame, cv::Rect(10 + 7 * i, 5 + 3 * i, 60, 40),
                      cv::Scalar(140, 172, 224, 255), cv::FILLED);
        frames.emplace_back(frame.datastart, frame.dataend);
    }
    return frames;
}

struct ThreadCase {
    const char* label;
    bool sharedHandle;
};

class ConcurrentUse : public ::testing::TestWithParam<ThreadCase> {};

TEST_P(ConcurrentUse, GivesTheSameMasksAsOneThread) {
    const int width = 400, height = 300, threads = 4, rounds = 6;
    const auto frames = distinctFrames(threads, width, height);
    std::vector<std::vector<std::uint8_t>> expected;
    {
        FilterHandle reference;
        for (const auto& frame : frames)
            expected.push_back(maskOf(reference.get(), frame, width, height));
    }
    FilterHandle shared;
    std::vector<std::vector<std::uint8_t>> results(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            FilterHandle own;
            void* filter = GetParam().sharedHandle ? shared.get() : own.get();
            for (int r = 0; r < rounds; ++r) {
                results[t] = std::vector<std::uint8_t>(frames[t].size());
                aiFilterApi().transform(filter, results[t].data(), width, height, width * 4,
                                        nullptr, 0, 0, 0, frames[t].data(), width, height,
                                        width * 4);
                if (results[t] != expected[t]) return;
            }
        });
    }
    for (auto& worker : workers) worker.join();
    for (int t = 0; t < threads; ++t) EXPECT_TRUE(results[t] == expected[t]) << "thread " << t;
}

INSTANTIATE_TEST_SUITE_P(Handles, ConcurrentUse,
                         ::testing::Values(ThreadCase{"oneHandlePerThread", false},
                                           ThreadCase{"oneHandleForAll", true}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qlxtest
