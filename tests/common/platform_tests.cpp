// The platform layer on real folders, files and libraries.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <thread>

#include "common/platform.h"
#include "support/temp_dir.h"

namespace {

namespace platform = qlx::platform;

TEST(Platform, FoldersNamedInAnyScriptAreListedAndTheirFilesOpened) {
    qlxtest::TempDir dir;
    const char* const names[] = {"Φίλτρα χρώματος", "色彩查找表", "emoji 🎬", "plain"};
    for (const char* name : names) dir.write(std::string(name) + "/look.cube", name);
    dir.write("файл.conf", "{}");
    std::map<std::string, bool> seen;
    ASSERT_TRUE(
        platform::listFolder(dir.path(), [&](const auto& e) { seen[e.name] = e.isDirectory; }));
    EXPECT_EQ(seen.size(), 7u);  // with "." and ".."
    EXPECT_FALSE(seen.at("файл.conf"));
    for (const char* name : names) {
        EXPECT_TRUE(seen[name]) << name;
        std::FILE* file = platform::openForSharedRead(dir.path() + "/" + name + "/look.cube");
        ASSERT_NE(file, nullptr) << name;
        char text[64] = {};
        std::fread(text, 1, sizeof text - 1, file);
        std::fclose(file);
        EXPECT_STREQ(text, name);
    }
    EXPECT_EQ(platform::openForSharedRead(dir.path() + "/none.cube"), nullptr);
    EXPECT_EQ(platform::openForSharedRead(dir.path()), nullptr);
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
