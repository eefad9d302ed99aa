#include "skin/segment_skin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "frame_double.h"
#include "host_util_double.h"
#include "skin/ai_filter_log.h"
#include "skin/segmentation_hooks.h"
#include "test_plugin_library.h"

namespace {

class SegmentSkinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
        installSegmentationHooks(true);
        plugin_ = loadedPluginState();
        *plugin_ = TestAiFilterState{};  // a library kept loaded may remember earlier tests
        handle_ = segmentationHooks().create(kSkinSegmentationGuid);
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
    }
    // An 8-bit frame of width x height over pixels_, rows `stride` bytes apart.
    FrameDouble frame(int width, int height, int stride, int pixelFormat = kQLXPixelFormat8) {
        pixels_.assign(static_cast<std::size_t>(std::max(stride, 0)) * std::max(height, 0) + 64,
                       0x11);
        FrameDouble f;
        f.width = width, f.height = height, f.stride = stride, f.pixelFormat = pixelFormat;
        f.data = pixels_.data();
        return f;
    }

    HostUtilDouble host_;
    TestAiFilterState* plugin_ = nullptr;
    void* handle_ = nullptr;
    std::vector<std::uint8_t> pixels_;
};

TEST_F(SegmentSkinTest, HandsTheHostPixelsToTheFilterAndReturnsItsMask) {
    FrameDouble input = frame(5, 3, 24);
    plugin_->maskByte = 0xC4;
    const SkinMaskResult result = segmentSkin(&input, handle_);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(plugin_->handle, handle_);
    EXPECT_EQ(plugin_->src, pixels_.data());
    EXPECT_EQ(std::make_tuple(plugin_->srcWidth, plugin_->srcHeight, plugin_->srcPitch),
              std::make_tuple(5, 3, 24));
    ASSERT_EQ(result.mask.type(), CV_8UC4);
    ASSERT_EQ(result.mask.size(), cv::Size(5, 3));
    EXPECT_EQ(plugin_->dst, result.mask.data);
    EXPECT_EQ(plugin_->dstPitch, static_cast<std::int32_t>(result.mask.step));
    EXPECT_EQ(std::make_tuple(plugin_->width, plugin_->height), std::make_tuple(5, 3));
    EXPECT_EQ(cv::countNonZero(result.mask.reshape(1) != 0xC4), 0);
}

TEST_F(SegmentSkinTest, PassesSixteenBitHostPixelsUnconverted) {
    FrameDouble input = frame(4, 2, 32, kQLXPixelFormat16);
    EXPECT_EQ(segmentSkin(&input, handle_).status, 0);
    EXPECT_EQ(plugin_->src, pixels_.data());
    EXPECT_EQ(plugin_->srcPitch, 32);
}

TEST_F(SegmentSkinTest, ReturnsTheFilterStatusUnchanged) {
    FrameDouble input = frame(2, 2, 8);
    plugin_->transformStatus = 9;
    EXPECT_EQ(segmentSkin(&input, handle_).status, 9);
    EXPECT_EQ(segmentSkin(&input, nullptr).status, 2);  // the filter refuses a null handle
}

struct RefusedFrame {
    const char* why;
    int width, height, stride;
    bool hasPixels;
    bool hasFrame;
};

class SegmentSkinRefusal : public SegmentSkinTest,
                           public ::testing::WithParamInterface<RefusedFrame> {};

TEST_P(SegmentSkinRefusal, AnswersOneWithoutCallingTheFilter) {
    const RefusedFrame& c = GetParam();
    FrameDouble input = frame(c.width, c.height, c.stride);
    if (!c.hasPixels) input.data = nullptr;
    const SkinMaskResult result = segmentSkin(c.hasFrame ? &input : nullptr, handle_);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(plugin_->transformCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(BadFrames, SegmentSkinRefusal,
                         ::testing::Values(RefusedFrame{"NoFrame", 4, 4, 16, true, false},
                                           RefusedFrame{"ZeroWidth", 0, 4, 16, true, true},
                                           RefusedFrame{"NegativeHeight", 4, -1, 16, true, true},
                                           RefusedFrame{"NoPixels", 4, 4, 16, false, true},
                                           RefusedFrame{"ShortStride", 4, 4, 15, true, true},
                                           RefusedFrame{"NegativeStride", 4, 4, -16, true, true}),
                         [](const auto& info) { return std::string(info.param.why); });

TEST(SegmentSkinFallback, FailsWhenNoPluginIsLoaded) {
    installSegmentationHooks(false);
    std::vector<std::uint8_t> pixels(16, 0);
    FrameDouble input;
    input.width = 2, input.height = 2, input.stride = 8, input.data = pixels.data();
    EXPECT_EQ(segmentSkin(&input, nullptr).status, 1);
}

}  // namespace
