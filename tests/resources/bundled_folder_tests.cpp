// The bundled LUT folder read the way the plugin reads it: descriptions through the catalogue's
// readers, LUT files through CubeLut, and each look's effect on a few colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"
#include "common/platform.h"
#include "lut/cube_lut.h"

namespace {

const std::string kLutFolder = QLX_RESOURCES_DIR "/qlx_effect/plugin/LUT";
const char kCustomLutGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

std::vector<qlx::platform::DirEntry> entriesOf(const std::string& folder) {
    std::vector<qlx::platform::DirEntry> entries;
    qlx::platform::listFolder(folder, [&](const auto& e) { entries.push_back(e); });
    return entries;
}

bool holds(const std::string& folder, const std::string& name) {
    const auto entries = entriesOf(folder);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& e) { return e.name == name; });
}

// Every sub-folder holding a "filter.xml": the folders a host registers one by one.
std::vector<std::string> lookFolders() {
    std::vector<std::string> looks;
    for (const auto& e : entriesOf(kLutFolder)) {
        if (e.isDirectory && e.name != "." && e.name != ".." &&
            holds(kLutFolder + "/" + e.name, "filter.xml")) {
            looks.push_back(e.name);
        }
    }
    std::sort(looks.begin(), looks.end());
    return looks;
}

std::string confFileIn(const std::string& folder) {
    for (const auto& e : entriesOf(folder)) {
        if (!e.isDirectory && e.name.find(".conf") != std::string::npos)
            return folder + "/" + e.name;
    }
    return "";
}

TEST(BundledFolder, RootNamesTheProgramsAndEveryGuidIsDistinct) {
    NLEFilterRegistry registry;
    const auto root = registry.scanFolder(kLutFolder, false);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "LUT");
    EXPECT_EQ(root->openCLProgramPath(), kLutFolder + "/programs/lut.cl");
    EXPECT_EQ(root->openGLProgramPath(), kLutFolder + "/programs/lut.glsl");
    EXPECT_EQ(registry.filterCount(), registry.loadOrderLength()) << "a GUID is used twice";
    EXPECT_EQ(registry.filterCount(), lookFolders().size() + 2);  // + root and custom LUT
    const auto custom = registry.findByGuid(kCustomLutGuid);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->name(), "Custom LUT");
    EXPECT_TRUE(custom->lutPath().empty());
}

TEST(BundledFolder, OffersEightLooksInBothFormatsAndThreeGridSizes) {
    std::set<int> sizes;
    std::set<std::string> formats;
    for (const auto& look : lookFolders()) {
        NLEFilterRegistry registry;
        const auto xml = readFilterXml(registry, kLutFolder + "/" + look + "/filter.xml");
        ASSERT_NE(xml, nullptr) << look;
        qlx::CubeLut lut;
        ASSERT_TRUE(lut.loadCubeFile(xml->lutPath())) << xml->lutPath() << " status " << lut.status;
        sizes.insert(lut.size());
        std::string ext = xml->lutPath().substr(xml->lutPath().find_last_of('.'));
        std::transform(ext.begin(), ext.end(), ext.begin(), ::toupper);
        formats.insert(ext);
    }
    EXPECT_GE(lookFolders().size(), 8u);
    EXPECT_EQ(sizes, (std::set<int>{17, 33, 65}));
    EXPECT_EQ(formats, (std::set<std::string>{".3DL", ".CUBE"}));
}

class Look : public ::testing::TestWithParam<std::string> {};

TEST_P(Look, DescriptionsAgreeAndItsLutLoadsInBothForms) {
    const std::string folder = kLutFolder + "/" + GetParam();
    NLEFilterRegistry confRegistry, xmlRegistry;
    const auto conf = readConfFile(confRegistry, confFileIn(folder));
    const auto xml = readFilterXml(xmlRegistry, folder + "/filter.xml");
    ASSERT_NE(conf, nullptr);
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(conf->guid(), xml->guid());
    EXPECT_EQ(conf->name(), xml->name());
    EXPECT_FALSE(conf->name().empty());
    EXPECT_TRUE(
        std::regex_match(conf->guid(), std::regex("[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}")))
        << conf->guid();
    EXPECT_EQ(xml->lutPath().rfind(folder + "/", 0), 0u) << xml->lutPath();

    qlx::CubeLut grid;
    ASSERT_TRUE(grid.loadCubeFile(xml->lutPath())) << "status " << grid.status;
    qlx::CubeLut texture(true, true);
    ASSERT_TRUE(texture.loadCubeFileForTexture(xml->lutPath())) << "status " << texture.status;
    const auto n = static_cast<std::uint32_t>(grid.size());
    EXPECT_EQ(texture.entryCount, n * n * n);
    EXPECT_EQ(texture.packedList().size(), 3u * n * n * n);
    for (float v : texture.packedList()) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << v;
}

INSTANTIATE_TEST_SUITE_P(EveryLook, Look, ::testing::ValuesIn(lookFolders()),
                         [](const auto& info) { return info.param; });

using Rgb = std::array<int, 3>;

struct Effect {
    const char* look;
    const char* what;
    Rgb input;
    std::function<bool(const Rgb& in, const Rgb& out)> holds;
};

void PrintTo(const Effect& e, std::ostream* os) {
    *os << e.look << ": " << e.what;
}

// One colour through the look's LUT, as the CPU renderer applies it.
Rgb throughLook(const std::string& look, const Rgb& rgb) {
    NLEFilterRegistry registry;
    const auto xml = readFilterXml(registry, kLutFolder + "/" + look + "/filter.xml");
    qlx::CubeLut lut;
    if (xml == nullptr || !lut.loadCubeFile(xml->lutPath())) return {-1, -1, -1};
    std::uint8_t src[3] = {static_cast<std::uint8_t>(rgb[2]), static_cast<std::uint8_t>(rgb[1]),
                           static_cast<std::uint8_t>(rgb[0])};
    std::uint8_t dst[3] = {};
    EXPECT_EQ(lut.apply(dst, 3, src, 1, 1, 3, 3), 0);
    return {dst[2], dst[1], dst[0]};
}

class LookEffect : public ::testing::TestWithParam<Effect> {};

TEST_P(LookEffect, ShowsOnTheColour) {
    const Effect& e = GetParam();
    const Rgb out = throughLook(e.look, e.input);
    EXPECT_TRUE(e.holds(e.input, out))
        << e.look << ": " << e.what << "; out " << out[0] << " " << out[1] << " " << out[2];
}

int spread(const Rgb& c) {
    return *std::max_element(c.begin(), c.end()) - *std::min_element(c.begin(), c.end());
}

// Expected directions and sizes follow from the formulas in resources/README.md.
INSTANTIATE_TEST_SUITE_P(
    Looks, LookEffect,
    ::testing::Values(Effect{"warm",
                             "grey turns warm",
                             {128, 128, 128},
                             [](auto&, auto& o) { return o[0] > o[2] + 10; }},
                      Effect{"cool",
                             "grey turns cool",
                             {128, 128, 128},
                             [](auto&, auto& o) { return o[2] > o[0] + 10; }},
                      Effect{"teal_orange",
                             "shadows teal",
                             {40, 40, 40},
                             [](auto&, auto& o) { return o[2] > o[0] + 10; }},
                      Effect{"teal_orange",
                             "highlights orange",
                             {215, 215, 215},
                             [](auto&, auto& o) { return o[0] > o[2] + 10; }},
                      Effect{"bleach_bypass",
                             "colour drained",
                             {200, 40, 40},
                             [](auto& i, auto& o) { return spread(o) < spread(i) * 3 / 4; }},
                      Effect{"monochrome",
                             "red becomes grey",
                             {255, 0, 0},
                             [](auto&, auto& o) {
                                 return o[0] == o[1] && o[1] == o[2] && o[0] > 10 && o[0] < 90;
                             }},
                      Effect{"faded_film",
                             "black lifted",
                             {0, 0, 0},
                             [](auto&, auto& o) { return o[1] >= 15 && o[1] <= 21; }},
                      Effect{"faded_film",
                             "white lowered",
                             {255, 255, 255},
                             [](auto&, auto& o) { return o[1] < 245; }},
                      Effect{"high_contrast",
                             "dark greys darker",
                             {64, 64, 64},
                             [](auto&, auto& o) { return o[1] < 40; }},
                      Effect{"high_contrast",
                             "light greys lighter",
                             {192, 192, 192},
                             [](auto&, auto& o) { return o[1] > 215; }},
                      Effect{"day_for_night",
                             "mid grey dark and blue",
                             {128, 128, 128},
                             [](auto&, auto& o) { return o[1] < 64 && o[2] > o[0]; }},
                      Effect{"sepia",
                             "pure red by the sepia matrix's first column",
                             {255, 0, 0},
                             [](auto&, auto& o) {
                                 return std::abs(o[0] - 100) <= 2 && std::abs(o[1] - 89) <= 2 &&
                                        std::abs(o[2] - 69) <= 2;
                             }}),
    [](const auto& info) {
        std::string name = std::string(info.param.look) + "_" + info.param.what;
        for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

}  // namespace
