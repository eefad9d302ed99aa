// The skin filter through its entry points, called directly, and its learned model as a user
// meets it. (That the twelve entry points and nothing else are exported is checked on the dynamic
// symbol table by aifilter_exports_exactly_twelve.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "qlx_ai_filter.h"

namespace {

// A filter instance that is deleted when it goes out of scope.
struct FilterHandle {
    void* handle = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, "");
    FilterHandle() = default;
    FilterHandle(const FilterHandle&) = delete;
    ~FilterHandle() { DeleteNLEAIEffectFilter(&handle); }
    void* get() const { return handle; }
};

// Collects, formatted, what a library reports (from one thread) while the capture lives; `set` is
// that library's SetNLEAIEffectFilterLogCallback.
struct LogCapture {
    inline static std::vector<std::pair<int, std::string>> records;  // level, text
    void (*set)(QLXAiLogCallback);
    explicit LogCapture(void (*setter)(QLXAiLogCallback) = SetNLEAIEffectFilterLogCallback)
        : set(setter) {
        records.clear();
        set([](int level, const char* format, va_list args) {
            char text[1024];
            std::vsnprintf(text, sizeof text, format, args);
            records.push_back({level, text});
        });
    }
    ~LogCapture() { set(nullptr); }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CreateByGuid, OnlyTheExactGuidCreatesReadsBackAndDeletesOthersWarn) {
    const char* refused[] = {"b6812345-039a-49cb-bebb-339eaccd00f0", "not-a-guid-%s%n",
                             "B6812345-039A-49CB-BEBB-339EACCD00F0 ", "", nullptr};
    LogCapture log;
    for (const char* guid : refused) EXPECT_EQ(CreateNLEAIEffectFilterFromGUID(guid, ""), nullptr);
    ASSERT_EQ(log.records.size(), std::size(refused));
    EXPECT_EQ(log.records[1], std::make_pair(3, std::string("qlxAiFilter: no filter with GUID "
                                                            "not-a-guid-%s%n")));
    void* handle = CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, nullptr);
    std::string guid(40, '#');  // read back only with room for the terminator, else untouched
    EXPECT_EQ(NLEEffectFilterGetGUID(handle, guid.data(), 37), QLX_AI_OK);
    EXPECT_EQ(NLEEffectFilterGetGUID(handle, guid.data(), 36), QLX_AI_BAD_ARGUMENT);
    EXPECT_EQ(guid, QLX_AI_SKIN_FILTER_GUID + std::string(1, '\0') + "###");
    DeleteNLEAIEffectFilter(&handle);
    EXPECT_EQ(handle, nullptr);
    DeleteNLEAIEffectFilter(&handle);
    DeleteNLEAIEffectFilter(nullptr);
}

TEST(NullHandle, EveryEntryPointAnswersNonZero) {
    std::uint8_t pixels[64 * 4] = {}, mask[64 * 4] = {};
    double value = 0;
    char text[64];
    for (const int result :
         {NLEEffectFilterTransform(nullptr, mask, 8, 8, 32, nullptr, 0, 0, 0, pixels, 8, 8, 32),
          NLEEffectFilterTransformChannels(nullptr, mask, 8, 8, 32, 4, pixels, 8, 8, 32, 4),
          NLEEffectFilterSetParameter(nullptr, "sensitivity", 0.5),
          NLEEffectFilterGetParameter(nullptr, "sensitivity", &value),
          NLEEffectFilterGetAIResData(nullptr, mask, sizeof mask, nullptr, nullptr),
          NLEEffectFilterGetGUID(nullptr, text, sizeof text),
          NLEEffectFilterSetCurrentTime(nullptr, 1.0), NLEEffectFilterSetTotalTime(nullptr, 1.0),
          NLEEffectFilterSetFrameRate(nullptr, 25.0)})
        EXPECT_NE(result, 0);
}

TEST(Parameters, ValuesInRangeAreStoredAndTheRestRefusedWithoutChange) {
    const std::tuple<const char*, double, bool> cases[] = {
        {"sensitivity", 0.0, true}, {"sensitivity", 1.0, true}, {"sensitivity", kNaN, false},
        {"feather", 10.0, true},    {"feather", -0.5, false},   {"Sensitivity", 0.5, false},
        {"currentTime", 1.0, false}};
    FilterHandle filter;
    for (const auto& [name, value, accepted] : cases) {
        double before = kNaN, after = kNaN;
        NLEEffectFilterGetParameter(filter.get(), name, &before);
        EXPECT_EQ(NLEEffectFilterSetParameter(filter.get(), name, value),
                  accepted ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT)
            << name << " " << value;
        NLEEffectFilterGetParameter(filter.get(), name, &after);
        EXPECT_TRUE(after == (accepted ? value : before) || std::isnan(before)) << name;
    }
    EXPECT_EQ(NLEEffectFilterSetParameter(filter.get(), nullptr, 0.5), QLX_AI_BAD_ARGUMENT);
    EXPECT_EQ(NLEEffectFilterGetParameter(filter.get(), "feather", nullptr), QLX_AI_BAD_ARGUMENT);
}

// Sizes, pitches, buffers and channel counts that the transform must refuse, with a warning,
// before it touches any memory, and the unusual but valid shapes it must accept and write only
// within.
constexpr std::uint8_t kUntouched = 0xCD;

struct Call {
    bool valid;
    bool nullDst = false;
    int width = 8, height = 8, dstPitch = 32, dstChannels = 4;
    bool nullSrc = false;
    int srcWidth = 8, srcHeight = 8, srcPitch = 32, srcChannels = 4;
};

Call call(bool valid, void (*change)(Call&)) {
    Call c{valid};
    change(c);
    return c;
}

const Call kCalls[] = {
    call(false, [](Call& c) { c.nullDst = true; }),
    call(false, [](Call& c) { c.nullSrc = true; }),
    call(false, [](Call& c) { c.width = 0; }),
    call(false, [](Call& c) { c.height = -8; }),
    call(false, [](Call& c) { c.width = QLX_AI_MAX_SIDE + 1, c.height = 1; }),
    call(false, [](Call& c) { c.width = INT_MAX, c.dstPitch = INT_MAX; }),
    call(false, [](Call& c) { c.dstPitch = 31; }),
    call(false, [](Call& c) { c.srcWidth = 0; }),
    call(false, [](Call& c) { c.srcHeight = QLX_AI_MAX_SIDE + 1; }),
    call(false, [](Call& c) { c.srcPitch = -32; }),
    call(false, [](Call& c) { c.srcChannels = 3, c.srcPitch = 23; }),
    call(false, [](Call& c) { c.srcChannels = 5; }),
    call(false, [](Call& c) { c.dstChannels = 3; }),
    call(false, [](Call& c) { c.dstChannels = 1, c.dstPitch = 7; }),
    call(true, [](Call& c) { c.width = c.height = c.srcWidth = c.srcHeight = 1; }),
    call(true, [](Call& c) { c.dstPitch = 40, c.srcPitch = 44; }),
    call(true, [](Call& c) { c.width = 30, c.height = 20, c.dstPitch = 124; }),
    call(true, [](Call& c) { c.srcWidth = 100, c.srcHeight = 60, c.srcPitch = 512; }),
    call(true, [](Call& c) { c.srcChannels = 3, c.srcPitch = 24; }),
    call(true, [](Call& c) { c.dstChannels = 1, c.dstPitch = 9; }),
    call(true, [](Call& c) { c.width = QLX_AI_MAX_SIDE, c.height = 1, c.dstPitch = 1 << 16; })};

// The destination is far larger than any accepted call could write, so a call that wrote where
// it must not is seen in the bytes rather than as a crash.
TEST(Transform, RefusesBadShapesUntouchedAndWritesValidOnesOnlyWithinTheirRows) {
    const std::vector<std::uint8_t> src(128 * 128 * 4, 150);
    for (size_t i = 0; i < std::size(kCalls); ++i) {
        const Call& c = kCalls[i];
        FilterHandle filter;
        std::vector<std::uint8_t> dst(1 << 16, kUntouched);
        LogCapture log;  // each refusal warns once
        const int result = NLEEffectFilterTransformChannels(
            filter.get(), c.nullDst ? nullptr : dst.data(), c.width, c.height, c.dstPitch,
            c.dstChannels, c.nullSrc ? nullptr : src.data(), c.srcWidth, c.srcHeight, c.srcPitch,
            c.srcChannels);
        ASSERT_EQ(result, c.valid ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT) << "case " << i;
        EXPECT_EQ(log.records.size(), c.valid ? 0u : 1u) << "case " << i;
        EXPECT_EQ(NLEEffectFilterGetAIResData(filter.get(), nullptr, 0, nullptr, nullptr), result);
        const long rowBytes = c.valid ? c.width * c.dstChannels : 0;
        for (int y = 0; c.valid && y < c.height; ++y) {
            const auto row = dst.begin() + static_cast<long>(y) * c.dstPitch;
            EXPECT_LT(std::count(row, row + rowBytes, kUntouched), rowBytes) << i << " row " << y;
            EXPECT_EQ(std::count(row + rowBytes, row + c.dstPitch, kUntouched),
                      c.dstPitch - rowBytes);
        }
        const auto end = dst.begin() + (c.valid ? (c.height - 1L) * c.dstPitch + rowBytes : 0);
        EXPECT_EQ(std::count(end, dst.end(), kUntouched), dst.end() - end) << "case " << i;
    }
}

namespace fs = std::filesystem;

cv::Mat weightsOf(void* filter, const cv::Mat& bgr) {
    cv::Mat weights(bgr.size(), CV_8UC1);
    EXPECT_EQ(NLEEffectFilterTransformChannels(filter, weights.data, bgr.cols, bgr.rows, bgr.cols,
                                               1, bgr.data, bgr.cols, bgr.rows,
                                               static_cast<int>(bgr.step), 3),
              QLX_AI_OK);
    return weights;
}

// Every held-out photo (never trained on), weight >= 128 taken as skin: the model as shipped
// scores a pooled F1 of 0.79 (the colour rule 0.33) and a recall of 0.67 to 0.80 per tone bin.
TEST(HeldOutPhotos, SkinIsFoundInEveryToneBin) {
    const std::string set = QLX_TESTDATA_DIR "/skin/ccp/";
    if (!fs::is_directory(set)) GTEST_SKIP() << "no skin photos in " << set;
    std::ifstream list(QLX_AIFILTER_SOURCE_DIR "/train/validation.txt");
    std::map<std::string, std::array<double, 3>> counts;  // per tone bin: tp, fp, fn
    FilterHandle filter;
    for (std::string stem, bin; list >> stem >> bin;) {
        const cv::Mat truth = cv::imread(set + "masks/" + stem + ".png", cv::IMREAD_GRAYSCALE);
        const cv::Mat found = weightsOf(filter.get(), cv::imread(set + "images/" + stem + ".jpg"));
        auto& [tp, fp, fn] = counts[bin];
        tp += cv::countNonZero((found >= 128) & (truth >= 128));
        fp += cv::countNonZero((found >= 128) & (truth < 128));
        fn += cv::countNonZero((found < 128) & (truth >= 128));
    }
    ASSERT_EQ(counts.size(), 6u) << "held-out photos of six tone bins";
    double tp = 0, fp = 0, fn = 0;
    for (const auto& [bin, c] : counts) {
        EXPECT_GT(c[0] / (c[0] + c[2]), 0.55) << bin << " recall";
        tp += c[0], fp += c[1], fn += c[2];
    }
    EXPECT_GT(2 * tp / (2 * tp + fp + fn), 0.72) << "tp " << tp << " fp " << fp << " fn " << fn;
}

cv::Mat texturedPicture(int width, int height) {
    cv::Mat picture(height, width, CV_8UC3);
    cv::randu(picture, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(picture, picture, cv::Size(), 5);
    cv::circle(picture, {width / 2, height / 3}, height / 5, cv::Scalar(120, 150, 205), cv::FILLED);
    return picture;
}

// The weight-only mask of a BGR source is the reference: the same handle called from several
// threads, another handle run with OpenCV on one thread giving the 4-byte mask of the picture as
// BGRA, and the read-back of its last result all carry the same bytes.
TEST(Determinism, EveryHandleThreadAndFormOfTheResultCarriesTheSameWeights) {
    const cv::Mat bgr = texturedPicture(1280, 720);
    FilterHandle shared, other;
    const cv::Mat reference = weightsOf(shared.get(), bgr);
    std::vector<cv::Mat> results(4);
    std::vector<std::thread> workers;
    for (size_t t = 0; t < results.size(); ++t)
        workers.emplace_back([&, t] { results[t] = weightsOf(shared.get(), bgr); });
    for (auto& worker : workers) worker.join();
    cv::Mat bgra, mask(bgr.size(), CV_8UC4), readBack(bgr.size(), CV_8UC1), fourWeights;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    ASSERT_EQ(NLEEffectFilterTransform(other.get(), mask.data, 1280, 720, 5120, nullptr, 0, 0, 0,
                                       bgra.data, 1280, 720, 5120),
              QLX_AI_OK);
    cv::setNumThreads(threads);
    int32_t w = 0, h = 0;
    ASSERT_EQ(NLEEffectFilterGetAIResData(other.get(), readBack.data, 1280 * 720 - 1, &w, &h), 2);
    ASSERT_EQ(NLEEffectFilterGetAIResData(other.get(), readBack.data, 1280 * 720, &w, &h), 0);
    EXPECT_EQ(cv::Size(w, h), bgr.size());
    results.push_back(readBack);
    cv::merge(std::vector<cv::Mat>(4, reference), fourWeights);
    EXPECT_EQ(cv::norm(mask, fourWeights, cv::NORM_INF), 0);
    for (const cv::Mat& result : results) EXPECT_EQ(cv::norm(reference, result, cv::NORM_INF), 0);
}

TEST(Sensitivity, HigherValuesFindMoreSkin) {
    const cv::Mat picture = texturedPicture(320, 240);
    FilterHandle filter;
    const auto meanAt = [&](double sensitivity) {
        EXPECT_EQ(NLEEffectFilterSetParameter(filter.get(), "sensitivity", sensitivity), 0);
        return cv::mean(weightsOf(filter.get(), picture))[0];
    };
    EXPECT_LT(meanAt(0.0), meanAt(0.5));
    EXPECT_LT(meanAt(0.5), meanAt(1.0));
}

void expectOneErrorNaming(const fs::path& model) {
    const auto& log = LogCapture::records;
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].first == 4 &&
                log[0].second.find("skin model " + model.string() + " could not be loaded") !=
                    std::string::npos)
        << log[0].second;
}

// A damaged model in the resource folder, and a copy of the library without its model beside it.
TEST(ModelFile, DamagedOrMissingModelFailsCreationWithAnError) {
    const fs::path folder = fs::temp_directory_path() /
                            ("qlx_aifilter_model_" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    std::ifstream shipped(fs::path(QLX_AI_FILTER_PATH).parent_path() / "qlxSkinSegmenter.onnx",
                          std::ios::binary);
    const std::string model((std::istreambuf_iterator<char>(shipped)), {});
    std::string flipped = model;
    for (size_t i = 0; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(~flipped[i]);
    const fs::path path = folder / "qlxSkinSegmenter.onnx";
    for (const std::string& bytes :
         {std::string(), std::string("not a model"), model.substr(0, model.size() / 2), flipped}) {
        std::ofstream(path, std::ios::binary) << bytes;
        LogCapture log;
        EXPECT_EQ(CreateNLEAIEffectFilterFromGUID(QLX_AI_SKIN_FILTER_GUID, folder.c_str()), nullptr)
            << bytes.size() << " bytes";
        expectOneErrorNaming(path);
    }
    fs::remove(path);
    const fs::path library = folder / fs::path(QLX_AI_FILTER_PATH).filename();
    fs::copy_file(QLX_AI_FILTER_PATH, library);
    void* copy = qlx::platform::loadLibrary(library.string());
    ASSERT_NE(copy, nullptr);
    auto create = reinterpret_cast<decltype(&CreateNLEAIEffectFilterFromGUID)>(
        qlx::platform::findSymbol(copy, "CreateNLEAIEffectFilterFromGUID"));
    {
        LogCapture log(reinterpret_cast<void (*)(QLXAiLogCallback)>(
            qlx::platform::findSymbol(copy, "SetNLEAIEffectFilterLogCallback")));
        EXPECT_EQ(create(QLX_AI_SKIN_FILTER_GUID, ""), nullptr);
        expectOneErrorNaming(path);
    }
    qlx::platform::freeLibrary(copy);
    fs::remove_all(folder);
}

}  // namespace
