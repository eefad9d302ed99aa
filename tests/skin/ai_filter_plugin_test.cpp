// Loading the segmentation plugin, the hooks effects reach it through, and the
// log callback it reports through.
#include "skin/ai_filter_plugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "skin/ai_filter_log.h"
#include "skin/segmentation_hooks.h"
#include "support/lent_host_util.h"
#include "test_plugin_library.h"

namespace {

class AiFilterPlugin : public ::testing::Test {
  protected:
    void TearDown() override {
        installSegmentationHooks(false);
        unloadAiFilterPlugin();
    }
    // Loads one build of the stand-in plugin and points the hooks at it.
    TestAiFilterState& use(const char* variant) {
        unloadAiFilterPlugin();
        EXPECT_TRUE(loadAiFilterPlugin(testPluginFolder(variant).c_str(), &aiFilterLogCallback));
        installSegmentationHooks(true);
        return *loadedPluginState() = TestAiFilterState{};  // a library kept loaded remembers
    }
};

TEST_F(AiFilterPlugin, IsAcceptedOnlyWithCreateTransformSetParameterAndGetResult) {
    const struct {
        const char* variant;
        const char* missing;  // the export the build lacks
        bool accepted;
    } rows[] = {
        {"full", "", true},
        {"no_delete", "DeleteNLEAIEffectFilter", true},
        {"no_log_callback", "SetNLEAIEffectFilterLogCallback", true},
        {"no_create", "CreateNLEAIEffectFilterFromGUID", false},
        {"no_transform", "NLEEffectFilterTransform", false},
        {"no_set_parameter", "NLEEffectFilterSetParameter", false},
        {"no_get_ai_result", "NLEEffectFilterGetAIResData", false},
        {"no_such_folder", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.variant);
        const std::string folder = testPluginFolder(row.variant);
        EXPECT_EQ(loadAiFilterPlugin(folder.c_str(), &aiFilterLogCallback), row.accepted);
        for (std::size_t i = 0; i < kAiFilterEntryCount; ++i) {
            const bool exported = std::strcmp(row.missing, kAiFilterEntryNames[i]) != 0;
            EXPECT_EQ(aiFilterPluginApi().entries[i] != nullptr, row.accepted && exported);
        }
        // A refused library is released again.
        void* loaded = dlopen((folder + kAiFilterPluginFile).c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_EQ(loaded != nullptr, row.accepted);
        if (loaded) dlclose(loaded);
        if (row.accepted) {  // the log callback goes to a library that takes one
            const bool setter = std::strcmp(row.missing, kAiFilterEntryNames[0]) != 0;
            EXPECT_EQ(loadedPluginState()->logCallback, setter ? &aiFilterLogCallback : nullptr);
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

TEST_F(AiFilterPlugin, DestroyHandsThePluginTheHandleVariableToClear) {
    qlxtest::LentHostUtil host;
    TestAiFilterState& plugin = use("full");
    void* handle = segmentationHooks().create(kSkinSegmentationGuid);
    segmentationHooks().destroy(&handle);
    EXPECT_EQ(plugin.lastHandleVariable, &handle);
    EXPECT_EQ(handle, nullptr);
}

void logThroughCallback(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    aiFilterLogCallback(level, format, args);
    va_end(args);
}

TEST(AiFilterLog, FormatsOnceAndHandsTheHostTextCutTo4095Characters) {
    const std::string long4096(4096, 'x'), long20000(20000, 'x');
    const struct {
        int level;
        const char* format;
        const char* argument;
        std::string expected;
    } rows[] = {
        {2, "%s", "100% sure %d %n %s", "100% sure %d %n %s"},
        {3, "ratio %s%%", "50", "ratio 50%"},
        {4, "%s", long4096.c_str(), long4096.substr(1)},
        {4, "%s", long20000.c_str(), long4096.substr(1)},
    };
    for (const auto& row : rows) {
        qlxtest::LentHostUtil host;
        logThroughCallback(row.level, row.format, row.argument);
        ASSERT_EQ(host.log.lines().size(), 1u);
        EXPECT_EQ(host.log.lines()[0].level, row.level);
        EXPECT_EQ(host.log.lines()[0].text, row.expected);
    }
    logThroughCallback(2, nullptr);  // nothing to log, and no Host Util Suite: no crash
}

}  // namespace
