// qlxhost list: every filter the plugin describes, where its files are and
// whether the plugin loads its LUT.
#include <gtest/gtest.h>

#include "host_render.h"
#include "kit/host_session.h"
#include "program_run.h"
#include "support/temp_dir.h"

namespace qlxhosttest {
namespace {

// The block of lines `list` prints for the filter named `name`.
std::string blockOf(const std::string& out, const std::string& name) {
    const std::vector<std::string> all = lines(out);
    std::string block;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] != name) continue;
        for (std::size_t j = i; j < all.size() && (j == i || all[j].rfind("  ", 0) == 0); ++j) {
            block += all[j] + "\n";
        }
        break;
    }
    return block;
}

TEST(ListBundled, ShowsEveryLookWithItsFilesAndALoadingLut) {
    const ProgramResult run = runQlxhost({"list"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    qlxhost::HostSession session;
    ASSERT_TRUE(session.start({QLX_PLUGIN_PATH, bundledLutFolder(), {}, true}));
    const std::vector<std::string> looks = bundledLookFolders();
    ASSERT_FALSE(looks.empty());
    for (const std::string& folder : looks) {
        qlxhost::FilterDescription look;
        ASSERT_EQ(session.registerFolder(folder, look), 0) << folder;
        const std::string block = blockOf(run.out, look.name);
        ASSERT_FALSE(block.empty()) << look.name << " missing from\n" << run.out;
        const std::string relative = folder.substr(folder.rfind('/') + 1);
        EXPECT_NE(block.find("GUID         " + look.guid), std::string::npos) << block;
        EXPECT_NE(block.find(relative + "/filter.xml"), std::string::npos) << block;
        EXPECT_NE(block.find("(loads)"), std::string::npos) << block;
    }
    EXPECT_NE(run.out.find("74EB022D-1D73-4D1E-9F70-487C356D46CD"), std::string::npos);
    EXPECT_NE(run.out.find("chosen per use"), std::string::npos);
}

TEST(ListFolder, TellsLoadingFromBrokenLutsInAnyFolder) {
    qlxtest::TempDir dir;  // a LUT folder not named .../qlx_effect/plugin/LUT
    dir.write("looks/root.conf", R"({"GUID": "ROOT", "NAME": "Everything"})");
    dir.write("looks/good/good.conf", R"({"GUID": "GOOD", "NAME": "Good"})");
    dir.write("looks/good/filter.xml",
              "<Filter><GUID>GOOD</GUID><Name>Good Look</Name><LUT><LutFile>g.cube</LutFile>"
              "</LUT></Filter>");
    dir.write("looks/good/g.cube",
              "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n");
    dir.write("looks/broken/filter.xml",
              "<Filter><GUID>BROKEN</GUID><Name>Broken Look</Name><LUT><LutFile>b.cube</LutFile>"
              "</LUT></Filter>");
    dir.write("looks/broken/b.cube", "LUT_3D_SIZE 2\n0 0 0\n");
    dir.write("looks/plain/plain.conf", R"({"GUID": "PLAIN", "NAME": "Plain"})");

    const ProgramResult run = runQlxhost({"list", "--lut-folder", dir.path() + "/looks"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(blockOf(run.out, "Good Look").find("good/g.cube (loads)"), std::string::npos)
        << run.out;
    EXPECT_NE(blockOf(run.out, "Broken Look").find("broken/b.cube (DOES NOT LOAD"),
              std::string::npos)
        << run.out;
    EXPECT_NE(blockOf(run.out, "Plain").find("its folder holds no filter.xml"), std::string::npos)
        << run.out;
    EXPECT_NE(blockOf(run.out, "Everything").find("the LUT folder's own description"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("LUT folder: " + dir.path() + "/looks"), std::string::npos);
}

}  // namespace
}  // namespace qlxhosttest
