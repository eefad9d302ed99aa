// The entry points as the LUT plugin finds them, instance creation and release, and the answer
// of every entry point to a null handle.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ai_filter_api.h"
#include "common/platform.h"

namespace qlxtest {
namespace {

TEST(AiFilterLibrary, LoadsFromTheBuiltFile) {
    ASSERT_NE(aiFilterLibrary(), nullptr);
}

class ExportedName : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportedName, IsFoundByItsUndecoratedName) {
    EXPECT_NE(qlx::platform::findSymbol(aiFilterLibrary(), GetParam()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(TwelveEntryPoints, ExportedName,
                         ::testing::ValuesIn(kAiFilterExportNames));

// Names of the library's insides must not leak out of it.
class HiddenName : public ::testing::TestWithParam<const char*> {};

TEST_P(HiddenName, IsNotFound) {
    EXPECT_EQ(qlx::platform::findSymbol(aiFilterLibrary(), GetParam()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Internals, HiddenName,
                         ::testing::Values("_ZN3qlx8aifilter13skinBoundsForEd",
                                           "_ZN3qlx8aifilter13isUsablePlaneERKNS0_10PixelPlaneEii",
                                           "_ZN3qlx8aifilter19classifySkinColoursERKN2cv3MatERKNS0_"
                                           "16SkinColourBoundsERS2_"));

struct CreateCase {
    const char* label;
    const char* guid;
    bool created;
};

class CreateByGuid : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CreateByGuid, OnlyTheSkinFilterGuidCreatesAnInstance) {
    const AiFilterApi& api = aiFilterApi();
    void* handle = api.create(GetParam().guid, "/nonexistent/resources");
    EXPECT_EQ(handle != nullptr, GetParam().created);
    api.destroy(&handle);
    EXPECT_EQ(handle, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Guids, CreateByGuid,
    ::testing::Values(CreateCase{"exact", "B6812345-039A-49CB-BEBB-339EACCD00F0", true},
                      CreateCase{"lowerCase", "b6812345-039a-49cb-bebb-339eaccd00f0", false},
                      CreateCase{"braced", "{B6812345-039A-49CB-BEBB-339EACCD00F0}", false},
                      CreateCase{"trailingSpace", "B6812345-039A-49CB-BEBB-339EACCD00F0 ", false},
                      CreateCase{"truncated", "B6812345-039A-49CB-BEBB-339EACCD00F", false},
                      CreateCase{"customLutFilter", "74EB022D-1D73-4D1E-9F70-487C356D46CD", false},
                      CreateCase{"empty", "", false}, CreateCase{"null", nullptr, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CreateByGuid, AcceptsANullResourceFolder) {
    void* handle = aiFilterApi().create(QLX_AI_SKIN_FILTER_GUID, nullptr);
    EXPECT_NE(handle, nullptr);
    aiFilterApi().destroy(&handle);
}

TEST(DeleteFilter, NullAddressAndNullHandleAreIgnored) {
    aiFilterApi().destroy(nullptr);
    void* handle = nullptr;
    aiFilterApi().destroy(&handle);
    EXPECT_EQ(handle, nullptr);
}

TEST(DeleteFilter, TwoInstancesAreIndependent) {
    const AiFilterApi& api = aiFilterApi();
    void* first = api.create(QLX_AI_SKIN_FILTER_GUID, "");
    void* second = api.create(QLX_AI_SKIN_FILTER_GUID, "");
    ASSERT_NE(first, second);
    ASSERT_EQ(api.setParameter(second, "sensitivity", 0.25), QLX_AI_OK);
    api.destroy(&first);
    double value = -1.0;
    EXPECT_EQ(api.getParameter(second, "sensitivity", &value), QLX_AI_OK);
    EXPECT_EQ(value, 0.25);
    api.destroy(&second);
}

struct NullHandleCall {
    const char* label;
    std::function<int(const AiFilterApi&)> call;
};

class NullHandle : public ::testing::TestWithParam<NullHandleCall> {};

TEST_P(NullHandle, AnswersNonZero) {
    EXPECT_NE(GetParam().call(aiFilterApi()), 0);
}

std::uint8_t g_pixels[64 * 4];
std::uint8_t g_mask[64 * 4];

INSTANTIATE_TEST_SUITE_P(
    EveryEntryPoint, NullHandle,
    ::testing::Values(
        NullHandleCall{"transform",
                       [](const AiFilterApi& a) {
                           return a.transform(nullptr, g_mask, 8, 8, 32, nullptr, 0, 0, 0, g_pixels,
                                              8, 8, 32);
                       }},
        NullHandleCall{"transformChannels",
                       [](const AiFilterApi& a) {
                           return a.transformChannels(nullptr, g_mask, 8, 8, 32, 4, g_pixels, 8, 8,
                                                      32, 4);
                       }},
        NullHandleCall{
            "setParameter",
            [](const AiFilterApi& a) { return a.setParameter(nullptr, "sensitivity", 0.5); }},
        NullHandleCall{"getParameter",
                       [](const AiFilterApi& a) {
                           double v = 0;
                           return a.getParameter(nullptr, "sensitivity", &v);
                       }},
        NullHandleCall{"getResult",
                       [](const AiFilterApi& a) {
                           int32_t w = 0, h = 0;
                           return a.getResult(nullptr, g_mask, sizeof g_mask, &w, &h);
                       }},
        NullHandleCall{"getGuid",
                       [](const AiFilterApi& a) {
                           char text[64];
                           return a.getGuid(nullptr, text, sizeof text);
                       }},
        NullHandleCall{"setCurrentTime",
                       [](const AiFilterApi& a) { return a.setCurrentTime(nullptr, 1.0); }},
        NullHandleCall{"setTotalTime",
                       [](const AiFilterApi& a) { return a.setTotalTime(nullptr, 1.0); }},
        NullHandleCall{"setFrameRate",
                       [](const AiFilterApi& a) { return a.setFrameRate(nullptr, 25.0); }}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qlxtest
