// Sizes, pitches, buffers and channel counts that the transform must refuse before it touches
// any memory, and the unusual but valid shapes it must accept.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "ai_filter_api.h"

namespace qlxtest {
namespace {

constexpr std::uint8_t kUntouched = 0xCD;

struct Call {
    const char* label;
    bool nullDst = false;
    int width = 8, height = 8, dstPitch = 32, dstChannels = 4;
    bool nullSrc = false;
    int srcWidth = 8, srcHeight = 8, srcPitch = 32, srcChannels = 4;
};

void PrintTo(const Call& c, std::ostream* os) {
    *os << c.label;
}

Call with(const char* label, void (*change)(Call&)) {
    Call call;
    call.label = label;
    change(call);
    return call;
}

// Buffers far larger than any accepted call could write, so a refused call that wrote anyway is
// seen in the bytes rather than as a crash.
struct Buffers {
    std::vector<std::uint8_t> dst = std::vector<std::uint8_t>(1 << 16, kUntouched);
    std::vector<std::uint8_t> src = solidBgra(128, 128, 224, 172, 140);
};

int run(const Call& c, void* filter, Buffers& b) {
    return aiFilterApi().transformChannels(
        filter, c.nullDst ? nullptr : b.dst.data(), c.width, c.height, c.dstPitch, c.dstChannels,
        c.nullSrc ? nullptr : b.src.data(), c.srcWidth, c.srcHeight, c.srcPitch, c.srcChannels);
}

class RefusedCall : public ::testing::TestWithParam<Call> {};

TEST_P(RefusedCall, AnswersBadArgumentAndWritesNothing) {
    FilterHandle filter;
    Buffers buffers;
    EXPECT_EQ(run(GetParam(), filter.get(), buffers), QLX_AI_BAD_ARGUMENT);
    EXPECT_TRUE(std::all_of(buffers.dst.begin(), buffers.dst.end(),
                            [](std::uint8_t v) { return v == kUntouched; }));
    int32_t w = -1, h = -1;
    EXPECT_EQ(aiFilterApi().getResult(filter.get(), nullptr, 0, &w, &h), QLX_AI_BAD_ARGUMENT)
        << "a refused call must not leave a mask behind";
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, RefusedCall,
    ::testing::Values(
        with("nullDestination", [](Call& c) { c.nullDst = true; }),
        with("nullSource", [](Call& c) { c.nullSrc = true; }),
        with("zeroWidth", [](Call& c) { c.width = 0; }),
        with("negativeHeight", [](Call& c) { c.height = -8; }),
        with("widthAboveLimit", [](Call& c) { c.width = QLX_AI_MAX_SIDE + 1, c.height = 1; }),
        with("hugeWidth", [](Call& c) { c.width = INT_MAX, c.dstPitch = INT_MAX; }),
        with("heightAboveLimit", [](Call& c) { c.height = QLX_AI_MAX_SIDE + 1; }),
        with("destinationPitchShortByOne", [](Call& c) { c.dstPitch = 31; }),
        with("negativeDestinationPitch", [](Call& c) { c.dstPitch = -32; }),
        with("zeroSourceWidth", [](Call& c) { c.srcWidth = 0; }),
        with("negativeSourceHeight", [](Call& c) { c.srcHeight = -1; }),
        with("sourceHeightAboveLimit", [](Call& c) { c.srcHeight = QLX_AI_MAX_SIDE + 1; }),
        with("sourcePitchShortByOne", [](Call& c) { c.srcPitch = 31; }),
        with("negativeSourcePitch", [](Call& c) { c.srcPitch = -32; }),
        with("threeChannelPitchTooShort", [](Call& c) { c.srcChannels = 3, c.srcPitch = 23; }),
        with("oneChannelSource", [](Call& c) { c.srcChannels = 1; }),
        with("fiveChannelSource", [](Call& c) { c.srcChannels = 5; }),
        with("threeChannelMask", [](Call& c) { c.dstChannels = 3; }),
        with("zeroChannelMask", [](Call& c) { c.dstChannels = 0; }),
        with("oneChannelMaskPitchTooShort", [](Call& c) { c.dstChannels = 1, c.dstPitch = 7; })),
    [](const auto& info) { return std::string(info.param.label); });

class AcceptedCall : public ::testing::TestWithParam<Call> {};

TEST_P(AcceptedCall, SucceedsAndWritesOnlyTheMaskRows) {
    const Call& c = GetParam();
    FilterHandle filter;
    Buffers buffers;
    ASSERT_EQ(run(c, filter.get(), buffers), QLX_AI_OK);
    const int rowBytes = c.width * c.dstChannels;
    for (int y = 0; y < c.height; ++y) {
        const std::uint8_t* row = buffers.dst.data() + static_cast<size_t>(y) * c.dstPitch;
        EXPECT_NE(std::count(row, row + rowBytes, kUntouched), rowBytes) << "row " << y;
        EXPECT_EQ(std::count(row + rowBytes, row + c.dstPitch, kUntouched), c.dstPitch - rowBytes)
            << "padding of row " << y;
    }
    const size_t end = static_cast<size_t>(c.height - 1) * c.dstPitch + rowBytes;
    EXPECT_TRUE(std::all_of(buffers.dst.begin() + end, buffers.dst.end(),
                            [](std::uint8_t v) { return v == kUntouched; }));
}

INSTANTIATE_TEST_SUITE_P(
    ValidShapes, AcceptedCall,
    ::testing::Values(
        with("onePixel", [](Call& c) { c.width = c.height = c.srcWidth = c.srcHeight = 1; }),
        with("paddedRows", [](Call& c) { c.dstPitch = 40, c.srcPitch = 44; }),
        with("maskLargerThanSource",
             [](Call& c) { c.width = 30, c.height = 20, c.dstPitch = 124; }),
        with("maskSmallerThanSource",
             [](Call& c) { c.srcWidth = 100, c.srcHeight = 60, c.srcPitch = 512; }),
        with("threeChannelSource", [](Call& c) { c.srcChannels = 3, c.srcPitch = 24; }),
        with("oneChannelMask", [](Call& c) { c.dstChannels = 1, c.dstPitch = 9; }),
        with("widestMask",
             [](Call& c) {
                 c.width = QLX_AI_MAX_SIDE, c.height = 1, c.dstPitch = QLX_AI_MAX_SIDE * 4;
             })),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qlxtest
