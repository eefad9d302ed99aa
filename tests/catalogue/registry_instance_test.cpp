// The process-wide registry is built once per process, so every case runs in a
// child process of its own and reports through its exit code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "catalogue/filter_registry.h"
#include "skin/segmentation_hooks.h"
#include "support/lent_host_util.h"
#include "test_plugin_library.h"

namespace {

// Builds the registry from a scratch current folder holding "qlxPlugin", a link
// to the full stand-in plugin; true when that plugin got loaded.
bool loadsFromCurrentFolder() {
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("qlx-instance-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::create_directory_symlink(testPluginFolder("full"), scratch / "qlxPlugin");
    fs::current_path(scratch);
    const bool built = NLEFilterRegistry::instance() != nullptr;
    fs::current_path("/");
    fs::remove_all(scratch);
    return built && aiFilterPluginApi().library != nullptr;
}

TEST(RegistryInstanceDeathTest, BuildsOnceAcrossThreadsWithThePluginFromTheHostFolder) {
    EXPECT_EXIT(
        {
            qlxtest::LentHostUtil host;
            host.paths[kQLXPathPluginFolder] = testPluginFolder("full");
            NLEFilterRegistry* seen[4] = {};
            std::vector<std::thread> threads;
            for (auto& slot : seen)
                threads.emplace_back([&slot] { slot = NLEFilterRegistry::instance(); });
            for (auto& thread : threads) thread.join();
            bool ok = seen[0] != nullptr && std::count(seen, seen + 4, seen[0]) == 4;
            ok = ok && segmentationHooks().create(kSkinSegmentationGuid) != nullptr;
            NLEFilterRegistry::destroyInstance();
            ok = ok && NLEFilterRegistry::instance() == nullptr;
            NLEFilterRegistry::destroyInstance();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(RegistryInstanceDeathTest, WithoutHostUtilSuiteLooksUnderTheCurrentFolder) {
    EXPECT_EXIT(std::_Exit(loadsFromCurrentFolder() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
