// The process-wide registry is built once per process, so every case runs in a
// child process of its own and reports through its exit code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "catalogue/filter_registry.h"
#include "host_util_double.h"
#include "skin/segmentation_hooks.h"
#include "test_plugin_library.h"

namespace {

// Runs the checks and leaves the process with 0 when all of them held.
[[noreturn]] void runChecks(const std::function<bool()>& checks) {
    std::fflush(stdout);
    std::_Exit(checks() ? 0 : 1);
}

bool check(bool condition, const char* what) {
    if (!condition) std::fprintf(stderr, "failed: %s\n", what);
    return condition;
}

TEST(RegistryInstanceDeathTest, BuildsOnceAndLoadsThePluginFromTheHostFolder) {
    EXPECT_EXIT(
        runChecks([] {
            HostUtilDouble host;
            host.paths[kQLXPathPluginFolder] = testPluginFolder("full");
            NLEFilterRegistry* seen[4] = {};
            std::vector<std::thread> threads;
            for (auto& slot : seen) {
                threads.emplace_back([&slot] { slot = NLEFilterRegistry::instance(); });
            }
            for (auto& thread : threads) thread.join();
            bool ok = check(seen[0] != nullptr, "a registry");
            for (NLEFilterRegistry* registry : seen)
                ok &= check(registry == seen[0], "one registry");
            const auto calls = host.pathCalls();
            ok &= check(calls.size() == 1, "one path query");
            ok &= check(!calls.empty() && calls[0].kind == kQLXPathPluginFolder, "kind 2");
            ok &= check(!calls.empty() && calls[0].bufferBefore == "qlxPlugin", "preset text");
            ok &= check(!calls.empty() && calls[0].size == 512, "512-byte buffer");
            ok &= check(segmentationHooks().create(kSkinSegmentationGuid) != nullptr,
                        "plugin hooks installed");
            NLEFilterRegistry::destroyInstance();
            ok &= check(NLEFilterRegistry::instance() == nullptr, "no registry after destruction");
            NLEFilterRegistry::destroyInstance();
            return ok;
        }),
        ::testing::ExitedWithCode(0), "");
}

TEST(RegistryInstanceDeathTest, MissingPluginInstallsTheFallbacks) {
    EXPECT_EXIT(runChecks([] {
                    HostUtilDouble host;
                    host.paths[kQLXPathPluginFolder] = "/no/such/folder";
                    bool ok = check(NLEFilterRegistry::instance() != nullptr, "a registry");
                    ok &= check(segmentationHooks().create(kSkinSegmentationGuid) == nullptr,
                                "fallback create");
                    ok &= check(aiFilterPluginApi().library == nullptr, "nothing loaded");
                    return ok;
                }),
                ::testing::ExitedWithCode(0), "");
}

// Builds the registry from a scratch current folder holding "qlxPlugin", a
// link to the full stand-in plugin; true when that plugin got loaded.
bool buildFromCurrentFolder() {
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("qlx-instance-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    fs::create_directory_symlink(testPluginFolder("full"), scratch / "qlxPlugin");
    fs::current_path(scratch);
    const bool built = NLEFilterRegistry::instance() != nullptr;
    fs::current_path("/");
    fs::remove_all(scratch);
    return check(built, "a registry") &&
           check(aiFilterPluginApi().library != nullptr, "plugin loaded from ./qlxPlugin");
}

TEST(RegistryInstanceDeathTest, WithoutHostUtilSuiteLooksUnderTheCurrentFolder) {
    EXPECT_EXIT(runChecks(buildFromCurrentFolder), ::testing::ExitedWithCode(0), "");
}

TEST(RegistryInstanceDeathTest, HostWithoutThePathKeepsThePresetFolder) {
    EXPECT_EXIT(runChecks([] {
                    HostUtilDouble host;  // answers no path
                    return buildFromCurrentFolder();
                }),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
