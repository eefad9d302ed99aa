// Files and folders a LUT folder may hold by accident or malice. Each is
// refused at once with the plugin's usual answers: never waited on, never read
// whole when it is too big, never followed round a loop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "kit/host_session.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
constexpr char kGuid[] = "BAD00000-0000-4000-8000-000000000001";

class HostileFolder : public ::testing::Test {
  protected:
    void SetUp() override { write("LUT.conf", R"({"GUID": "ROOT"})"); }
    std::string lut() const { return folder.path() + "/qlx_effect/plugin/LUT"; }
    std::string write(const std::string& relative, const std::string& text) const {
        return folder.write("qlx_effect/plugin/LUT/" + relative, text);
    }
    bool start() {
        qlxhost::SessionConfig config;
        config.lutFolder = lut();
        config.freshCopy = true;
        return session.start(config);
    }
    qlxtest::TempDir folder;
    qlxhost::HostSession session;
};

struct LutCase {
    const char* name;
    std::function<void(const std::string& path)> make;
};

void PrintTo(const LutCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileLutFile : public HostileFolder, public ::testing::WithParamInterface<LutCase> {};

TEST_P(HostileLutFile, PassesFramesThroughWithTheLoadFailureLine) {
    write("look/filter.xml", std::string("<Filter><GUID>") + kGuid +
                                 "</GUID><LUT><LutFile>x.cube</LutFile></LUT></Filter>");
    GetParam().make(lut() + "/look/x.cube");
    ASSERT_TRUE(start()) << session.error();
    qlxhost::FilterDescription described;
    ASSERT_EQ(session.registerFolder(lut() + "/look", described), 0);
    auto effect = session.createEffect(kGuid, 0);
    ASSERT_NE(effect, nullptr);
    effect->parameters().set("alpha", qlxhost::ParamAnswer::integer(100));
    qlxhost::Frame input(8, 4), output(8, 4);
    for (int i = 0; i < 8 * 4 * 4; ++i) input.data()[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(effect->prepare(), 0);
    ASSERT_EQ(effect->updateParameters(), 0);
    ASSERT_EQ(effect->render(input, output), 0);
    EXPECT_TRUE(std::equal(input.data(), input.data() + 8 * 4 * 4, output.data()));
    EXPECT_EQ(session.log().count("tonekit::LUT loadCubeFile Failed: " + lut() + "/look/x.cube"),
              1);
}

void sparse(const std::string& path, std::uintmax_t bytes) {
    std::ofstream(path) << "LUT_3D_SIZE 2\n";
    fs::resize_file(path, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, HostileLutFile,
    ::testing::Values(
        LutCase{"fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        LutCase{"device", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        LutCase{"folder", [](const std::string& p) { fs::create_directory(p); }},
        LutCase{"linkLoop", [](const std::string& p) { fs::create_symlink(p, p); }},
        LutCase{"justOverLimit", [](const std::string& p) { sparse(p, (64u << 20) + 1); }},
        LutCase{"twoGigabytes", [](const std::string& p) { sparse(p, std::uintmax_t(2) << 30); }}));

TEST_F(HostileFolder, DescriptionsThatAreNoFilesAreSkippedByTheScan) {
    write("good/good.conf", R"({"GUID": "GOOD"})");
    fs::create_directories(lut() + "/fifo");
    ASSERT_EQ(mkfifo((lut() + "/fifo/a.conf").c_str(), 0600), 0);
    fs::create_directories(lut() + "/device");
    fs::create_symlink("/dev/zero", lut() + "/device/b.conf");
    fs::create_directories(lut() + "/huge");
    sparse(lut() + "/huge/c.conf", std::uintmax_t(2) << 30);
    ASSERT_EQ(mkfifo((lut() + "/good/filter.xml").c_str(), 0600), 0);
    ASSERT_TRUE(start()) << session.error();
    EXPECT_EQ(session.info().effectCount, 2u);  // ROOT and GOOD
    qlxhost::FilterDescription described;
    EXPECT_EQ(session.registerFolder(lut() + "/good", described), 2);
    EXPECT_EQ(session.log().count("Register LUT Effect Failed: " + lut() + "/good"), 1);
}

TEST_F(HostileFolder, ManyLooksDeepNestingAndOddNamesAreScannedWithinBounds) {
    for (int i = 0; i < 10000; ++i)
        write("many/" + std::to_string(i) + "/l.conf",
              "{\"GUID\": \"M" + std::to_string(i) + "\"}");
    write("\xff\xfe-not-utf8/n.conf", R"({"GUID": "ODD"})");
    std::string deep;
    for (int level = 1; level <= 130; ++level) {
        deep += "d/";
        if (level == 128 || level == 129)
            write(deep + "x.conf", "{\"GUID\": \"D" + std::to_string(level) + "\"}");
    }
    ASSERT_TRUE(start()) << session.error();
    // ROOT, 10,000 looks, the oddly named one and the folder 128 levels down;
    // the one 129 levels down lies past the scan's depth.
    EXPECT_EQ(session.info().effectCount, 10003u);
}

}  // namespace
