// ".conf" descriptions: which texts are refused and why, and what an accepted one holds.
#include "catalogue/conf_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "catalogue/description_folder.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "support/temp_dir.h"

namespace {

std::shared_ptr<NLEFilterInfo> readText(NLEFilterRegistry& registry, const std::string& text,
                                        std::string* problem = nullptr) {
    std::istringstream in(text);
    return readConfStream(registry, in, "d/", problem);
}

TEST(ConfReader, RefusesUnusableDescriptionsStoringNothingAndSayingWhy) {
    const struct {
        std::string text, reason;
    } rows[] = {
        {"", "parse_error"},
        {" \xEF\xBB\xBF{\"GUID\":\"g\"}", "parse_error"},  // a BOM only first
        {"{}", "the description is empty"},
        {R"([{"GUID":"g"}])", "the description is not a JSON object"},
        {R"({"guid":"g"})", R"("GUID" is missing)"},
        {R"({"GUID":""})", R"("GUID" is empty)"},
        {R"({"GUID":5})", R"("GUID" is not a string)"},
        {R"({"GUID":"g","NAME":3})", R"("NAME" is not a string)"},
        {R"({"GUID":"g","DYNAMIC":"yes"})", R"("DYNAMIC" holds no decimal integer)"},
        {R"({"GUID":"g","ENCRYPT":"2147483648"})", R"("ENCRYPT" holds no decimal integer)"},
        {R"({"GUID":"g","ENCRYPT":"99999999999999999999"})", R"("ENCRYPT" holds no decimal)"},
        {R"({"GUID":"g","PARAMS":[{"TYPE":"int","MIN":"3"}]})", R"("MIN" is not a number)"},
        {R"({"GUID":"g","PARAMS":[{"TYPE":"int","DEFAULT":2147483648}]})", "does not fit 32"},
        {R"({"GUID":"g","PARAMS":[{"TYPE":"int","MIN":-2147483649}]})", "does not fit 32"},
        {R"({"GUID":"g","PARAMS":[{"TYPE":"int"},{"TYPE":"point","MAX":1e10}]})", "not fit 32"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        NLEFilterRegistry registry;
        std::string problem;
        EXPECT_EQ(readText(registry, row.text, &problem), nullptr);
        EXPECT_NE(problem.find(row.reason), std::string::npos) << problem;
        EXPECT_EQ(registry.loadOrderLength(), 0u);
    }
}

// A description as "guid|name|OpenCL program|OpenGL program|dynamic|encrypted".
std::string describe(const NLEFilterInfo& info) {
    return info.guid() + "|" + info.name() + "|" + info.openCLProgramPath() + "|" +
           info.openGLProgramPath() + "|" + std::to_string(info.dynamic()) + "|" +
           std::to_string(info.encrypted());
}

TEST(ConfReader, FillsTheDescriptionAndAppendsItToTheLoadOrder) {
    const char* const rows[][2] = {
        {R"({"GUID":"G","NAME":"Warm","OPENCL":"a.cl","OPENGL":"a.glsl","DYNAMIC":"3","ENCRYPT":"1"})",
         "G|Warm|d/a.cl|d/a.glsl|3|1"},
        // Without "NAME" the OpenCL program name, cut before its last '.', names the filter.
        {R"({"GUID":"g","OPENCL":"shaders/lut2.x.cl"})",
         "g|shaders/lut2.x|d/shaders/lut2.x.cl||0|0"},
        {R"({"GUID":"g","OPENCL":"kernel"})", "g|kernel|d/kernel||0|0"},
        {R"({"GUID":"g","OPENGL":"p.glsl"})", "g|||d/p.glsl|0|0"},
        {R"({"GUID":"g","NAME":"","OPENCL":"a.cl"})", "g||d/a.cl||0|0"},
        // Switches read a leading signed decimal integer.
        {R"({"GUID":"g","DYNAMIC":"12abc","ENCRYPT":" -1"})", "g||||12|4294967295"},
        {R"({"GUID":"g","DYNAMIC":"2147483647","ENCRYPT":"-2147483648"})",
         "g||||2147483647|2147483648"},
        {R"({"GUID":"g","DYNAMIC":"0x10","ENCRYPT":"+7"})", "g||||0|7"},
        // Only the first JSON value is read; a BOM and white space may come first.
        {"{\"GUID\":\"g\"} and then anything: {[\"", "g||||0|0"},
        {R"({"GUID":"first"}{"GUID":"second"})", "first||||0|0"},
        {"\xEF\xBB\xBF \n{\"GUID\":\"g\"}", "g||||0|0"},
        {R"({"GUID":" not a guid \u00e9","Name":5})", " not a guid \xc3\xa9||||0|0"},
        // Parameters of unknown types, or that are not objects, are passed over.
        {R"({"GUID":"g","PARAMS":[5,null,{"TYPE":"colour"},{"TYPE":"float "},{"TYPE":"int","MIN":-2.9}]})",
         "g||||0|0"},
    };
    for (const auto& row : rows) {
        NLEFilterRegistry registry;
        const std::shared_ptr<NLEFilterInfo> info = readText(registry, row[0]);
        ASSERT_NE(info, nullptr) << row[0];
        EXPECT_EQ(describe(*info), row[1]);
        EXPECT_EQ(registry.findByGuid(info->guid().c_str()), info);
        EXPECT_EQ(registry.filterAt(0), info);
    }
}

TEST(ConfReader, JoinsProgramNamesToTheFolderOfTheFile) {
    qlxtest::TempDir dir;
    NLEFilterRegistry registry;
    const auto info =
        readConfFile(registry, dir.write("look/x.conf", R"({"GUID":"g","OPENCL":"p.cl"})"));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->openCLProgramPath(), dir.path() + "/look/p.cl");
    std::string problem;
    EXPECT_EQ(readConfFile(registry, dir.path() + "/none.conf", &problem), nullptr);
    EXPECT_EQ(problem, "the file cannot be opened");
    EXPECT_EQ(readConfFile(registry, dir.mkdir("folder.conf")), nullptr);
    const char* const kFolders[][2] = {{"a/b/c.conf", "a/b/"},
                                       {"C:\\LUT\\k.conf", "C:\\LUT\\"},
                                       {"a\\b/c.conf", "a\\b/"},
                                       {"/x.conf", "/"},
                                       {"x.conf", ""}};
    for (const auto& row : kFolders) EXPECT_EQ(descriptionFolder(row[0]), row[1]) << row[0];
}

}  // namespace
