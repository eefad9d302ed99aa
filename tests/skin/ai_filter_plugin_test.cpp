#include "skin/ai_filter_plugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "skin/ai_filter_log.h"
#include "test_plugin_library.h"

namespace {

struct AcceptanceCase {
    const char* variant;
    const char* missingExport;  // null: the library exports all twelve
    bool accepted;
};

std::ostream& operator<<(std::ostream& out, const AcceptanceCase& c) {
    return out << c.variant;
}

// Whether the process still has the library at `path` loaded.
bool stillLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

class PluginAcceptance : public ::testing::TestWithParam<AcceptanceCase> {
  protected:
    void TearDown() override { unloadAiFilterPlugin(); }
};

TEST_P(PluginAcceptance, RequiresCreateTransformSetParameterAndGetResult) {
    const AcceptanceCase& c = GetParam();
    const std::string folder = testPluginFolder(c.variant);
    ASSERT_EQ(loadAiFilterPlugin(folder.c_str(), &aiFilterLogCallback), c.accepted);

    const AiFilterPluginApi& api = aiFilterPluginApi();
    for (std::size_t i = 0; i < kAiFilterEntryCount; ++i) {
        const bool exported =
            !c.missingExport || std::strcmp(c.missingExport, kAiFilterEntryNames[i]) != 0;
        EXPECT_EQ(api.entries[i] != nullptr, c.accepted && exported) << kAiFilterEntryNames[i];
    }
    EXPECT_EQ(api.library != nullptr, c.accepted);
    EXPECT_EQ(stillLoaded(folder + kAiFilterPluginFile), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, PluginAcceptance,
    ::testing::Values(AcceptanceCase{"full", nullptr, true},
                      AcceptanceCase{"no_delete", "DeleteNLEAIEffectFilter", true},
                      AcceptanceCase{"no_log_callback", "SetNLEAIEffectFilterLogCallback", true},
                      AcceptanceCase{"no_create", "CreateNLEAIEffectFilterFromGUID", false},
                      AcceptanceCase{"no_transform", "NLEEffectFilterTransform", false},
                      AcceptanceCase{"no_set_parameter", "NLEEffectFilterSetParameter", false},
                      AcceptanceCase{"no_get_ai_result", "NLEEffectFilterGetAIResData", false},
                      AcceptanceCase{"no_such_folder", nullptr, false}),
    [](const auto& info) { return std::string(info.param.variant); });

class PluginLoading : public ::testing::Test {
  protected:
    void TearDown() override { unloadAiFilterPlugin(); }
};

TEST_F(PluginLoading, HandsTheLogCallbackToTheLibrary) {
    ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
    ASSERT_NE(loadedPluginState(), nullptr);
    EXPECT_EQ(loadedPluginState()->logCallback, &aiFilterLogCallback);
}

TEST_F(PluginLoading, KeepsAFullyResolvedLibraryWithoutLoadingAgain) {
    ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
    void* const first = aiFilterPluginApi().library;
    EXPECT_TRUE(loadAiFilterPlugin("/no/such/folder", &aiFilterLogCallback));
    EXPECT_EQ(aiFilterPluginApi().library, first);
}

TEST_F(PluginLoading, LoadsAgainWhileDeleteIsMissing) {
    ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("no_delete").c_str(), &aiFilterLogCallback));
    ASSERT_TRUE(loadAiFilterPlugin(testPluginFolder("full").c_str(), &aiFilterLogCallback));
    EXPECT_TRUE(aiFilterPluginApi().has(AiFilterEntry::Delete));
}

TEST_F(PluginLoading, FindsARelativeFolderUnderTheCurrentFolder) {
    namespace fs = std::filesystem;
    const fs::path before = fs::current_path();
    const fs::path scratch = fs::temp_directory_path() / ("qlx-skin-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::create_directory_symlink(testPluginFolder("full"), scratch / "qlxPlugin");
    fs::current_path(scratch);
    const bool loaded = loadAiFilterPlugin("qlxPlugin", &aiFilterLogCallback);
    fs::current_path(before);
    fs::remove_all(scratch);
    EXPECT_TRUE(loaded);
}

}  // namespace
