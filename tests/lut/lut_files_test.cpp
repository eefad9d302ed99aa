// Loading from files: the extension decides the grammar, and every LUT file
// of the shared test corpus loads or fails as the reading rules say.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

struct NameCase {
    const char* name;
    std::string fileName;
    std::string contents;
    int status;  // 1: the name is refused before any reading
    int size;    // after a successful load
};

class FileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNames, ExtensionPicksTheReaderInAnyLetterCase) {
    const std::string path = writeTemp(GetParam().fileName, GetParam().contents);
    for (bool texture : {false, true}) {
        CubeLut lut(true, true);
        const bool loaded = texture ? lut.loadCubeFileForTexture(path) : lut.loadCubeFile(path);
        EXPECT_EQ(loaded, GetParam().status == 0);
        EXPECT_EQ(lut.status, GetParam().status);
        if (loaded) {
            EXPECT_EQ(lut.size(), GetParam().size);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNames,
    ::testing::Values(NameCase{"lower_cube", "a.cube", kCube, 0, 2},
                      NameCase{"mixed_cube", "b.Cube", kCube, 0, 2},
                      NameCase{"upper_cube", "c.CUBE", kCube, 0, 2},
                      NameCase{"lower_3dl", "d.3dl", kThreeDl, 0, 3},
                      NameCase{"upper_3dl", "e.3DL", kThreeDl, 0, 3},
                      // Read as .3DL: "0 0 0" is a shaper line of 3 fields,
                      // and 27 entries are wanted; the .CUBE reader is not tried.
                      NameCase{"cube_text_named_3dl", "f.3dl", kCube, 10, 0},
                      NameCase{"csp", "g.csp", kCube, 1, 0},
                      NameCase{"no_dot", "hcube", kCube, 1, 0},
                      NameCase{"cube_then_more", "i.cube.txt", kCube, 1, 0},
                      NameCase{"utf8_name", "\xC3\xA9t\xC3\xA9.cube", kCube, 0, 2}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(FileNames, ADotOnlyInTheFolderMatchesNothing) {
    CubeLut lut;
    EXPECT_FALSE(lut.loadCubeFile(::testing::TempDir() + "folder.cube/none"));
    EXPECT_EQ(lut.status, 1);
}

TEST(FileNames, AMissingFileLeavesTheStatusAlone) {
    CubeLut lut;
    ASSERT_TRUE(lut.loadCubeFile(writeTemp("ok.cube", kCube)));
    EXPECT_FALSE(lut.loadCubeFile(::testing::TempDir() + "missing.cube"));
    EXPECT_EQ(lut.status, 0);
    EXPECT_FALSE(lut.loadCubeFile(::testing::TempDir()));  // a folder, no dot in its name
    const std::string folder = ::testing::TempDir() + "looks_like.cube";
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(lut.loadCubeFile(folder));
    EXPECT_EQ(lut.status, 0);
}

// Expected results worked out from each file's bytes and the reading rules.
struct CorpusCase {
    const char* file;
    int status;
    int size;  // `size` after the load; 0 where the header never set it
};

class Corpus : public ::testing::TestWithParam<CorpusCase> {};

std::string corpusPath(const char* file) {
    return std::string(QLX_TESTDATA_DIR) + "/luts/" + file;
}

#if defined(QLX_TEST_HAVE_ZLIB)
// The compressed sample is unpacked beside the other temporary files.
std::string gunzipToTemp(const std::string& path) {
    gzFile in = gzopen(path.c_str(), "rb");
    if (in == nullptr) return "";
    std::string bytes;
    char buffer[1 << 16];
    int got;
    while ((got = gzread(in, buffer, sizeof buffer)) > 0) bytes.append(buffer, got);
    gzclose(in);
    std::string name = path.substr(path.rfind('/') + 1);
    return writeTemp(name.substr(0, name.size() - 3), bytes);
}
#endif

TEST_P(Corpus, LoadsOrFailsAsTheReadingRulesSay) {
    std::string path = corpusPath(GetParam().file);
    if (!std::ifstream(path).good()) GTEST_SKIP() << "test corpus not found: " << path;
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) {
#if defined(QLX_TEST_HAVE_ZLIB)
        path = gunzipToTemp(path);
        ASSERT_FALSE(path.empty());
#else
        GTEST_SKIP() << "built without zlib";
#endif
    }
    CubeLut grid;
    EXPECT_EQ(grid.loadCubeFile(path), GetParam().status == 0);
    EXPECT_EQ(grid.status, GetParam().status);
    EXPECT_EQ(grid.size(), GetParam().size);
    if (GetParam().status == 0) {
        const int n = GetParam().size;
        EXPECT_EQ(grid.entryCount, static_cast<std::uint32_t>(n * n * n));
    }
    CubeLut texture(true, true);
    EXPECT_EQ(texture.loadCubeFileForTexture(path), GetParam().status == 0);
    EXPECT_EQ(texture.status, GetParam().status);
    if (GetParam().status == 0) {
        EXPECT_EQ(texture.packedList().size(), texture.entryCount * 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Corpus,
    ::testing::Values(
        // 33 shaper values and a trailing space: 34 fields, 34³ entries wanted.
        CorpusCase{"colorpipe_identity.3dl", 10, 34},
        CorpusCase{"colorpipe_saturation.3dl", 10, 18},
        // LUT_1D_SIZE is ignored and no LUT_3D_SIZE follows.
        CorpusCase{"colour_iridas_Demo_1d.cube", 23, 0},
        CorpusCase{"colour_iridas_Three_Dimensional_Table.cube", 0, 2},
        CorpusCase{"colour_iridas_eotf_sRGB_3D.cube", 0, 8},
        CorpusCase{"colour_resolve_LogC_Video.cube", 0, 4},
        // The 1D shaper lines are read as the first 3D entries.
        CorpusCase{"colour_resolve_Three_Dimensional_Table_With_Shaper.cube", 0, 3},
        CorpusCase{"colour_resolve_eotf_sRGB_3D.cube", 0, 8},
        // DOMAIN_MIN equals DOMAIN_MAX.
        CorpusCase{"dakom_data-line-fail.cube", 22, 32},
        // "LUT_3D_SIZE foo": the size cannot be extracted.
        CorpusCase{"dakom_size-value-fail.cube", 10, 0},
        // 64 shaper values and a trailing space: 65 fields, 65³ entries wanted.
        CorpusCase{"o3de_SavedLut_64.3dl.gz", 10, 65},
        CorpusCase{"o3de_test_hue-sat_32_LUT.3dl", 10, 33},
        CorpusCase{"ocio_crosstalk.3dl", 10, 18}, CorpusCase{"ocio_discreet-3d-lut.3dl", 0, 17},
        CorpusCase{"ocio_error_truncated_file.3dl", 10, 17},
        CorpusCase{"ocio_iridas_3d.cube", 0, 2},
        // Its first numeric line "      2     4     4" counts 17 fields.
        CorpusCase{"ocio_lustre_33x33x33.3dl", 0, 17}, CorpusCase{"ocio_resolve_1d3d.cube", 0, 3},
        CorpusCase{"openshot_cold_shadows.cube", 0, 33},
        CorpusCase{"openshot_noir_era.cube", 0, 33},
        CorpusCase{"openshot_protect_highlights.cube", 0, 33},
        CorpusCase{"openshot_retro_red_shadows.cube", 0, 32},
        CorpusCase{"openshot_valentine_pop.cube", 0, 16},
        CorpusCase{"openshot_vintage_400_film.cube", 0, 25}),
    [](const ::testing::TestParamInfo<CorpusCase>& info) {
        std::string name = info.param.file;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

TEST(CorpusContents, SizeTwoSampleLandsOnTheGridScaledByItsDomain) {
    const std::string path = corpusPath("ocio_iridas_3d.cube");
    if (!std::ifstream(path).good()) GTEST_SKIP() << "test corpus not found";
    CubeLut lut;
    ASSERT_TRUE(lut.loadCubeFile(path));
    // DOMAIN_MIN 0 1 0, DOMAIN_MAX 2 2 1: scales 510, 255, 255; entry 2 is
    // "2.0 0.0 0.0" at red index 1.
    const float* entry = lut.table() + ((1 * 65 + 0) * 65 + 0) * 3;
    EXPECT_EQ(entry[0], 1020.0f);
    EXPECT_EQ(entry[1], 0.0f);
    const float* last = lut.table() + ((1 * 65 + 1) * 65 + 1) * 3;
    EXPECT_EQ(last[0], 1020.0f);
    EXPECT_EQ(last[1], 510.0f);
    EXPECT_EQ(last[2], 510.0f);
}

}  // namespace
}  // namespace qlx
