// The effect object's operations as the host calls them, and the conversion
// of host values.
#include <cstring>

#include "effect/param_conversion.h"
#include "effect_fixture.h"

namespace {

using namespace qlxtest;

TEST_F(EffectTest, AlphaOfARefusedHostTypeLeavesTheStrength) {
    createEffect(kLookGuid);
    update(50, 0);
    qlxhost::ParamAnswer refused;
    refused.type = 4;
    refused.i32 = 0;
    context.set("alpha", refused);
    ASSERT_EQ(effect->UpdateParameters(context.qlx()), kQLXSuccess);
    const cv::Mat input = testPicture(30, 20, 4);
    EXPECT_TRUE(
        sameBytes(render(input), blended(input, applied(input, lutFile), 50, 0, cv::Mat())));
}

TEST_F(EffectTest, MissingContextOrFramesAreBadArguments) {
    createEffect(kLookGuid);
    EXPECT_EQ(effect->UpdateParameters(nullptr), kQLXBadArgument);
    EXPECT_EQ(effect->Render(nullptr), kQLXBadArgument);
    qlxhost::Frame frame(4, 4);
    qlxhost::RenderContext noInput(nullptr, &frame), noOutput(&frame, nullptr);
    EXPECT_EQ(effect->Render(noInput.qlx()), kQLXBadArgument);
    EXPECT_EQ(effect->Render(noOutput.qlx()), kQLXBadArgument);
}

struct BadFrame {
    const char* name;
    bool inputPixels, outputPixels;
    int height, pitch;
};

class BadFrames : public EffectTest, public ::testing::WithParamInterface<BadFrame> {};

// Frames without pixels or with a row pitch or height no frame can have fail,
// and nothing outside them is touched.
TEST_P(BadFrames, FailTheRenderWithTheRendererMessage) {
    const BadFrame& c = GetParam();
    createEffect(kLookGuid);
    std::vector<std::uint8_t> in(4096, 1), out(4096, 2);
    auto input = qlxhost::Frame::wrap(c.inputPixels ? in.data() : nullptr, 8, c.height, c.pitch);
    auto output = qlxhost::Frame::wrap(c.outputPixels ? out.data() : nullptr, 8, c.height, c.pitch);
    qlxhost::RenderContext frames(input.get(), output.get());
    EXPECT_EQ(effect->Render(frames.qlx()), kQLXFailed);
    EXPECT_EQ(host.util.log.count("LUT PureC Render Failed."), 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, BadFrames,
                         ::testing::Values(BadFrame{"no_input_pixels", false, true, 8, 32},
                                           BadFrame{"no_output_pixels", true, false, 8, 32},
                                           BadFrame{"pitch_shorter_than_row", true, true, 8, 16},
                                           BadFrame{"negative_height", true, true, -3, 32}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EffectTest, ResourceHintFollowsSkinProtection) {
    createEffect(kLookGuid);
    context.erase("skinProtect");
    effect->UpdateResourceHint(context.qlx());
    EXPECT_TRUE(context.resourceHints().empty());
    context.set("skinProtect", qlxhost::ParamAnswer::integer(30));
    effect->UpdateResourceHint(context.qlx());
    EXPECT_TRUE(context.resourceHints().empty());
    context.set("skinProtect", qlxhost::ParamAnswer::integer(0));
    effect->UpdateResourceHint(context.qlx());
    EXPECT_EQ(context.resourceHints(), std::vector<bool>{false});
}

// ---- host value conversion -------------------------------------------------

TEST(HostTextConversion, LongTextIsCutInTheCellAndWholeInTheText) {
    for (std::size_t length : {0u, 1u, 511u, 512u, 600u}) {
        const std::string text(length, 'p');
        QLXParamValue host{};
        host.type = kQLXParamText;
        host.value.text = text.c_str();
        const auto cell = tonekit::convertHostValue(host);
        ASSERT_TRUE(cell.has_value());
        EXPECT_EQ(cell->type, 6u);
        EXPECT_EQ(cell->asText(), text.substr(0, 511)) << length;
        EXPECT_EQ(cell->text, text);
    }
}

}  // namespace
