// The platform layer on real folders, files and libraries.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <thread>

#include "common/platform.h"
#include "support/temp_dir.h"

namespace {

namespace platform = qlx::platform;

TEST(Platform, FoldersListTheirEntriesAndOnlyFilesOpen) {
    qlxtest::TempDir dir;
    dir.write("色彩 looks/look.cube", "grid");
    dir.write("файл.conf", "{}");
    std::map<std::string, bool> seen;
    ASSERT_TRUE(
        platform::listFolder(dir.path(), [&](const auto& e) { seen[e.name] = e.isDirectory; }));
    EXPECT_EQ(seen, (std::map<std::string, bool>{
                        {".", true}, {"..", true}, {"色彩 looks", true}, {"файл.conf", false}}));
    std::FILE* file = platform::openForSharedRead(dir.path() + "/色彩 looks/look.cube");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 4u);
    std::fclose(file);
    EXPECT_FALSE(platform::listFolder(dir.path() + "/none", [](const auto&) { ADD_FAILURE(); }));
}

TEST(Platform, LibrariesLoadByBareNameBesideThePluginAndNotFromOtherFiles) {
    void* bare = platform::loadLibrary("KROpenGLEffectMgr-mesa.so");
    ASSERT_NE(bare, nullptr);
    EXPECT_NE(platform::findSymbol(bare, "CreateNLEOpenGLEffectEngineInstance"), nullptr);
    EXPECT_EQ(platform::findSymbol(bare, "NoSuchEntry"), nullptr);
    platform::freeLibrary(bare);
    qlxtest::TempDir dir;
    EXPECT_EQ(platform::loadLibrary(dir.write("fake.so", "not a library")), nullptr);
    EXPECT_EQ(platform::loadLibrary(dir.path() + "/missing.so"), nullptr);
}

TEST(Platform, ThreadIdsDifferBetweenThreadsAndStayPut) {
    const std::uint32_t here = platform::currentThreadId();
    std::uint32_t there = here;
    std::thread([&] { there = platform::currentThreadId(); }).join();
    EXPECT_NE(there, here);
    EXPECT_EQ(platform::currentThreadId(), here);
}

}  // namespace
