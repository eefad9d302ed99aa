// Frames rendered on the CPU through the built plugin and the host kit, byte
// for byte against the LUT engine's apply and the blend formulas.
#include <dlfcn.h>

#include "effect_fixture.h"

namespace {

using namespace qlxtest;

struct FrameCase {
    int width, height, inExtraColumns, outExtraPitch, alpha;
};

class CpuFrames : public EffectTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(CpuFrames, EqualApplyThenStrengthBlend) {
    const FrameCase c = GetParam();
    createEffect(kLookGuid);
    update(c.alpha, 0);
    // Input rows padded by columns outside the frame.
    const cv::Mat input =
        testPicture(c.width + c.inExtraColumns, c.height, 11)(cv::Rect(0, 0, c.width, c.height));
    const cv::Mat want = blended(input, applied(input, lutFile), c.alpha, 0, cv::Mat());
    EXPECT_TRUE(sameBytes(render(input, c.outExtraPitch), want));
}

INSTANTIATE_TEST_SUITE_P(StrengthsSizesPitches, CpuFrames,
                         ::testing::Values(FrameCase{125, 80, 0, 0, 50},
                                           FrameCase{99, 101, 3, 8, 37},
                                           FrameCase{320, 181, 0, 4, 100},
                                           FrameCase{64, 3, 0, 0, 0}, FrameCase{257, 40, 2, 12, 1},
                                           FrameCase{1, 1, 0, 0, 99}));

// The segmentation plugin's own mask for `input`, asked directly.
cv::Mat segmentationMask(const cv::Mat& input) {
    const std::string path = std::string(QLX_BIN_DIR) + "/qlxAiFilterPlugin.qlx";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return cv::Mat();
    using Create = void* (*)(const char*, const char*);
    using Delete = void (*)(void**);
    using Transform = int (*)(void*, std::uint8_t*, int, int, int, void*, int, int, int,
                              const std::uint8_t*, int, int, int);
    auto create = reinterpret_cast<Create>(dlsym(library, "CreateNLEAIEffectFilterFromGUID"));
    auto destroy = reinterpret_cast<Delete>(dlsym(library, "DeleteNLEAIEffectFilter"));
    auto transform = reinterpret_cast<Transform>(dlsym(library, "NLEEffectFilterTransform"));
    void* filter = create("B6812345-039A-49CB-BEBB-339EACCD00F0", "");
    cv::Mat mask(input.rows, input.cols, CV_8UC4);
    const int status =
        transform(filter, mask.data, input.cols, input.rows, static_cast<int>(mask.step), nullptr,
                  0, 0, 0, input.data, input.cols, input.rows, static_cast<int>(input.step));
    destroy(&filter);
    return status == 0 ? mask : cv::Mat();
}

struct SkinCase {
    int alpha, skin;
};

class CpuSkinProtection : public EffectTest, public ::testing::WithParamInterface<SkinCase> {};

TEST_P(CpuSkinProtection, BlendsByTheSegmentationMask) {
    const SkinCase c = GetParam();
    createEffect(kLookGuid);
    update(c.alpha, c.skin);
    const cv::Mat input = testPicture(160, 120, 5);
    const cv::Mat mask = segmentationMask(input);
    ASSERT_FALSE(mask.empty());
    ASSERT_GT(cv::mean(mask)[3], 1.0) << "the test picture must hold some skin";
    const cv::Mat want = blended(input, applied(input, lutFile), c.alpha, c.skin, mask);
    EXPECT_TRUE(sameBytes(render(input), want));
    EXPECT_EQ(host.util.log.count("skin_segment failed"), 0);
}

INSTANTIATE_TEST_SUITE_P(Strengths, CpuSkinProtection,
                         ::testing::Values(SkinCase{100, 100}, SkinCase{50, 50}, SkinCase{80, 1}));

// A missing file or a folder: frames pass through, one message each.
class UnreadableLut : public EffectTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnreadableLut, PassesFramesThroughWithOneMessageEach) {
    createEffect(kCustomGuid);
    const std::string path = GetParam() ? lookFolder : resources.path() + "/gone.cube";
    context.set("lut3dPath", qlxhost::ParamAnswer::string(path));
    update(100, 0);
    const cv::Mat input = testPicture(40, 20, 2);
    for (int frame = 0; frame < 3; ++frame) EXPECT_TRUE(sameBytes(render(input), input));
    EXPECT_EQ(host.util.log.count("tonekit::LUT loadCubeFile Failed: " + path), 3);
}

INSTANTIATE_TEST_SUITE_P(FileOrFolder, UnreadableLut, ::testing::Bool());

}  // namespace
