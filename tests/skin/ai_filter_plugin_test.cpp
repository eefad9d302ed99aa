// Loading the segmentation plugin, the hooks effects reach it through, the log callback it
// reports through, and segmenting one frame through a stand-in plugin: from host pixels, and
// from OpenCL images on the POCL CPU device.
#include "skin/ai_filter_plugin.h"

#include <CL/cl.h>
#include <KRPlatformOpenCL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "common/platform.h"
#include "kit/opencl_device.h"
#include "skin/ai_filter_log.h"
#include "skin/segment_skin.h"
#include "skin/segmentation_hooks.h"
#include "support/lent_host_util.h"
#include "test_ai_filter_state.h"

namespace {

const std::string kStandInFolder = QLX_TEST_AIFILTER_DIR "/";  // one folder per build

class AiFilterPlugin : public ::testing::Test {
  protected:
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
    }
    // What the loaded stand-in plugin recorded.
    static TestAiFilterState& state() {
        void* get = qlx::platform::findSymbol(aiFilterPluginApi().library, "TestAiFilterGetState");
        return *reinterpret_cast<TestAiFilterStateFn>(get)();
    }
    // Loads one build of the stand-in plugin and points the hooks at it.
    TestAiFilterState& use(const char* variant) {
        unloadAiFilterPlugin();
        EXPECT_TRUE(loadAiFilterPlugin((kStandInFolder + variant).c_str(), &aiFilterLogCallback));
        installSegmentationHooks(true);
        return state() = TestAiFilterState{};  // a library kept loaded remembers
    }
};

TEST_F(AiFilterPlugin, IsAcceptedOnlyWithCreateTransformSetParameterAndGetResult) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        // variant, export it lacks
        {"full", "", true},
        {"no_delete", "DeleteNLEAIEffectFilter", true},
        {"no_log_callback", "SetNLEAIEffectFilterLogCallback", true},
        {"no_create", "CreateNLEAIEffectFilterFromGUID", false},
        {"no_transform", "NLEEffectFilterTransform", false},
        {"no_set_parameter", "NLEEffectFilterSetParameter", false},
        {"no_get_ai_result", "NLEEffectFilterGetAIResData", false},
        {"no_such_folder", "", false},
    };
    for (const auto& [variant, missing, accepted] : rows) {
        SCOPED_TRACE(variant);
        const std::string folder = kStandInFolder + variant;
        EXPECT_EQ(loadAiFilterPlugin(folder.c_str(), &aiFilterLogCallback), accepted);
        for (std::size_t i = 0; i < kAiFilterEntryCount; ++i) {
            const bool exported = std::strcmp(missing, kAiFilterEntryNames[i]) != 0;
            EXPECT_EQ(aiFilterPluginApi().entries[i] != nullptr, accepted && exported);
        }
        // A refused library is released again.
        void* loaded = dlopen((folder + kAiFilterPluginFile).c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_EQ(loaded != nullptr, accepted);
        if (loaded) dlclose(loaded);
        if (accepted) {  // the log callback goes to a library that takes one
            const bool setter = std::strcmp(missing, kAiFilterEntryNames[0]) != 0;
            EXPECT_EQ(state().logCallback, setter ? &aiFilterLogCallback : nullptr);
        }
        unloadAiFilterPlugin();
    }
}

TEST_F(AiFilterPlugin, CreateHandsTheHostResourceFolderOrResourcesAndNeedsTheHostUtilSuite) {
    TestAiFilterState& plugin = use("full");
    EXPECT_EQ(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(plugin.createCalls, 0);
    qlxtest::LentHostUtil host;
    EXPECT_NE(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(plugin.lastResourceFolder, "resources");
    host.paths[kQLXPathResources] = "/host/resources";
    segmentationHooks().create(kSkinSegmentationGuid);
    EXPECT_EQ(plugin.lastResourceFolder, "/host/resources");
}

void logThroughCallback(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    aiFilterLogCallback(level, format, args);
    va_end(args);
}

TEST(AiFilterLog, FormatsOnceAndHandsTheHostTextCutTo4095Characters) {
    const std::string longText(20000, 'x');
    logThroughCallback(2, "%s", "no Host Util Suite: nowhere to log, and no crash");
    qlxtest::LentHostUtil host;
    logThroughCallback(2, "%s", "100% sure %d %n %s");
    logThroughCallback(4, "ratio %s%%%s", "50", longText.c_str());
    logThroughCallback(3, nullptr);  // nothing to log
    const auto& lines = host.log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].level == 2 && lines[0].text == "100% sure %d %n %s");
    EXPECT_TRUE(lines[1].level == 4 && lines[1].text == ("ratio 50%" + longText).substr(0, 4095));
}

TEST_F(AiFilterPlugin, SegmentSkinAnswersOneWithoutCallingTheFilterForFramesItCannotHandOver) {
    qlxtest::LentHostUtil host;
    TestAiFilterState& plugin = use("full");
    void* handle = segmentationHooks().create(kSkinSegmentationGuid);
    const std::tuple<int, int, int, bool> rows[] = {
        // width, height, stride, pixels{0, 4, 16, true},
        {4, -1, 16, true},
        {4, 4, 16, false},
        {4, 4, 15, true},
        {4, 4, -16, true}};
    for (const auto& [width, height, stride, pixels] : rows) {
        qlxhost::Frame input(4, 4);
        input.reportSize(width, height);
        input.reportStride(stride);
        if (!pixels) input.reportData(nullptr);
        EXPECT_EQ(segmentSkin(input.qlx(), handle).status, 1) << width << "x" << height;
    }
    EXPECT_EQ(segmentSkin(nullptr, handle).status, 1);
    EXPECT_EQ(plugin.transformCalls, 0);
    installSegmentationHooks(false);
    qlxhost::Frame input(2, 2);
    EXPECT_EQ(segmentSkin(input.qlx(), handle).status, 1);
}

class SegmentSkinOpenCL : public AiFilterPlugin {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device_.open()) << device_.error();
        ASSERT_TRUE(OpenCLManager::GetIns()->RegisterOpenclContext(
            device_.context(), device_.device(), device_.queue(), nullptr, device_.platform()));
        plugin_ = &use("full");
        handle_ = segmentationHooks().create(kSkinSegmentationGuid);
    }
    void TearDown() override {
        AiFilterPlugin::TearDown();
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
    qlxtest::LentHostUtil host_;
    TestAiFilterState* plugin_ = nullptr;
    void* handle_ = nullptr;
};

TEST_F(SegmentSkinOpenCL, ConvertsSixteenBitImagesAndRefusesImagesSmallerThanTheFrame) {
    std::vector<std::uint8_t> wide;  // high bytes 18, 86, 154, 222 behind any low byte
    for (int x = 0; x < 3; ++x)
        for (std::uint8_t high : {18, 86, 154, 222})
            wide.insert(wide.end(), {std::uint8_t(x + high), high});
    EXPECT_EQ(segment(3, 1, CL_UNORM_INT16, 3, 1, 2, wide), 0);
    EXPECT_EQ(plugin_->firstSourceRow, "\x9a\x56\x12\xde\x9a\x56\x12\xde\x9a\x56\x12\xde");
    EXPECT_EQ(segment(2, 1, CL_UNORM_INT8, 2, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}), 0);
    EXPECT_EQ(plugin_->firstSourceRow, "\x01\x02\x03\x04\x05\x06\x07\x08");
    // Images smaller than the frame, or than its pixels, are refused.
    EXPECT_EQ(segment(4, 4, CL_UNORM_INT8, 4, 4, 2, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(segment(3, 4, CL_UNORM_INT8, 4, 4, 1, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(segment(4, 3, CL_UNORM_INT16, 4, 4, 2, std::vector<std::uint8_t>(128)), 1);
    EXPECT_EQ(plugin_->transformCalls, 2);
}

}  // namespace
