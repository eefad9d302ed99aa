// Scanning a folder tree of descriptions: the load order, which files count,
// and finding descriptions by GUID.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "support/temp_dir.h"

namespace {

class ScanFolder : public ::testing::Test {
  protected:
    void conf(const std::string& relative, const std::string& guid) {
        dir.write(relative, "{\"GUID\":\"" + guid + "\"}");
    }
    std::vector<std::string> loadOrder() const {
        std::vector<std::string> guids;
        for (std::size_t i = 0; i < registry.loadOrderLength(); ++i)
            guids.push_back(registry.filterAt(i)->guid());
        return guids;
    }
    qlxtest::TempDir dir;
    NLEFilterRegistry registry;
};

TEST_F(ScanFolder, ReadsSubFoldersBeforeTheirParentAndAnswersTheParentsOwn) {
    conf("root.conf", "R");
    conf("a/a.conf", "A");
    conf("a/b/c/d/d.conf", "D");
    dir.write("a/bad/x.conf", "{\"GUID\":");
    const auto root = registry.scanFolder(dir.path(), false);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->guid(), "R");
    EXPECT_EQ(loadOrder(), (std::vector<std::string>{"D", "A", "R"}));
}

TEST_F(ScanFolder, FolderWithoutItsOwnDescriptionAnswersNullButStoresItsChildren) {
    conf("look/x.conf", "X");
    EXPECT_EQ(registry.scanFolder(dir.path(), false), nullptr);
    EXPECT_NE(registry.findByGuid("X"), nullptr);
    EXPECT_EQ(registry.scanFolder(dir.path() + "/missing", true), nullptr);
    EXPECT_EQ(registry.scanFolder(dir.path() + "/look/x.conf", false), nullptr);
}

TEST_F(ScanFolder, RepeatedGuidsKeepTheirPlacesInTheLoadOrderAndTheLaterOneIsFoundByExactBytes) {
    conf("root.conf", "R");
    conf("one/x.conf", "DUP");
    conf("two/x.conf", "DUP");
    ASSERT_NE(registry.scanFolder(dir.path(), false), nullptr);
    EXPECT_EQ(loadOrder(), (std::vector<std::string>{"DUP", "DUP", "R"}));
    EXPECT_EQ(registry.filterCount(), 2u);
    EXPECT_EQ(registry.findByGuid("DUP"), registry.filterAt(1));
    EXPECT_EQ(registry.filterAt(3), nullptr);
    // GUIDs are compared byte for byte.
    for (const char* other : {"dup", "DU", " DUP", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(registry.findByGuid(other), nullptr) << (other ? other : "null");
}

TEST_F(ScanFolder, ADescriptionIsAnyFileNameContainingDotConfAndOnlyOneIsReadPerFolder) {
    for (const char* name : {"a.conf", "notes.config", "b.conf.bak", ".conf"}) conf(name, name);
    for (const char* name : {"c.CONF", "d.cnf", "conf"}) conf("other/" + std::string(name), name);
    EXPECT_NE(registry.scanFolder(dir.path(), false), nullptr);
    EXPECT_EQ(registry.loadOrderLength(), 1u);
}

TEST_F(ScanFolder, FilterXmlIsReadOnlyInTheScannedFolderWithReadXmlAndIsItsAnswer) {
    conf("x.conf", "CONF");
    dir.write("filter.xml", "<Filter><GUID>XML</GUID></Filter>");
    dir.write("sub/filter.xml", "<Filter><GUID>SUBXML</GUID></Filter>");
    EXPECT_EQ(registry.scanFolder(dir.path(), false)->guid(), "CONF");
    EXPECT_EQ(registry.findByGuid("XML"), nullptr);
    EXPECT_EQ(registry.scanFolder(dir.path(), true)->guid(), "XML");
    EXPECT_EQ(registry.findByGuid("SUBXML"), nullptr);
    EXPECT_EQ(loadOrder(), (std::vector<std::string>{"CONF", "CONF"}));
    // A broken "filter.xml" fails the registration; the ".conf" stays stored.
    NLEFilterRegistry other;
    dir.write("filter.xml", "<Filter><GUID>");
    EXPECT_EQ(other.scanFolder(dir.path(), true), nullptr);
    EXPECT_NE(other.findByGuid("CONF"), nullptr);
}

TEST_F(ScanFolder, LinksBackUpTheTreeAreNotFollowed) {
    conf("root.conf", "R");
    conf("sub/s.conf", "S");
    std::filesystem::create_directory_symlink(dir.path(), dir.path() + "/sub/up");
    std::filesystem::create_directory_symlink(dir.path() + "/sub", dir.path() + "/self");
    ASSERT_NE(registry.scanFolder(dir.path(), false), nullptr);
    // "self" is a second way into "sub", not a loop, so "sub" is read twice.
    EXPECT_EQ(loadOrder(), (std::vector<std::string>{"S", "S", "R"}));
}

}  // namespace
