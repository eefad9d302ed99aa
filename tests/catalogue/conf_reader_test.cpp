#include "catalogue/conf_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "catalogue/description_folder.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "temp_tree.h"

namespace {

std::shared_ptr<NLEFilterInfo> readText(NLEFilterRegistry& registry, const std::string& text,
                                        const std::string& folder = "lut/look/") {
    std::istringstream in(text);
    return readConfStream(registry, in, folder);
}

// ---- descriptions that are refused ----

struct RefusedCase {
    const char* why;
    std::string text;
};

class RefusedConf : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedConf, YieldsNothingAndStoresNothing) {
    NLEFilterRegistry registry;
    std::string problem;
    std::istringstream in(GetParam().text);
    EXPECT_EQ(readConfStream(registry, in, "f/", &problem), nullptr);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(registry.filterCount(), 0u);
    EXPECT_EQ(registry.loadOrderLength(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusedConf,
    ::testing::Values(
        RefusedCase{"Empty", ""}, RefusedCase{"Null", "null"}, RefusedCase{"EmptyObject", "{}"},
        RefusedCase{"EmptyArray", "[]"}, RefusedCase{"Array", "[{\"GUID\":\"g\"}]"},
        RefusedCase{"String", "\"GUID\""}, RefusedCase{"Number", "12"},
        RefusedCase{"NoGuid", R"({"NAME":"n","OPENCL":"a.cl"})"},
        RefusedCase{"EmptyGuid", R"({"GUID":"","NAME":"n","OPENCL":"a.cl","DYNAMIC":"1"})"},
        RefusedCase{"LowerCaseKey", R"({"guid":"g"})"}, RefusedCase{"NumericGuid", R"({"GUID":5})"},
        RefusedCase{"NullGuid", R"({"GUID":null})"},
        RefusedCase{"NumericName", R"({"GUID":"g","NAME":3})"},
        RefusedCase{"ArrayOpenCL", R"({"GUID":"g","OPENCL":["a.cl"]})"},
        RefusedCase{"ObjectOpenGL", R"({"GUID":"g","OPENGL":{}})"},
        RefusedCase{"NumericDynamic", R"({"GUID":"g","DYNAMIC":12})"},
        RefusedCase{"WordDynamic", R"({"GUID":"g","DYNAMIC":"yes"})"},
        RefusedCase{"HugeEncrypt", R"({"GUID":"g","ENCRYPT":"4294967295"})"},
        RefusedCase{"BoolEncrypt", R"({"GUID":"g","ENCRYPT":true})"},
        RefusedCase{"Unterminated", R"({"GUID":"g")"},
        RefusedCase{"TrailingComma", R"({"GUID":"g",})"},
        RefusedCase{"SingleQuotes", "{'GUID':'g'}"}, RefusedCase{"BadUtf8", "{\"GUID\":\"\xff\"}"},
        RefusedCase{"BrokenBom", "\xEF\xBB{\"GUID\":\"g\"}"},
        RefusedCase{"OtherBom", "\xEF\xBF\xBF{\"GUID\":\"g\"}"},
        RefusedCase{"BomAfterSpace", " \xEF\xBB\xBF{\"GUID\":\"g\"}"},
        RefusedCase{"Utf16Bom", "\xFF\xFE{\0\"\0G\0"},
        RefusedCase{"LeadingText", "x{\"GUID\":\"g\"}"},
        RefusedCase{"BadParamName", R"({"GUID":"g","PARAMS":[{"NAME":1,"TYPE":"int"}]})"},
        RefusedCase{"BadParamType", R"({"GUID":"g","PARAMS":[{"TYPE":5}]})"},
        RefusedCase{"BadParamAlias", R"({"GUID":"g","PARAMS":[{"TYPE":"int","ALIAS":[]}]})"},
        RefusedCase{"TextMinimum", R"({"GUID":"g","PARAMS":[{"TYPE":"int","MIN":"3"}]})"},
        RefusedCase{"NullMaximum", R"({"GUID":"g","PARAMS":[{"TYPE":"float","MAX":null}]})"},
        RefusedCase{"HugeIntDefault",
                    R"({"GUID":"g","PARAMS":[{"TYPE":"int","DEFAULT":2147483648}]})"},
        RefusedCase{"HugeFloatForInt", R"({"GUID":"g","PARAMS":[{"TYPE":"point","MAX":1e10}]})"},
        RefusedCase{"NegativeHugeInt",
                    R"({"GUID":"g","PARAMS":[{"TYPE":"int","MIN":-2147483649}]})"},
        RefusedCase{"LaterBadParam",
                    R"({"GUID":"g","PARAMS":[{"TYPE":"int"},{"TYPE":"float","MIN":{}}]})"}),
    [](const auto& info) { return std::string(info.param.why); });

// ---- descriptions that are read ----

struct ReadCase {
    const char* why;
    std::string text;
    std::string folder;
    std::string guid, name, openCL, openGL;
    std::uint32_t hasOpenCL, hasOpenGL, dynamic, encrypted;
};

class ReadConf : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadConf, FillsTheDescription) {
    const ReadCase& c = GetParam();
    NLEFilterRegistry registry;
    const std::shared_ptr<NLEFilterInfo> info = readText(registry, c.text, c.folder);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->guid(), c.guid);
    EXPECT_EQ(info->name(), c.name);
    EXPECT_EQ(info->openCLProgramPath(), c.openCL);
    EXPECT_EQ(info->openGLProgramPath(), c.openGL);
    EXPECT_EQ(info->hasOpenCL(), c.hasOpenCL);
    EXPECT_EQ(info->hasOpenGL(), c.hasOpenGL);
    EXPECT_EQ(info->dynamic(), c.dynamic);
    EXPECT_EQ(info->encrypted(), c.encrypted);
    EXPECT_EQ(info->lutPath(), "");
    EXPECT_EQ(registry.findByGuid(c.guid.c_str()), info);
    ASSERT_EQ(registry.loadOrderLength(), 1u);
    EXPECT_EQ(registry.filterAt(0), info);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadConf,
    ::testing::Values(
        ReadCase{"Everything",
                 R"({"GUID":"G-1","NAME":"Warm","OPENCL":"lut.cl","OPENGL":"lut.glsl",)"
                 R"("DYNAMIC":"3","ENCRYPT":"1"})",
                 "d/", "G-1", "Warm", "d/lut.cl", "d/lut.glsl", 1, 1, 3, 1},
        ReadCase{"OnlyGuid", R"({"GUID":"only"})", "d/", "only", "", "", "", 0, 0, 0, 0},
        ReadCase{"NameFromProgram", R"({"GUID":"g","OPENCL":"shaders/lut2.x.cl"})", "d/", "g",
                 "shaders/lut2.x", "d/shaders/lut2.x.cl", "", 1, 0, 0, 0},
        ReadCase{"NameFromProgramWithoutDot", R"({"GUID":"g","OPENCL":"kernel"})", "", "g",
                 "kernel", "kernel", "", 1, 0, 0, 0},
        ReadCase{"OpenGLGivesNoName", R"({"GUID":"g","OPENGL":"p.glsl"})", "d/", "g", "", "",
                 "d/p.glsl", 0, 1, 0, 0},
        ReadCase{"EmptyNameStays", R"({"GUID":"g","NAME":"","OPENCL":"a.cl"})", "", "g", "", "a.cl",
                 "", 1, 0, 0, 0},
        ReadCase{"SwitchTexts", R"({"GUID":"g","DYNAMIC":"12abc","ENCRYPT":" -1"})", "", "g", "",
                 "", "", 0, 0, 12, 0xFFFFFFFFu},
        ReadCase{"TrailingText", "{\"GUID\":\"g\"} and then anything: {[\"", "", "g", "", "", "", 0,
                 0, 0, 0},
        ReadCase{"TwoObjects", R"({"GUID":"first"}{"GUID":"second"})", "", "first", "", "", "", 0,
                 0, 0, 0},
        ReadCase{"Bom", "\xEF\xBB\xBF{\"GUID\":\"g\"}", "", "g", "", "", "", 0, 0, 0, 0},
        ReadCase{"WhiteSpaceFirst", " \n\t{\"GUID\":\"g\"}", "", "g", "", "", "", 0, 0, 0, 0},
        ReadCase{"GuidAsWritten", R"({"GUID":" not a guid \u00e9"})", "", " not a guid \xc3\xa9",
                 "", "", "", 0, 0, 0, 0},
        ReadCase{"OtherKeysIgnored", R"({"GUID":"g","Name":5,"EXTRA":[1,{}]})", "", "g", "", "", "",
                 0, 0, 0, 0},
        ReadCase{"LastDuplicateKey", R"({"GUID":"a","GUID":"b"})", "", "b", "", "", "", 0, 0, 0, 0},
        ReadCase{"BackslashFolder", R"({"GUID":"g","OPENCL":"k.cl"})", "C:\\LUT\\", "g", "k",
                 "C:\\LUT\\k.cl", "", 1, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.why); });

TEST(ConfText, DeepNestingIsHarmless) {
    constexpr std::size_t kDepth = 200000;
    NLEFilterRegistry registry;
    EXPECT_EQ(readText(registry, std::string(kDepth, '[')), nullptr);
    const std::string deepValue = std::string(kDepth, '[') + std::string(kDepth, ']');
    EXPECT_NE(readText(registry, "{\"GUID\":\"g\",\"EXTRA\":" + deepValue + "}"), nullptr);
    EXPECT_EQ(readText(registry, "{\"GUID\":\"g\",\"PARAMS\":" + deepValue + "}")->paramCount(),
              0u);
}

// ---- files ----

TEST(ConfFile, JoinsProgramNamesToTheFileFolder) {
    TempTree tree;
    const std::string path = tree.file("look/x.conf", R"({"GUID":"g","OPENCL":"p.cl"})");
    NLEFilterRegistry registry;
    const std::shared_ptr<NLEFilterInfo> info = readConfFile(registry, path);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->openCLProgramPath(), tree.path("look/p.cl"));
}

TEST(ConfFile, ReadsOnlyTheFirstValueOfALargeFile) {
    TempTree tree;
    const std::string path = tree.file("x.conf", "{\"GUID\":\"g\"}" + std::string(1 << 20, '\x01'));
    NLEFilterRegistry registry;
    EXPECT_NE(readConfFile(registry, path), nullptr);
}

TEST(ConfFile, MissingFilesAndFoldersYieldNothing) {
    TempTree tree;
    tree.folder("dir.conf");
    NLEFilterRegistry registry;
    std::string problem;
    EXPECT_EQ(readConfFile(registry, tree.path("none.conf"), &problem), nullptr);
    EXPECT_EQ(problem, "the file cannot be opened");
    EXPECT_EQ(readConfFile(registry, tree.path("dir.conf")), nullptr);
    EXPECT_EQ(registry.loadOrderLength(), 0u);
}

struct FolderCase {
    const char* path;
    const char* folder;
};

class DescriptionFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(DescriptionFolder, EndsAtTheLastSeparator) {
    EXPECT_EQ(descriptionFolder(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, DescriptionFolder,
                         ::testing::Values(FolderCase{"a/b/c.conf", "a/b/"},
                                           FolderCase{"a\\b.conf", "a\\"},
                                           FolderCase{"a/b\\c.conf", "a/b\\"},
                                           FolderCase{"a\\b/c.conf", "a\\b/"},
                                           FolderCase{"/x.conf", "/"}, FolderCase{"x.conf", ""},
                                           FolderCase{"", ""}, FolderCase{"dir/", "dir/"}));

}  // namespace
