#include "catalogue/filter_xml_reader.h"

#include <gtest/gtest.h>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "temp_tree.h"

namespace {

struct XmlCase {
    const char* why;
    std::string text;
    std::string guid, name, lutPath;
};

class ReadFilterXml : public ::testing::TestWithParam<XmlCase> {};

TEST_P(ReadFilterXml, FillsGuidNameAndLutPath) {
    const XmlCase& c = GetParam();
    NLEFilterRegistry registry;
    const std::shared_ptr<NLEFilterInfo> info = readFilterXmlText(registry, c.text, "luts/warm/");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->guid(), c.guid);
    EXPECT_EQ(info->name(), c.name);
    EXPECT_EQ(info->lutPath(), c.lutPath);
    EXPECT_EQ(info->openCLProgramPath(), "");
    EXPECT_EQ(info->paramCount(), 0u);
    // Stored by GUID, never enumerated.
    EXPECT_EQ(registry.findByGuid(c.guid.c_str()), info);
    EXPECT_EQ(registry.filterCount(), 1u);
    EXPECT_EQ(registry.loadOrderLength(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadFilterXml,
    ::testing::Values(
        XmlCase{"Complete",
                "<Filter><GUID>G-7</GUID><Name>Warm</Name><LUT><LutFile>warm.cube</LutFile></LUT>"
                "</Filter>",
                "G-7", "Warm", "luts/warm/warm.cube"},
        XmlCase{"WhiteSpaceKept", "<Filter><GUID>  g \n</GUID><Name> a  b </Name></Filter>",
                "  g \n", " a  b ", ""},
        XmlCase{"EntitiesExpanded",
                "<Filter><GUID>g</GUID><Name>a &amp; b &lt;&#x41;&#66;&gt;</Name></Filter>", "g",
                "a & b <AB>", ""},
        XmlCase{"UnknownEntityKeptAsWritten", "<Filter><GUID>&bogus;</GUID></Filter>", "&bogus;",
                "", ""},
        XmlCase{"CData", "<Filter><GUID><![CDATA[<g>]]></GUID></Filter>", "<g>", "", ""},
        XmlCase{"NoGuid", "<Filter><Name>n</Name></Filter>", "", "n", ""},
        XmlCase{"EmptyElements", "<Filter><GUID/><Name></Name><LUT><LutFile/></LUT></Filter>", "",
                "", ""},
        XmlCase{"FirstChildCounts", "<Filter><GUID>one</GUID><GUID>two</GUID></Filter>", "one", "",
                ""},
        XmlCase{"NamesAreCaseSensitive",
                "<Filter><guid>x</guid><name>y</name><lut><LutFile>z</LutFile></lut></Filter>", "",
                "", ""},
        XmlCase{"LutFileOutsideLutIgnored",
                "<Filter><GUID>g</GUID><LutFile>a.cube</LutFile></Filter>", "g", "", ""},
        XmlCase{"AttributesIgnored", "<Filter GUID=\"a\"><GUID value=\"b\">c</GUID></Filter>", "c",
                "", ""},
        XmlCase{"DeclarationAndComments",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- look -->\n<Filter><GUID>g</GUID>"
                "<Other><GUID>inner</GUID></Other></Filter>",
                "g", "", ""},
        XmlCase{"BomAfterWhiteSpace", "  \xEF\xBB\xBF<Filter><GUID>g</GUID></Filter>", "g", "", ""},
        XmlCase{"SecondTopLevelFilterIgnored",
                "<Filter><GUID>a</GUID></Filter><Filter><GUID>b</GUID></Filter>", "a", "", ""}),
    [](const auto& info) { return std::string(info.param.why); });

// A Filter element with `depth` nested elements inside it, all closed.
std::string deeplyNested(int depth) {
    std::string text = "<Filter>";
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text + "</Filter>";
}

struct BadXmlCase {
    const char* why;
    std::string text;
};

class RefusedFilterXml : public ::testing::TestWithParam<BadXmlCase> {};

TEST_P(RefusedFilterXml, YieldsNothingAndStoresNothing) {
    NLEFilterRegistry registry;
    std::string problem;
    EXPECT_EQ(readFilterXmlText(registry, GetParam().text, "f/", &problem), nullptr);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(registry.filterCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusedFilterXml,
    ::testing::Values(BadXmlCase{"Empty", ""}, BadXmlCase{"OnlySpace", " \n"},
                      BadXmlCase{"NoFilter", "<Filters><GUID>g</GUID></Filters>"},
                      BadXmlCase{"NestedFilter", "<Root><Filter><GUID>g</GUID></Filter></Root>"},
                      BadXmlCase{"LowerCaseFilter", "<filter><GUID>g</GUID></filter>"},
                      BadXmlCase{"Unclosed", "<Filter><GUID>g</GUID>"},
                      BadXmlCase{"Mismatched", "<Filter><GUID>g</Name></Filter>"},
                      BadXmlCase{"NotXml", "{\"GUID\":\"g\"}"},
                      BadXmlCase{"Malformed", std::string(2000, '<') + "a"},
                      BadXmlCase{"TooDeep", deeplyNested(5000)}),
    [](const auto& info) { return std::string(info.param.why); });

TEST(FilterXmlFile, JoinsTheLutFileToTheFileFolder) {
    TempTree tree;
    const std::string path = tree.file(
        "look/filter.xml", "<Filter><GUID>g</GUID><LUT><LutFile>l.3dl</LutFile></LUT></Filter>");
    NLEFilterRegistry registry;
    const std::shared_ptr<NLEFilterInfo> info = readFilterXml(registry, path);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->lutPath(), tree.path("look/l.3dl"));
}

TEST(FilterXmlFile, MissingFileYieldsNothing) {
    TempTree tree;
    NLEFilterRegistry registry;
    EXPECT_EQ(readFilterXml(registry, tree.path("filter.xml")), nullptr);
}

TEST(FilterXmlFile, ReplacesTheRecordWithTheSameGuid) {
    NLEFilterRegistry registry;
    const auto first =
        readFilterXmlText(registry, "<Filter><GUID>g</GUID><Name>1</Name></Filter>", "");
    const auto second =
        readFilterXmlText(registry, "<Filter><GUID>g</GUID><Name>2</Name></Filter>", "");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(registry.findByGuid("g"), second);
    EXPECT_EQ(registry.filterCount(), 1u);
}

}  // namespace
