#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "temp_tree.h"

namespace {

std::vector<std::string> loadOrderGuids(const NLEFilterRegistry& registry) {
    std::vector<std::string> guids;
    for (std::size_t i = 0; i < registry.loadOrderLength(); ++i)
        guids.push_back(registry.filterAt(i)->guid());
    return guids;
}

TEST(ScanFolder, ReadsSubFoldersBeforeTheirParents) {
    TempTree tree;
    tree.conf("root.conf", "R");
    tree.conf("a/a.conf", "A");
    tree.conf("a/b/b.conf", "B");
    tree.conf("a/b/c/d/d.conf", "D");
    NLEFilterRegistry registry;
    const auto result = registry.scanFolder(tree.path(), false);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->guid(), "R");
    EXPECT_EQ(loadOrderGuids(registry), (std::vector<std::string>{"D", "B", "A", "R"}));
    EXPECT_EQ(registry.filterCount(), 4u);
}

TEST(ScanFolder, FolderWithoutItsOwnDescriptionYieldsNothingButStoresItsChildren) {
    TempTree tree;
    tree.conf("look/x.conf", "X");
    NLEFilterRegistry registry;
    EXPECT_EQ(registry.scanFolder(tree.path(), false), nullptr);
    EXPECT_NE(registry.findByGuid("X"), nullptr);
}

TEST(ScanFolder, EmptyOrMissingFolderYieldsNothing) {
    TempTree tree;
    NLEFilterRegistry registry;
    EXPECT_EQ(registry.scanFolder(tree.path(), false), nullptr);
    EXPECT_EQ(registry.scanFolder(tree.path("missing"), true), nullptr);
    EXPECT_EQ(registry.scanFolder(tree.conf("file.conf", "F"), false), nullptr);
    EXPECT_EQ(registry.filterCount(), 0u);
}

TEST(ScanFolder, RepeatedGuidsStayInTheLoadOrderAndTheLaterOneIsFound) {
    TempTree tree;
    tree.conf("root.conf", "R");
    tree.conf("one/x.conf", "DUP", "one");
    tree.conf("two/x.conf", "DUP", "two");
    NLEFilterRegistry registry;
    ASSERT_NE(registry.scanFolder(tree.path(), false), nullptr);
    ASSERT_EQ(registry.loadOrderLength(), 3u);
    EXPECT_EQ(registry.filterCount(), 2u);
    // The root comes last; the two duplicates fill the places the host enumerates.
    EXPECT_EQ(registry.filterAt(2)->guid(), "R");
    EXPECT_EQ(registry.findByGuid("DUP"), registry.filterAt(1));
    EXPECT_NE(registry.filterAt(0), registry.filterAt(1));
    EXPECT_EQ(registry.filterAt(3), nullptr);
}

TEST(ScanFolder, ReadsOnlyTheLastListedConfName) {
    TempTree tree;
    tree.conf("a.conf", "A");
    tree.conf("b.conf", "B");
    NLEFilterRegistry registry;
    const auto result = registry.scanFolder(tree.path(), false);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(registry.loadOrderLength(), 1u);
    // Which one is listed last is the file system's business; the other is never read.
    EXPECT_EQ(registry.filterAt(0), result);
    EXPECT_EQ(registry.filterCount(), 1u);
}

struct NameCase {
    const char* fileName;
    bool readAsConf;
};

class ConfNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ConfNames, AnyNameContainingDotConfIsADescription) {
    TempTree tree;
    tree.conf(GetParam().fileName, "G");
    NLEFilterRegistry registry;
    EXPECT_EQ(registry.scanFolder(tree.path(), false) != nullptr, GetParam().readAsConf);
}

INSTANTIATE_TEST_SUITE_P(Names, ConfNames,
                         ::testing::Values(NameCase{"filter.conf", true},
                                           NameCase{"notes.config", true},
                                           NameCase{"b.conf.bak", true}, NameCase{".conf", true},
                                           NameCase{"filter.CONF", false},
                                           NameCase{"filter.cnf", false}, NameCase{"conf", false}));

TEST(ScanFolder, DirectoryNamedLikeAConfIsScannedAsAFolder) {
    TempTree tree;
    tree.conf("x.conf/inner.conf", "INNER");
    NLEFilterRegistry registry;
    EXPECT_EQ(registry.scanFolder(tree.path(), false), nullptr);
    EXPECT_NE(registry.findByGuid("INNER"), nullptr);
    EXPECT_EQ(registry.loadOrderLength(), 1u);
}

TEST(ScanFolder, BrokenSubFolderDescriptionIsPassedOver) {
    TempTree tree;
    tree.conf("root.conf", "R");
    tree.file("bad/x.conf", "{\"GUID\":");
    tree.conf("good/x.conf", "G");
    NLEFilterRegistry registry;
    ASSERT_NE(registry.scanFolder(tree.path(), false), nullptr);
    EXPECT_EQ(registry.filterCount(), 2u);
}

TEST(ScanFolder, FilterXmlIsReadOnlyInTheRegisteredFolderWithReadXml) {
    TempTree tree;
    tree.conf("x.conf", "CONF");
    tree.file("filter.xml", "<Filter><GUID>XML</GUID></Filter>");
    tree.file("sub/filter.xml", "<Filter><GUID>SUBXML</GUID></Filter>");
    {
        NLEFilterRegistry registry;
        const auto result = registry.scanFolder(tree.path(), false);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->guid(), "CONF");
        EXPECT_EQ(registry.findByGuid("XML"), nullptr);
    }
    NLEFilterRegistry registry;
    const auto result = registry.scanFolder(tree.path(), true);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->guid(), "XML");
    EXPECT_NE(registry.findByGuid("CONF"), nullptr);
    EXPECT_EQ(registry.findByGuid("SUBXML"), nullptr);
    EXPECT_EQ(loadOrderGuids(registry), std::vector<std::string>{"CONF"});
}

TEST(ScanFolder, BrokenFilterXmlFailsTheRegistrationButKeepsTheConf) {
    TempTree tree;
    tree.conf("x.conf", "CONF");
    tree.file("my.filter.xml.old", "<Filter><GUID>");
    NLEFilterRegistry registry;
    EXPECT_EQ(registry.scanFolder(tree.path(), true), nullptr);
    EXPECT_NE(registry.findByGuid("CONF"), nullptr);
}

TEST(ScanFolder, FilterXmlWithoutGuidIsStoredUnderTheEmptyGuid) {
    TempTree tree;
    tree.file("filter.xml", "<Filter><Name>nameless</Name></Filter>");
    NLEFilterRegistry registry;
    const auto result = registry.scanFolder(tree.path(), true);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(registry.findByGuid(""), result);
}

TEST(ScanFolder, LinksBackUpTheTreeAreNotFollowed) {
    TempTree tree;
    tree.conf("root.conf", "R");
    tree.conf("sub/s.conf", "S");
    std::filesystem::create_directory_symlink(tree.path(), tree.path("sub/up"));
    std::filesystem::create_directory_symlink(tree.path(), tree.path("sub/up2"));
    std::filesystem::create_directory_symlink(tree.path("sub"), tree.path("self"));
    NLEFilterRegistry registry;
    ASSERT_NE(registry.scanFolder(tree.path(), false), nullptr);
    // "self" is a second way into "sub", not a loop, so "sub" is read twice.
    std::vector<std::string> guids = loadOrderGuids(registry);
    EXPECT_EQ(std::count(guids.begin(), guids.end(), "S"), 2);
    EXPECT_EQ(guids.back(), "R");
    EXPECT_EQ(guids.size(), 3u);
}

struct GuidLookup {
    const char* asked;
    bool found;
};

class FindByGuid : public ::testing::TestWithParam<GuidLookup> {};

TEST_P(FindByGuid, ComparesBytesExactly) {
    NLEFilterRegistry registry;
    TempTree tree;
    tree.conf("x.conf", "74EB022D-1D73-4D1E-9F70-487C356D46CD");
    registry.scanFolder(tree.path(), false);
    EXPECT_EQ(registry.findByGuid(GetParam().asked) != nullptr, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Guids, FindByGuid,
    ::testing::Values(GuidLookup{"74EB022D-1D73-4D1E-9F70-487C356D46CD", true},
                      GuidLookup{"74eb022d-1d73-4d1e-9f70-487c356d46cd", false},
                      GuidLookup{"74EB022D-1D73-4D1E-9F70-487C356D46C", false},
                      GuidLookup{" 74EB022D-1D73-4D1E-9F70-487C356D46CD", false},
                      GuidLookup{"", false}, GuidLookup{nullptr, false}));

}  // namespace
