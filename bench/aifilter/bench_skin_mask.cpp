// Skin mask cost per frame: a portrait photo scaled to each frame size (a smooth synthetic
// picture when the test photos are absent), BGRA in, 4-byte mask out, as the LUT plugin calls it.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "qlx_ai_filter.h"

namespace {

cv::Mat frameOfSize(int width, int height) {
    cv::Mat photo = cv::imread(QLX_TESTDATA_DIR "/images/people_max_luciano.png", cv::IMREAD_COLOR);
    if (photo.empty()) {
        photo.create(256, 256, CV_8UC3);
        photo.forEach<cv::Vec3b>([](cv::Vec3b& p, const int* pos) {
            p = cv::Vec3b(static_cast<uchar>(pos[1]), static_cast<uchar>(pos[0]), 160);
        });
    }
    cv::Mat frame;
    cv::resize(photo, frame, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
    cv::cvtColor(frame, frame, cv::COLOR_BGR2BGRA);
    return frame;
}

void BM_SkinMask(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int threads = static_cast<int>(state.range(2));
    const int savedThreads = cv::getNumThreads();
    if (threads > 0) cv::setNumThreads(threads);
    const cv::Mat frame = frameOfSize(width, height);
    cv::Mat mask(height, width, CV_8UC4);
    void* filter = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, nullptr);
    if (filter == nullptr) {
        state.SkipWithError("no skin filter (is qlxSkinSegmenter.onnx beside the library?)");
        return;
    }
    for (auto _ : state) {
        const int status = NLEEffectFilterTransform(
            filter, mask.data, width, height, static_cast<int32_t>(mask.step), nullptr, 0, 0, 0,
            frame.data, width, height, static_cast<int32_t>(frame.step));
        if (status != QLX_AI_OK) state.SkipWithError("transform failed");
        benchmark::DoNotOptimize(mask.data);
    }
    DeleteNLEAIEffectFilter(&filter);
    cv::setNumThreads(savedThreads);
    state.counters["Mpix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * width * height / 1e6,
                           benchmark::Counter::kIsRate);
}

// Arguments: width, height, OpenCV threads (0: OpenCV's default pool; 1: one core).
BENCHMARK(BM_SkinMask)
    ->Args({1280, 720, 1})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
