// Sizes, pitches, buffers and channel counts that the transform must refuse before it touches
// any memory, and the unusual but valid shapes it must accept and write only within.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "ai_filter_test_support.h"

namespace qlxtest {
namespace {

constexpr std::uint8_t kUntouched = 0xCD;

struct Call {
    bool valid;
    bool nullDst = false;
    int width = 8, height = 8, dstPitch = 32, dstChannels = 4;
    bool nullSrc = false;
    int srcWidth = 8, srcHeight = 8, srcPitch = 32, srcChannels = 4;
};

Call call(bool valid, void (*change)(Call&)) {
    Call c{valid};
    change(c);
    return c;
}

const Call kCalls[] = {
    call(false, [](Call& c) { c.nullDst = true; }),
    call(false, [](Call& c) { c.nullSrc = true; }),
    call(false, [](Call& c) { c.width = 0; }),
    call(false, [](Call& c) { c.height = -8; }),
    call(false, [](Call& c) { c.width = QLX_AI_MAX_SIDE + 1, c.height = 1; }),
    call(false, [](Call& c) { c.width = INT_MAX, c.dstPitch = INT_MAX; }),
    call(false, [](Call& c) { c.dstPitch = 31; }),
    call(false, [](Call& c) { c.srcWidth = 0; }),
    call(false, [](Call& c) { c.srcHeight = QLX_AI_MAX_SIDE + 1; }),
    call(false, [](Call& c) { c.srcPitch = -32; }),
    call(false, [](Call& c) { c.srcChannels = 3, c.srcPitch = 23; }),
    call(false, [](Call& c) { c.srcChannels = 5; }),
    call(false, [](Call& c) { c.dstChannels = 3; }),
    call(false, [](Call& c) { c.dstChannels = 1, c.dstPitch = 7; }),
    call(true, [](Call& c) { c.width = c.height = c.srcWidth = c.srcHeight = 1; }),
    call(true, [](Call& c) { c.dstPitch = 40, c.srcPitch = 44; }),
    call(true, [](Call& c) { c.width = 30, c.height = 20, c.dstPitch = 124; }),
    call(true, [](Call& c) { c.srcWidth = 100, c.srcHeight = 60, c.srcPitch = 512; }),
    call(true, [](Call& c) { c.srcChannels = 3, c.srcPitch = 24; }),
    call(true, [](Call& c) { c.dstChannels = 1, c.dstPitch = 9; }),
    call(true, [](Call& c) { c.width = QLX_AI_MAX_SIDE, c.height = 1, c.dstPitch = 1 << 16; })};

// The destination is far larger than any accepted call could write, so a call that wrote where
// it must not is seen in the bytes rather than as a crash.
TEST(Transform, RefusesBadShapesUntouchedAndWritesValidOnesOnlyWithinTheirRows) {
    const std::vector<std::uint8_t> src(128 * 128 * 4, 150);
    for (size_t i = 0; i < std::size(kCalls); ++i) {
        const Call& c = kCalls[i];
        FilterHandle filter;
        std::vector<std::uint8_t> dst(1 << 16, kUntouched);
        const int result = NLEEffectFilterTransformChannels(
            filter.get(), c.nullDst ? nullptr : dst.data(), c.width, c.height, c.dstPitch,
            c.dstChannels, c.nullSrc ? nullptr : src.data(), c.srcWidth, c.srcHeight, c.srcPitch,
            c.srcChannels);
        ASSERT_EQ(result, c.valid ? QLX_AI_OK : QLX_AI_BAD_ARGUMENT) << "case " << i;
        int32_t w = -1, h = -1;
        EXPECT_EQ(NLEEffectFilterGetAIResData(filter.get(), nullptr, 0, &w, &h), result);
        const long rowBytes = c.valid ? c.width * c.dstChannels : 0;
        for (int y = 0; c.valid && y < c.height; ++y) {
            const auto row = dst.begin() + static_cast<long>(y) * c.dstPitch;
            EXPECT_LT(std::count(row, row + rowBytes, kUntouched), rowBytes) << i << " row " << y;
            EXPECT_EQ(std::count(row + rowBytes, row + c.dstPitch, kUntouched),
                      c.dstPitch - rowBytes);
        }
        const auto end = dst.begin() + (c.valid ? (c.height - 1L) * c.dstPitch + rowBytes : 0);
        EXPECT_EQ(std::count(end, dst.end(), kUntouched), dst.end() - end) << "case " << i;
    }
}

}  // namespace
}  // namespace qlxtest
