// Output frames of another size than the input, on every renderer through the
// built plugin: the LUT and the strength blend run over the whole output,
// reading the input where its copy reaches and the output's own bytes
// elsewhere; an output smaller than the input takes its top-left corner.
#include "gl_render_fixture.h"

namespace qlxgltest {
namespace {

using namespace qlxtest;

struct EdgeCase {
    const char* name;
    int inWidth, inHeight, outWidth, outHeight;
};

class FrameEdges : public RendererTest,
                   public ::testing::WithParamInterface<std::tuple<Kind, EdgeCase>> {};

TEST_P(FrameEdges, MapTheWholeOutput) {
    const auto [kind, c] = GetParam();
    if (c.inWidth == 0 && (kind == Kind::OpenCL || kind == Kind::GLTextures))
        GTEST_SKIP() << "GPU images have at least one column";
    ASSERT_NO_FATAL_FAILURE(makeBoth(kLookGuid, kind));
    update(60, 0);
    const cv::Mat input = testPicture(c.inWidth, c.inHeight, 3);
    const cv::Mat start = testPicture(c.outWidth, c.outHeight, 4);
    cv::Mat original = start.clone();
    const cv::Rect covered(0, 0, std::min(c.inWidth, c.outWidth),
                           std::min(c.inHeight, c.outHeight));
    if (!covered.empty()) input(covered).copyTo(original(covered));
    const cv::Mat want = blended(original, applied(original, lutFile), 60, 0, cv::Mat());
    EXPECT_TRUE(sameBytes(renderOn(kind, target, input, 0, kQLXSuccess, start), want));
    EXPECT_EQ(errorLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Renderers, FrameEdges,
    ::testing::Combine(::testing::Values(Kind::Cpu, Kind::OpenCL, Kind::GLMemory, Kind::GLTextures),
                       ::testing::Values(EdgeCase{"wider", 40, 30, 56, 30},
                                         EdgeCase{"taller", 40, 30, 40, 41},
                                         EdgeCase{"larger", 40, 30, 57, 45},
                                         EdgeCase{"smaller", 40, 30, 25, 10},
                                         EdgeCase{"input_without_columns", 0, 30, 40, 30})),
    [](const auto& info) {
        return std::string(kindName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
    });

}  // namespace
}  // namespace qlxgltest
