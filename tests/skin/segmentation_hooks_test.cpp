#include "skin/segmentation_hooks.h"

#include <gtest/gtest.h>

#include "host_util_double.h"
#include "skin/ai_filter_log.h"
#include "test_plugin_library.h"

namespace {

class SegmentationHooksTest : public ::testing::Test {
  protected:
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
    }
    // Loads one build of the test plugin and points the hooks at it.
    TestAiFilterState& usePlugin(const char* variant) {
        const bool loaded =
            loadAiFilterPlugin(testPluginFolder(variant).c_str(), &aiFilterLogCallback);
        installSegmentationHooks(loaded);
        EXPECT_TRUE(loaded);
        TestAiFilterState& state = *loadedPluginState();
        state = TestAiFilterState{};  // a library kept loaded may remember earlier tests
        return state;
    }
    static std::int32_t transformNothing(void* handle) {
        std::uint8_t pixel[4] = {};
        return segmentationHooks().transform(handle, pixel, 1, 1, 4, nullptr, 0, 0, 0, pixel, 1, 1,
                                             4);
    }
};

TEST_F(SegmentationHooksTest, FallbacksMakeNoFilterAndFailEverySegmentation) {
    HostUtilDouble host;
    host.paths[kQLXPathResources] = "/res";
    installSegmentationHooks(false);
    int token = 0;
    void* handle = &token;
    EXPECT_EQ(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(transformNothing(handle), 1);
    segmentationHooks().destroy(&handle);
    EXPECT_EQ(handle, &token);
}

TEST_F(SegmentationHooksTest, CreateHandsTheHostResourceFolderToThePlugin) {
    HostUtilDouble host;
    host.paths[kQLXPathResources] = "/host/resources";
    TestAiFilterState& plugin = usePlugin("full");
    EXPECT_NE(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(plugin.lastGuid, kSkinSegmentationGuid);
    EXPECT_EQ(plugin.lastResourceFolder, "/host/resources");
    ASSERT_EQ(host.pathCalls().size(), 1u);
    EXPECT_EQ(host.pathCalls()[0].kind, kQLXPathResources);
    EXPECT_EQ(host.pathCalls()[0].bufferBefore, "resources");
    EXPECT_EQ(host.pathCalls()[0].size, 512);
}

TEST_F(SegmentationHooksTest, CreateKeepsThePresetFolderWhenTheHostHasNoPath) {
    HostUtilDouble host;  // answers no path at all
    TestAiFilterState& plugin = usePlugin("full");
    segmentationHooks().create(kSkinSegmentationGuid);
    EXPECT_EQ(plugin.lastResourceFolder, "resources");
}

TEST_F(SegmentationHooksTest, CreateWithoutHostUtilSuiteMakesNoFilter) {
    TestAiFilterState& plugin = usePlugin("full");
    EXPECT_EQ(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(plugin.createCalls, 0);
}

TEST_F(SegmentationHooksTest, DestroyPassesTheAddressOfTheHandleVariable) {
    HostUtilDouble host;
    TestAiFilterState& plugin = usePlugin("full");
    void* handle = segmentationHooks().create(kSkinSegmentationGuid);
    segmentationHooks().destroy(&handle);
    EXPECT_EQ(plugin.lastHandleVariable, &handle);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(SegmentationHooksTest, DestroyDoesNothingWhenThePluginCannotDelete) {
    HostUtilDouble host;
    usePlugin("no_delete");
    void* handle = segmentationHooks().create(kSkinSegmentationGuid);
    void* const created = handle;
    segmentationHooks().destroy(&handle);
    EXPECT_EQ(handle, created);
}

TEST_F(SegmentationHooksTest, TransformPassesEveryArgumentAndTheStatus) {
    HostUtilDouble host;
    TestAiFilterState& plugin = usePlugin("full");
    plugin.transformStatus = 7;
    void* handle = segmentationHooks().create(kSkinSegmentationGuid);
    std::uint8_t dst[2 * 16] = {};
    std::uint8_t src[2 * 20] = {};
    EXPECT_EQ(segmentationHooks().transform(handle, dst, 3, 2, 16, nullptr, 0, 0, 0, src, 3, 2, 20),
              7);
    EXPECT_EQ(plugin.handle, handle);
    EXPECT_EQ(plugin.dst, dst);
    EXPECT_EQ(plugin.src, src);
    EXPECT_EQ(std::make_tuple(plugin.width, plugin.height, plugin.dstPitch),
              std::make_tuple(3, 2, 16));
    EXPECT_EQ(std::make_tuple(plugin.srcWidth, plugin.srcHeight, plugin.srcPitch),
              std::make_tuple(3, 2, 20));
    EXPECT_EQ(plugin.reserved, nullptr);
    EXPECT_EQ(std::make_tuple(plugin.reserved1, plugin.reserved2, plugin.reserved3),
              std::make_tuple(0, 0, 0));
}

TEST_F(SegmentationHooksTest, PluginHooksFailWhenNoLibraryIsLoaded) {
    HostUtilDouble host;
    installSegmentationHooks(true);
    EXPECT_EQ(segmentationHooks().create(kSkinSegmentationGuid), nullptr);
    EXPECT_EQ(transformNothing(nullptr), 1);
}

}  // namespace
