// segmentSkin on frames held in OpenCL images (the POCL CPU device in CI).
#include <CL/cl.h>
#include <KRPlatformOpenCL.h>
#include <gtest/gtest.h>

#include <vector>

#include "frame_double.h"
#include "host_util_double.h"
#include "skin/ai_filter_log.h"
#include "skin/segment_skin.h"
#include "skin/segmentation_hooks.h"
#include "test_plugin_library.h"

namespace {

class SegmentSkinOpenCL : public ::testing::Test {
  protected:
    void SetUp() override {
        cl_platform_id platform = nullptr;
        cl_uint platforms = 0;
        if (clGetPlatformIDs(1, &platform, &platforms) != CL_SUCCESS || platforms == 0) {
            GTEST_SKIP() << "no OpenCL platform";
        }
        cl_device_id device = nullptr;
        if (clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, nullptr) != CL_SUCCESS) {
            GTEST_SKIP() << "no OpenCL device";
        }
        cl_int error = CL_SUCCESS;
        context_ = clCreateContext(nullptr, 1, &device, nullptr, nullptr, &error);
        ASSERT_EQ(error, CL_SUCCESS);
        ASSERT_TRUE(OpenCLManager::GetIns()->RegisterOpenclContext(context_, device, nullptr,
                                                                   nullptr, platform));
        memory_ = OpenCLManager::GetIns()->GetOpenclMemManager();

        ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
        installSegmentationHooks(true);
        plugin_ = loadedPluginState();
        *plugin_ = TestAiFilterState{};  // a library kept loaded may remember earlier tests
        handle_ = segmentationHooks().create(kSkinSegmentationGuid);
    }
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
        OpenCLManager::Release();
        if (context_) clReleaseContext(context_);
    }
    OPENCL::openclMemory* image(int width, int height, std::uint32_t channelType,
                                std::vector<std::uint8_t>& pixels) {
        OPENCL::_image_format format;
        format.channelOrder = CL_RGBA;
        format.channelType = channelType;
        OPENCL::openclMemory* made = nullptr;
        EXPECT_TRUE(memory_->createOpenCLMem(OPENCL::Image2D, format, width, height, 1,
                                             pixels.data(), 0, &made));
        return made;
    }
    static FrameDouble frame(int width, int height, int pixelFormat) {
        FrameDouble f;
        f.width = width, f.height = height, f.pixelFormat = pixelFormat;
        return f;  // no host pixels: only the image is read
    }

    HostUtilDouble host_;
    cl_context context_ = nullptr;
    OPENCL::openclMemManager* memory_ = nullptr;
    TestAiFilterState* plugin_ = nullptr;
    void* handle_ = nullptr;
};

TEST_F(SegmentSkinOpenCL, ConvertsSixteenBitImagesToEightBitWithSwappedChannels) {
    std::vector<std::uint8_t> pixels;
    for (int x = 0; x < 3; ++x) {
        for (std::uint8_t high : {18, 86, 154, 222}) {
            pixels.push_back(static_cast<std::uint8_t>(x * 40 + high));  // any low byte
            pixels.push_back(high);
        }
    }
    OPENCL::openclMemory* input = image(3, 1, CL_UNORM_INT16, pixels);
    ASSERT_NE(input, nullptr);
    FrameDouble frame16 = frame(3, 1, kQLXPixelFormat16);
    const SkinMaskResult result = segmentSkin(&frame16, handle_, input);
    EXPECT_EQ(result.status, 0);
    const std::string expected = {char(154), 86,        18,        char(222), char(154), 86,
                                  18,        char(222), char(154), 86,        18,        char(222)};
    EXPECT_EQ(plugin_->firstSourceRow, expected);
    EXPECT_GE(plugin_->srcPitch, 12);
    EXPECT_EQ(result.mask.size(), cv::Size(3, 1));
}

TEST_F(SegmentSkinOpenCL, ReadsEightBitImagesInPlace) {
    std::vector<std::uint8_t> pixels(5 * 2 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 3);
    OPENCL::openclMemory* input = image(5, 2, CL_UNORM_INT8, pixels);
    ASSERT_NE(input, nullptr);
    FrameDouble frame8 = frame(5, 2, kQLXPixelFormat8);
    EXPECT_EQ(segmentSkin(&frame8, handle_, input).status, 0);
    EXPECT_EQ(plugin_->firstSourceRow, std::string(pixels.begin(), pixels.begin() + 20));
    EXPECT_GE(plugin_->srcPitch, 20);
    // The mapping is released: the image maps again afterwards.
    std::size_t pitch = 0;
    void* again = input->lockMemory(true, &pitch, 0, 0, 0, 5, 2, 1, 0, true);
    EXPECT_NE(again, nullptr);
    if (again) input->unlockMemory(again);
}

struct MismatchCase {
    const char* why;
    int imageWidth, imageHeight;
    std::uint32_t channelType;
    int frameWidth, frameHeight, pixelFormat;
};

class SegmentSkinOpenCLMismatch : public SegmentSkinOpenCL,
                                  public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(SegmentSkinOpenCLMismatch, RefusesImagesThatCannotServeTheFrame) {
    const MismatchCase& c = GetParam();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(c.imageWidth) * c.imageHeight * 8);
    OPENCL::openclMemory* input = image(c.imageWidth, c.imageHeight, c.channelType, pixels);
    ASSERT_NE(input, nullptr);
    FrameDouble f = frame(c.frameWidth, c.frameHeight, c.pixelFormat);
    EXPECT_EQ(segmentSkin(&f, handle_, input).status, 1);
    EXPECT_EQ(plugin_->transformCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Images, SegmentSkinOpenCLMismatch,
                         ::testing::Values(MismatchCase{"EightBitImageForSixteenBitFrame", 4, 4,
                                                        CL_UNORM_INT8, 4, 4, kQLXPixelFormat16},
                                           MismatchCase{"ImageNarrowerThanFrame", 3, 4,
                                                        CL_UNORM_INT8, 4, 4, kQLXPixelFormat8},
                                           MismatchCase{"ImageShorterThanFrame", 4, 3,
                                                        CL_UNORM_INT16, 4, 4, kQLXPixelFormat16}),
                         [](const auto& info) { return std::string(info.param.why); });

}  // namespace
