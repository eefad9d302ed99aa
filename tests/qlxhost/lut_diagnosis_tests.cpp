// The diagnosis explains the plugin's LUT loader, so it must predict the
// loader's status code on every input: the fixtures, the real-world corpus,
// every truncation of sound files and many single-byte damages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "lut/byte_source.h"
#include "lut/cube_lut.h"
#include "lut_diagnosis.h"
#include "lut_fixtures.h"

namespace qlxhosttest {
namespace {

using qlxhost::cli::LutFormat;

int loaderStatus(const std::string& bytes, LutFormat format) {
    auto lut = std::make_unique<qlx::CubeLut>();
    qlx::MemoryByteSource source(bytes.data(), bytes.size());
    const bool loaded = lut->loadFromSource(
        source, format == LutFormat::Cube ? qlx::LutFileFormat::Cube : qlx::LutFileFormat::ThreeDl,
        false);
    return loaded ? 0 : lut->status;
}

LutFormat formatOf(const std::string& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == ".3dl" ? LutFormat::ThreeDl
                                                                     : LutFormat::Cube;
}

void expectAgreement(const std::string& bytes, LutFormat format, const std::string& what) {
    const qlxhost::cli::LutDiagnosis diagnosis = qlxhost::cli::diagnoseLut(bytes, format);
    const int status = loaderStatus(bytes, format);
    ASSERT_EQ(diagnosis.status, status) << what;
    const bool hasError =
        std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(),
                    [](const auto& f) { return f.severity == qlxhost::cli::Finding::Error; });
    EXPECT_EQ(hasError, status != 0) << what << ": a failure needs its explanation";
}

class DiagnosisOfFixture : public ::testing::TestWithParam<LutFixture> {};

TEST_P(DiagnosisOfFixture, PredictsTheLoaderStatus) {
    expectAgreement(GetParam().content, formatOf(GetParam().file), GetParam().name);
}

// The fixtures the LUT loader reads (the others have another extension).
std::vector<LutFixture> loaderFixtures() {
    std::vector<LutFixture> read;
    for (const LutFixture& f : lutFixtures()) {
        const std::string file = f.file;
        if (file.find(".cube") != std::string::npos || file.find(".3dl") != std::string::npos) {
            read.push_back(f);
        }
    }
    return read;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DiagnosisOfFixture, ::testing::ValuesIn(loaderFixtures()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiagnosisOfCorpus, PredictsTheLoaderStatusOnEveryFile) {
    const std::filesystem::path folder = std::filesystem::path(QLX_TESTDATA_DIR) / "luts";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "test corpus absent";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 5 ||
            (formatOf(name) == LutFormat::Cube && name.substr(name.size() - 5) != ".cube")) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        expectAgreement(bytes, formatOf(name), name);
        ++files;
    }
    EXPECT_GT(files, 10);
}

struct DamageCase {
    const char* name;
    LutFormat format;
    std::string sound;
};

class DiagnosisOfDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DiagnosisOfDamage, PredictsTheLoaderStatusForEveryTruncation) {
    const std::string& sound = GetParam().sound;
    for (std::size_t length = 0; length <= sound.size(); ++length) {
        expectAgreement(sound.substr(0, length), GetParam().format,
                        "first " + std::to_string(length) + " bytes");
    }
}

TEST_P(DiagnosisOfDamage, PredictsTheLoaderStatusForEverySingleByteDamage) {
    const std::string& sound = GetParam().sound;
    for (std::size_t at = 0; at < sound.size(); ++at) {
        for (char replacement : {' ', '\n', '\r', '\t', '#', 'x', '-', '9'}) {
            std::string damaged = sound;
            damaged[at] = replacement;
            expectAgreement(damaged, GetParam().format,
                            "byte " + std::to_string(at) + " -> " + std::to_string(replacement));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    SoundFiles, DiagnosisOfDamage,
    ::testing::Values(
        DamageCase{"Cube", LutFormat::Cube,
                   "TITLE \"t\"\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\nLUT_3D_SIZE 2\n# data\n" +
                       cubeEntries(8)},
        DamageCase{"CubeCrLf", LutFormat::Cube,
                   replaceAll("LUT_3D_SIZE 2\n" + cubeEntries(8), "\n", "\r\n")},
        DamageCase{"ThreeDl", LutFormat::ThreeDl,
                   "3DMESH\nMesh 2 12\n0 2047 4095\n" + threeDlEntries(27)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlxhosttest
