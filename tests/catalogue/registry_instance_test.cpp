// The process-wide registry is built once per process and the segmentation
// plugin stays loaded for good, so the case runs in a child process of its own
// and reports through its exit code. (Loading the plugin from the host's
// folder is proven by every skin-protection render.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "catalogue/filter_registry.h"
#include "skin/ai_filter_plugin.h"
#include "skin/segmentation_hooks.h"

namespace {

// Without a Host Util Suite the segmentation plugin is looked for under
// "qlxPlugin" in the current folder; once destroyed, the registry is not built
// again.
TEST(RegistryInstanceDeathTest, WithoutHostUtilSuiteLoadsThePluginFromQlxPluginAndDiesOnce) {
    EXPECT_EXIT(
        {
            namespace fs = std::filesystem;
            const fs::path scratch =
                fs::temp_directory_path() / ("qlx-instance-" + std::to_string(getpid()));
            fs::create_directories(scratch);
            fs::create_directory_symlink(QLX_TEST_AIFILTER_DIR "/full", scratch / "qlxPlugin");
            fs::current_path(scratch);
            loadSegmentationPlugin();
            bool ok =
                NLEFilterRegistry::instance() != nullptr && aiFilterPluginApi().library != nullptr;
            fs::current_path("/");
            fs::remove_all(scratch);
            NLEFilterRegistry::destroyInstance();
            ok = ok && NLEFilterRegistry::instance() == nullptr;
            NLEFilterRegistry::destroyInstance();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
