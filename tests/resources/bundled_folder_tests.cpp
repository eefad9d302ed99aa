// The bundled LUT folder read the way the plugin reads it: descriptions through the catalogue's
// readers, LUT files through CubeLut, and each look's effect on a few colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <set>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"
#include "lut/cube_lut.h"

namespace {

const std::string kLutFolder = QLX_RESOURCES_DIR "/qlx_effect/plugin/LUT";

// The LUT file a look folder's "filter.xml" names; empty when it cannot be read.
std::string lutFileOf(const std::string& look) {
    NLEFilterRegistry registry;
    const auto xml = readFilterXml(registry, kLutFolder + "/" + look + "/filter.xml");
    return xml ? xml->lutPath() : "";
}

TEST(BundledFolder, EveryLookIsDescribedAlikeTwiceAndItsLutLoadsForGridAndTexture) {
    NLEFilterRegistry registry;
    const auto root = registry.scanFolder(kLutFolder, false);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "LUT");
    EXPECT_EQ(root->openCLProgramPath(), kLutFolder + "/programs/lut.cl");
    EXPECT_EQ(root->openGLProgramPath(), kLutFolder + "/programs/lut.glsl");
    EXPECT_EQ(registry.filterCount(), registry.loadOrderLength()) << "a GUID is used twice";
    ASSERT_NE(registry.findByGuid(NLEFilterRegistry::kUserLutGuid), nullptr);
    std::set<int> sizes;
    std::set<std::string> formats;
    for (const auto& entry : std::filesystem::directory_iterator(kLutFolder)) {
        const std::string folder = entry.path().string();
        const auto xml = readFilterXml(registry, folder + "/filter.xml");
        if (!xml) continue;  // the programs and the user-chosen LUT
        SCOPED_TRACE(folder);
        NLEFilterRegistry own;
        const auto conf = own.scanFolder(folder, false);
        ASSERT_NE(conf, nullptr);
        EXPECT_EQ(conf->guid(), xml->guid());
        EXPECT_EQ(conf->name(), xml->name());
        EXPECT_EQ(xml->lutPath().rfind(folder + "/", 0), 0u);
        qlx::CubeLut grid, texture(true, true);
        ASSERT_TRUE(grid.loadCubeFile(xml->lutPath())) << "status " << grid.status;
        ASSERT_TRUE(texture.loadCubeFileForTexture(xml->lutPath())) << "status " << texture.status;
        const auto n = static_cast<std::uint32_t>(grid.size());
        EXPECT_EQ(texture.packedList().size(), 3u * n * n * n);
        EXPECT_TRUE(std::all_of(texture.packedList().begin(), texture.packedList().end(),
                                [](float v) { return v >= 0.0f && v <= 1.0f; }));
        sizes.insert(grid.size());
        std::string format = std::filesystem::path(xml->lutPath()).extension().string();
        std::transform(format.begin(), format.end(), format.begin(), ::toupper);
        formats.insert(format);
    }
    EXPECT_EQ(sizes, (std::set<int>{17, 33, 65}));
    EXPECT_EQ(formats, (std::set<std::string>{".3DL", ".CUBE"}));
}

using Rgb = std::array<int, 3>;

// One colour through the look's LUT, as the CPU renderer applies it (BGR bytes).
Rgb throughLook(const std::string& look, const Rgb& rgb) {
    qlx::CubeLut lut;
    if (!lut.loadCubeFile(lutFileOf(look))) return {-1, -1, -1};
    const std::uint8_t src[3] = {std::uint8_t(rgb[2]), std::uint8_t(rgb[1]), std::uint8_t(rgb[0])};
    std::uint8_t dst[3] = {};
    EXPECT_EQ(lut.apply(dst, 3, src, 1, 1, 3, 3), 0);
    return {dst[2], dst[1], dst[0]};
}

TEST(BundledFolder, EachLookShowsOnTheColoursItIsMadeFor) {
    const struct {
        const char* look;
        Rgb input;
        std::function<bool(const Rgb&)> holds;
    } rows[] = {
        {"warm", {128, 128, 128}, [](const Rgb& o) { return o[0] > o[2] + 10; }},
        {"cool", {128, 128, 128}, [](const Rgb& o) { return o[2] > o[0] + 10; }},
        {"monochrome",
         {255, 0, 0},
         [](const Rgb& o) { return o[0] == o[2] && o[0] > 10 && o[0] < 90; }},
        {"high_contrast", {64, 64, 64}, [](const Rgb& o) { return o[1] < 40; }},
        {"day_for_night", {128, 128, 128}, [](const Rgb& o) { return o[1] < 64 && o[2] > o[0]; }},
        // Pure red picks the sepia matrix's first column.
        {"sepia",
         {255, 0, 0},
         [](const Rgb& o) {
             return std::abs(o[0] - 100) <= 2 && std::abs(o[1] - 89) <= 2 &&
                    std::abs(o[2] - 69) <= 2;
         }},
    };
    for (const auto& row : rows) {
        const Rgb out = throughLook(row.look, row.input);
        EXPECT_TRUE(row.holds(out)) << row.look << " " << row.input[0] << " -> " << out[0] << " "
                                    << out[1] << " " << out[2];
    }
}

}  // namespace
