// A GUID names a filter only when the host can hand it back: the host asks by a
// NUL-terminated text that crosses in a 512-byte buffer. Other bytes, invalid
// UTF-8 included, are kept and found byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"

namespace {

std::shared_ptr<NLEFilterInfo> conf(NLEFilterRegistry& registry, const std::string& guidJson,
                                    std::string* problem) {
    std::istringstream in("{\"GUID\": \"" + guidJson + "\"}");
    return readConfStream(registry, in, "look/", problem);
}

std::shared_ptr<NLEFilterInfo> xml(NLEFilterRegistry& registry, const std::string& guidText,
                                   std::string* problem) {
    return readFilterXmlText(registry, "<Filter><GUID>" + guidText + "</GUID></Filter>", "look/",
                             problem);
}

struct GuidCase {
    bool fromXml;
    std::string guid;       // as written in the file
    const char* refusedAs;  // the reason given, or null when the GUID is accepted
};

class DescriptionGuid : public ::testing::TestWithParam<GuidCase> {};

TEST_P(DescriptionGuid, IsRefusedOrFoundByTheTextTheHostGetsBack) {
    const GuidCase& c = GetParam();
    NLEFilterRegistry registry;
    std::string problem;
    const auto info =
        c.fromXml ? xml(registry, c.guid, &problem) : conf(registry, c.guid, &problem);
    if (c.refusedAs) {
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(problem, c.refusedAs);
        EXPECT_EQ(registry.filterCount(), 0u);
        return;
    }
    ASSERT_NE(info, nullptr) << problem;
    char asHost[512];
    info->getGuid(asHost, sizeof asHost);
    EXPECT_EQ(asHost, info->guid());
    EXPECT_EQ(registry.findByGuid(asHost), info);
}

const std::string k511(511, 'G');

INSTANTIATE_TEST_SUITE_P(
    Texts, DescriptionGuid,
    ::testing::Values(GuidCase{false, "\\u0000", "\"GUID\" holds a NUL character"},
                      GuidCase{false, "A\\u0000B", "\"GUID\" holds a NUL character"},
                      GuidCase{false, k511 + "G", "\"GUID\" is longer than 511 bytes"},
                      GuidCase{false, k511, nullptr}, GuidCase{false, "\\u00e9t\\u00e9", nullptr},
                      GuidCase{true, k511 + "G", "\"GUID\" is longer than 511 bytes"},
                      GuidCase{true, "\xff\xfe-not-utf8", nullptr},
                      GuidCase{true, "&#233;t&#xe9;", nullptr}));

}  // namespace
