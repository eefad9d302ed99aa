// The platform layer on real folders and files with non-ASCII names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <thread>

#include "common/platform.h"
#include "support/temp_dir.h"

namespace {

namespace platform = qlx::platform;

const char* const kNames[] = {"Φίλτρα χρώματος", "色彩查找表", "ルック", "emoji 🎬", "plain"};

TEST(Platform, FoldersNamedInAnyScriptAreListedAndTheirFilesOpened) {
    qlxtest::TempDir dir;
    for (const char* name : kNames) dir.write(std::string(name) + "/look.cube", name);
    dir.write("файл.conf", "{}");

    std::map<std::string, bool> seen;
    ASSERT_TRUE(platform::listFolder(
        dir.path(), [&](const platform::DirEntry& e) { seen[e.name] = e.isDirectory; }));
    EXPECT_TRUE(seen.count(".") && seen.count(".."));
    EXPECT_FALSE(seen.at("файл.conf"));
    for (const char* name : kNames) {
        ASSERT_TRUE(seen.count(name)) << name;
        EXPECT_TRUE(seen.at(name)) << name;
        std::FILE* file = platform::openForSharedRead(dir.path() + "/" + name + "/look.cube");
        ASSERT_NE(file, nullptr) << name;
        char text[64] = {};
        std::fread(text, 1, sizeof text - 1, file);
        std::fclose(file);
        EXPECT_STREQ(text, name);
    }
}

TEST(Platform, MissingOrFolderPathsDoNotOpen) {
    qlxtest::TempDir dir;
    EXPECT_EQ(platform::openForSharedRead(dir.path() + "/none.cube"), nullptr);
    EXPECT_EQ(platform::openForSharedRead(dir.path()), nullptr);
    EXPECT_EQ(platform::openForSharedRead(""), nullptr);
    int visits = 0;
    EXPECT_FALSE(platform::listFolder(dir.path() + "/none", [&](const auto&) { ++visits; }));
    EXPECT_EQ(visits, 0);
}

TEST(Platform, LibrariesLoadByPathAndByBareNameBesideThePlugin) {
    void* bare = platform::loadLibrary("KROpenGLEffectMgr-mesa.so");
    ASSERT_NE(bare, nullptr) << "a bare name is found beside the loading library";
    EXPECT_NE(platform::findSymbol(bare, "CreateNLEOpenGLEffectEngineInstance"), nullptr);
    EXPECT_EQ(platform::findSymbol(bare, "NoSuchEntry"), nullptr);
    platform::freeLibrary(bare);

    qlxtest::TempDir dir;
    const std::string notALibrary = dir.write("fake.so", "not a library");
    EXPECT_EQ(platform::loadLibrary(notALibrary), nullptr);
    EXPECT_EQ(platform::loadLibrary(dir.path() + "/missing.so"), nullptr);
    EXPECT_EQ(platform::findSymbol(nullptr, "x"), nullptr);
    platform::freeLibrary(nullptr);
}

TEST(Platform, ThreadIdsDifferBetweenThreadsAndStayPut) {
    const std::uint32_t here = platform::currentThreadId();
    EXPECT_EQ(platform::currentThreadId(), here);
    std::uint32_t there = here;
    std::thread([&] { there = platform::currentThreadId(); }).join();
    EXPECT_NE(there, here);
}

}  // namespace
