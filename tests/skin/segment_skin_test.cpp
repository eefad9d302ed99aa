// Segmenting one frame through the stand-in plugin: from host pixels, and from
// OpenCL images on the POCL CPU device.
#include "skin/segment_skin.h"

#include <CL/cl.h>
#include <KRPlatformOpenCL.h>
#include <gtest/gtest.h>

#include "kit/opencl_device.h"
#include "skin/ai_filter_log.h"
#include "skin/segmentation_hooks.h"
#include "support/lent_host_util.h"
#include "test_plugin_library.h"

namespace {

class SegmentSkin : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
        installSegmentationHooks(true);
        plugin_ = loadedPluginState();
        *plugin_ = TestAiFilterState{};  // a library kept loaded may remember earlier tests
        handle_ = segmentationHooks().create(kSkinSegmentationGuid);
    }
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
    }
    qlxtest::LentHostUtil host_;
    TestAiFilterState* plugin_ = nullptr;
    void* handle_ = nullptr;
};

TEST_F(SegmentSkin, HandsTheHostPixelsToTheFilterAndAnswersItsMaskAndStatus) {
    qlxhost::Frame input(5, 3, 1, 24);
    for (int i = 0; i < 20; ++i) input.data()[i] = static_cast<std::uint8_t>(i * 7);
    plugin_->maskByte = 0xC4;
    const SkinMaskResult result = segmentSkin(input.qlx(), handle_);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(plugin_->firstSourceRow, std::string(input.data(), input.data() + 20));
    EXPECT_EQ(plugin_->srcPitch, 24);
    ASSERT_EQ(result.mask.type(), CV_8UC4);
    ASSERT_EQ(result.mask.size(), cv::Size(5, 3));
    EXPECT_EQ(cv::countNonZero(result.mask.reshape(1) != 0xC4), 0);
    plugin_->transformStatus = 9;
    EXPECT_EQ(segmentSkin(input.qlx(), handle_).status, 9);
}

TEST_F(SegmentSkin, AnswersOneWithoutCallingTheFilterForFramesItCannotHandOver) {
    const struct {
        int width, height, stride;
        bool pixels;
    } rows[] = {{0, 4, 16, true},
                {4, -1, 16, true},
                {4, 4, 16, false},
                {4, 4, 15, true},
                {4, 4, -16, true}};
    for (const auto& row : rows) {
        qlxhost::Frame input(4, 4);
        input.reportSize(row.width, row.height);
        input.reportStride(row.stride);
        if (!row.pixels) input.reportData(nullptr);
        EXPECT_EQ(segmentSkin(input.qlx(), handle_).status, 1) << row.width << "x" << row.height;
    }
    EXPECT_EQ(segmentSkin(nullptr, handle_).status, 1);
    EXPECT_EQ(plugin_->transformCalls, 0);
    installSegmentationHooks(false);
    qlxhost::Frame input(2, 2);
    EXPECT_EQ(segmentSkin(input.qlx(), handle_).status, 1);
}

class SegmentSkinOpenCL : public SegmentSkin {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device_.open()) << device_.error();
        ASSERT_TRUE(OpenCLManager::GetIns()->RegisterOpenclContext(
            device_.context(), device_.device(), device_.queue(), nullptr, device_.platform()));
        SegmentSkin::SetUp();
    }
    void TearDown() override {
        SegmentSkin::TearDown();
        OpenCLManager::Release();
    }
    // Segments a frame of the given size and bytes per channel from an RGBA image.
    std::int32_t segment(int width, int height, std::uint32_t channelType, int frameWidth,
                         int frameHeight, int bytesPerChannel, std::vector<std::uint8_t> pixels) {
        OPENCL::openclMemory* image = nullptr;
        EXPECT_TRUE(OpenCLManager::GetIns()->GetOpenclMemManager()->createOpenCLMem(
            OPENCL::Image2D, {CL_RGBA, channelType}, width, height, 1, pixels.data(), 0, &image));
        qlxhost::Frame frame(frameWidth, frameHeight, bytesPerChannel);
        frame.reportData(nullptr);  // only the image is read
        return segmentSkin(frame.qlx(), handle_, image).status;
    }
    qlxhost::OpenCLDevice device_;
};

TEST_F(SegmentSkinOpenCL, ConvertsSixteenBitImagesToTheFiltersEightBitPixels) {
    std::vector<std::uint8_t> wide;  // high bytes 18, 86, 154, 222 behind any low byte
    for (int x = 0; x < 3; ++x)
        for (std::uint8_t high : {18, 86, 154, 222})
            wide.insert(wide.end(), {std::uint8_t(x + high), high});
    EXPECT_EQ(segment(3, 1, CL_UNORM_INT16, 3, 1, 2, wide), 0);
    EXPECT_EQ(plugin_->firstSourceRow, "\x9a\x56\x12\xde\x9a\x56\x12\xde\x9a\x56\x12\xde");
    EXPECT_EQ(segment(2, 1, CL_UNORM_INT8, 2, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}), 0);
    EXPECT_EQ(plugin_->firstSourceRow, "\x01\x02\x03\x04\x05\x06\x07\x08");
}

TEST_F(SegmentSkinOpenCL, RefusesImagesSmallerThanTheFrameOrItsPixels) {
    EXPECT_EQ(segment(4, 4, CL_UNORM_INT8, 4, 4, 2, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(segment(3, 4, CL_UNORM_INT8, 4, 4, 1, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(segment(4, 3, CL_UNORM_INT16, 4, 4, 2, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(plugin_->transformCalls, 0);
}

}  // namespace
