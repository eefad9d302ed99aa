// Loading from files: the extension picks the grammar, and every LUT file of
// the shared corpus loads or fails as the reading rules say.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#if defined(QLX_TEST_HAVE_ZLIB)
#include <zlib.h>
#endif

#include "lut/cube_lut.h"

namespace qlx {
namespace {

const std::string kCube = "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";
const std::string kThreeDl = "0 2048 4095\n" + [] {
    std::string s;
    for (int i = 0; i < 27; ++i) s += "4095 0 0\n";
    return s;
}();

std::string writeTemp(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Loads `path` both ways into fresh objects; each must end with `status`
// (1: refused before reading) and `size` (0 where no header set one).
void expectLoad(const std::string& path, int status, int size) {
    for (bool texture : {false, true}) {
        auto lut = std::make_unique<CubeLut>(texture, texture);
        const bool loaded = texture ? lut->loadCubeFileForTexture(path) : lut->loadCubeFile(path);
        EXPECT_EQ(loaded, status == 0) << path;
        EXPECT_EQ(lut->status, status) << path;
        EXPECT_EQ(lut->size(), size) << path;
        if (!loaded) continue;
        EXPECT_EQ(lut->entryCount, static_cast<std::uint32_t>(size * size * size));
        if (texture) {
            EXPECT_EQ(lut->packedList().size(), lut->entryCount * 3u);
        }
    }
    const std::optional<LutReading> reading = readLutFile(path);
    ASSERT_EQ(reading.has_value(), status != 1) << path;
    if (reading) {
        EXPECT_EQ(reading->status(), status) << path;
    }
}

// f.3dl holds .CUBE text, read as .3DL only: "0 0 0" is a 3-field shaper line.
TEST(FileNames, ExtensionPicksTheReaderInAnyLetterCase) {
    const struct {
        const char* name;
        const std::string& contents;
        int status, size;
    } cases[] = {{"a.cube", kCube, 0, 2},     {"b.Cube", kCube, 0, 2},
                 {"c.CUBE", kCube, 0, 2},     {"d.3dl", kThreeDl, 0, 3},
                 {"e.3DL", kThreeDl, 0, 3},   {"f.3dl", kCube, 10, 3},
                 {"g.csp", kCube, 1, 0},      {"hcube", kCube, 1, 0},
                 {"i.cube.txt", kCube, 1, 0}, {"\xC3\xA9t\xC3\xA9.cube", kCube, 0, 2}};
    for (const auto& c : cases) expectLoad(writeTemp(c.name, c.contents), c.status, c.size);
}

TEST(FileNames, WhatCannotBeOpenedLeavesTheStatusAlone) {
    CubeLut lut;
    EXPECT_FALSE(lut.loadCubeFile(::testing::TempDir() + "folder.cube/none"));
    EXPECT_EQ(lut.status, 1);
    ASSERT_TRUE(lut.loadCubeFile(writeTemp("ok.cube", kCube)));
    const std::string folder = ::testing::TempDir() + "looks_like.cube";
    std::filesystem::create_directories(folder);
    for (const std::string& path : {::testing::TempDir() + "missing.cube", folder}) {
        EXPECT_FALSE(lut.loadCubeFile(path));
        EXPECT_EQ(lut.status, 0);
    }
}

// The shaper lines of colorpipe_*, o3de_* and ocio_crosstalk end with a space,
// one field more than their values; Demo_1d has LUT_1D_SIZE only; the dakom
// files have DOMAIN_MIN equal to DOMAIN_MAX and "LUT_3D_SIZE foo"; lustre's
// first numeric line "      2     4     4" counts 17 fields.
TEST(Corpus, EveryFileLoadsOrFailsAsTheReadingRulesSay) {
    const std::string folder = std::string(QLX_TESTDATA_DIR) + "/luts/";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "test corpus not found: " << folder;
    const struct {
        const char* file;
        int status, size;
    } cases[] = {{"colorpipe_identity.3dl", 10, 34},
                 {"colorpipe_saturation.3dl", 10, 18},
                 {"colour_iridas_Demo_1d.cube", 23, 0},
                 {"colour_iridas_Three_Dimensional_Table.cube", 0, 2},
                 {"colour_iridas_eotf_sRGB_3D.cube", 0, 8},
                 {"colour_resolve_LogC_Video.cube", 0, 4},
                 {"colour_resolve_Three_Dimensional_Table_With_Shaper.cube", 0, 3},
                 {"colour_resolve_eotf_sRGB_3D.cube", 0, 8},
                 {"dakom_data-line-fail.cube", 22, 32},
                 {"dakom_size-value-fail.cube", 10, 0},
                 {"o3de_SavedLut_64.3dl.gz", 10, 65},
                 {"o3de_test_hue-sat_32_LUT.3dl", 10, 33},
                 {"ocio_crosstalk.3dl", 10, 18},
                 {"ocio_discreet-3d-lut.3dl", 0, 17},
                 {"ocio_error_truncated_file.3dl", 10, 17},
                 {"ocio_iridas_3d.cube", 0, 2},
                 {"ocio_lustre_33x33x33.3dl", 0, 17},
                 {"ocio_resolve_1d3d.cube", 0, 3},
                 {"openshot_cold_shadows.cube", 0, 33},
                 {"openshot_noir_era.cube", 0, 33},
                 {"openshot_protect_highlights.cube", 0, 33},
                 {"openshot_retro_red_shadows.cube", 0, 32},
                 {"openshot_valentine_pop.cube", 0, 16},
                 {"openshot_vintage_400_film.cube", 0, 25}};
    for (const auto& c : cases) {
        std::string path = folder + c.file;
        if (path.compare(path.size() - 3, 3, ".gz") == 0) {
#if defined(QLX_TEST_HAVE_ZLIB)
            gzFile in = gzopen(path.c_str(), "rb");
            ASSERT_NE(in, nullptr) << path;
            std::string bytes(1 << 16, '\0'), all;
            for (int got; (got = gzread(in, bytes.data(), 1 << 16)) > 0;) all.append(bytes, 0, got);
            gzclose(in);
            path = writeTemp("unpacked.3dl", all);
#else
            continue;  // built without zlib
#endif
        }
        expectLoad(path, c.status, c.size);
    }
}

}  // namespace
}  // namespace qlx
