// "filter.xml" descriptions: what is read from them, and which are refused.
#include "catalogue/filter_xml_reader.h"

#include <gtest/gtest.h>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "support/temp_dir.h"

namespace {

TEST(FilterXml, ReadsGuidNameAndLutFileAndStoresThemByGuidOnly) {
    const struct {
        std::string text, guid, name, lutPath;
    } rows[] = {
        {"<Filter><GUID>G</GUID><Name>Warm</Name><LUT><LutFile>w.cube</LutFile></LUT></Filter>",
         "G", "Warm", "luts/w.cube"},
        {"<Filter><GUID>  g \n</GUID><Name>a &amp; b &#x41;</Name></Filter>", "  g \n", "a & b A",
         ""},
        {"<Filter><Name>n</Name><LUT><LutFile/></LUT></Filter>", "", "n", ""},
        {"<Filter><GUID>one</GUID><GUID>two</GUID><X><Name>inner</Name></X></Filter>", "one", "",
         ""},
        {"<Filter><guid>x</guid><name>y</name><lut><LutFile>z</LutFile></lut></Filter>", "", "",
         ""},
        {"<Filter><GUID>g</GUID><LutFile>a.cube</LutFile></Filter>", "g", "", ""},
        {"<Filter><GUID>a</GUID></Filter><Filter><GUID>b</GUID></Filter>", "a", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        NLEFilterRegistry registry;
        const auto info = readFilterXmlText(registry, row.text, "luts/");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->guid(), row.guid);
        EXPECT_EQ(info->name(), row.name);
        EXPECT_EQ(info->lutPath(), row.lutPath);
        EXPECT_EQ(registry.findByGuid(row.guid.c_str()), info);
        EXPECT_EQ(registry.loadOrderLength(), 0u);
    }
}

TEST(FilterXml, RefusesTextsWithoutATopLevelFilterStoringNothing) {
    const struct {
        std::string text, reason;
    } rows[] = {
        {"<Filters><GUID>g</GUID></Filters>", "there is no top-level Filter element"},
        {"<Root><Filter><GUID>g</GUID></Filter></Root>", "there is no top-level Filter element"},
        {"<filter><GUID>g</GUID></filter>", "there is no top-level Filter element"},
        {"", "Error"},
        {"<Filter><GUID>g</GUID>", "Error"},
        {"<Filter><GUID>g</Name></Filter>", "Error"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 60));
        NLEFilterRegistry registry;
        std::string problem;
        EXPECT_EQ(readFilterXmlText(registry, row.text, "", &problem), nullptr);
        EXPECT_NE(problem.find(row.reason), std::string::npos) << problem;
        EXPECT_EQ(registry.filterCount(), 0u);
    }
}

TEST(FilterXml, JoinsTheLutFileToTheFolderOfTheFile) {
    qlxtest::TempDir dir;
    NLEFilterRegistry registry;
    const auto info = readFilterXml(
        registry, dir.write("look/filter.xml",
                            "<Filter><GUID>g</GUID><LUT><LutFile>l.3dl</LutFile></LUT></Filter>"));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->lutPath(), dir.path() + "/look/l.3dl");
    std::string problem;
    EXPECT_EQ(readFilterXml(registry, dir.path() + "/none.xml", &problem), nullptr);
    EXPECT_EQ(problem, "the file cannot be opened");
}

}  // namespace
