// The bundled LUT folder read the way the plugin reads it: descriptions through the catalogue's
// readers, LUT files through CubeLut. (That regenerating it gives the committed bytes is checked by
// tools/make_looks.py --check.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"
#include "lut/cube_lut.h"

namespace {

const std::string kLutFolder = QLX_RESOURCES_DIR "/qlx_effect/plugin/LUT";

TEST(BundledFolder, EachLooksTwoDescriptionsAgreeAndItsLutLoadsForTheTexture) {
    std::set<int> sizes;
    std::set<std::string> formats;
    for (const auto& entry : std::filesystem::directory_iterator(kLutFolder)) {
        const std::string folder = entry.path().string();
        NLEFilterRegistry registry;
        const auto xml = readFilterXml(registry, folder + "/filter.xml");
        if (!xml) continue;  // the programs and the user-chosen LUT
        SCOPED_TRACE(folder);
        const auto conf = registry.scanFolder(folder, false);
        ASSERT_NE(conf, nullptr);
        EXPECT_EQ(conf->guid() + conf->name(), xml->guid() + xml->name());
        qlx::CubeLut texture(true, true);
        ASSERT_TRUE(texture.loadCubeFileForTexture(xml->lutPath())) << "status " << texture.status;
        const auto& values = texture.packedList();
        EXPECT_TRUE(
            std::all_of(values.begin(), values.end(), [](float v) { return v >= 0 && v <= 1; }));
        const std::size_t n = texture.size();
        EXPECT_EQ(values.size(), 3 * n * n * n);
        sizes.insert(texture.size());
        std::string format = std::filesystem::path(xml->lutPath()).extension().string();
        std::transform(format.begin(), format.end(), format.begin(), ::toupper);
        formats.insert(format);
    }
    EXPECT_EQ(sizes, (std::set<int>{17, 33, 65}));
    EXPECT_EQ(formats, (std::set<std::string>{".3DL", ".CUBE"}));
}

}  // namespace
