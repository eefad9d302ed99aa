// Parameter handling shared by the CPU and OpenCL renderers.
#include <gtest/gtest.h>

#include "render/common/lut_renderer_params.h"

namespace {

using qlx::LutRendererParams;

constexpr char kCustom[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

struct SetCase {
    const char* name;
    std::uint32_t type;
    NLEFilterParamValue value;
    int expectedResult;
    int expectedAlpha;
    int expectedSkin;
};

class RendererSetParam : public ::testing::TestWithParam<SetCase> {};

TEST_P(RendererSetParam, AcceptsOnlyTheDeclaredTypes) {
    const SetCase& c = GetParam();
    LutRendererParams params("own.cube", "LOOK");
    EXPECT_EQ(params.set(c.name, c.type, c.value), c.expectedResult);
    EXPECT_EQ(params.alpha(), c.expectedAlpha);
    EXPECT_EQ(params.skinProtect(), c.expectedSkin);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RendererSetParam,
    ::testing::Values(SetCase{"alpha", 5, NLEFilterParamValue::ofInt(40), 0, 40, 0},
                      SetCase{"alpha", 6, NLEFilterParamValue::ofInt(40), 4, 100, 0},
                      SetCase{"alpha", 3, NLEFilterParamValue::ofInt(40), 4, 100, 0},
                      SetCase{"skinProtect", 5, NLEFilterParamValue::ofInt(70), 0, 100, 70},
                      SetCase{"skinProtect", 6, NLEFilterParamValue::ofInt(70), 0, 100, 70},
                      SetCase{"lut3dPath", 5, NLEFilterParamValue::ofText("x.cube"), 4, 100, 0},
                      SetCase{"Alpha", 5, NLEFilterParamValue::ofInt(10), 0, 100, 0},
                      SetCase{"unknown", 6, NLEFilterParamValue::ofInt(10), 0, 100, 0}));

struct PathCase {
    const char* guid;
    const char* ownPath;
    const char* paramText;  // null: never set
    const char* expected;
};

class LutForFrame : public ::testing::TestWithParam<PathCase> {};

TEST_P(LutForFrame, PicksTheFileTheFrameUses) {
    const PathCase& c = GetParam();
    LutRendererParams params(c.ownPath, c.guid);
    if (c.paramText) params.set("lut3dPath", 6, NLEFilterParamValue::ofText(c.paramText));
    EXPECT_EQ(params.lutForFrame(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LutForFrame,
    ::testing::Values(PathCase{"LOOK", "/looks/warm.cube", nullptr, "/looks/warm.cube"},
                      PathCase{"LOOK", "/looks/warm.cube", "", "/looks/warm.cube"},
                      PathCase{"LOOK", "/looks/warm.cube", "/mine.3dl", "/mine.3dl"},
                      PathCase{kCustom, "/looks/warm.cube", nullptr, ""},
                      PathCase{kCustom, "", "", ""},
                      PathCase{kCustom, "", "file:///C:/grade.cube", "//C:/grade.cube"},
                      PathCase{kCustom, "", "/a/file:/b.cube", "/a/b.cube"},
                      PathCase{kCustom, "", "file:/x/file:/y.cube", "x/file:/y.cube"},
                      PathCase{"LOOK", "", nullptr, ""}));

TEST(LutForFrameHistory, AChosenFileStaysAfterTheParameterEmpties) {
    LutRendererParams params("/own.cube", "LOOK");
    params.set("lut3dPath", 6, NLEFilterParamValue::ofText("/chosen.cube"));
    EXPECT_EQ(params.lutForFrame(), "/chosen.cube");
    params.set("lut3dPath", 6, NLEFilterParamValue::ofText(""));
    EXPECT_EQ(params.lutForFrame(), "/chosen.cube");
}

}  // namespace
