// 16-bit to 8-bit frame conversion: both forms against a per-pixel oracle, over
// widths around the vector step, row paddings and destination alignments.
#include "skin/frame_convert.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace {

TEST(FrameConvert, EveryFormKeepsHighBytesSwapsChannelsZeroAndTwoAndLeavesPaddingAlone) {
    std::mt19937 random(7);
    std::vector<std::array<int, 4>> layouts;  // width, height, padding, destination offset
    for (int width : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100, 641})
        for (int padding : {0, 1, 3, 8, 13})
            for (int offset : {0, 1, 4, 8, 12, 15}) layouts.push_back({width, 3, padding, offset});
    layouts.push_back({1920, 7, 5, 4});
    for (const auto& [width, height, padding, offset] : layouts) {
        const std::size_t srcPitch = width * 8 + padding, dstPitch = width * 4 + padding;
        std::vector<std::uint8_t> src(srcPitch * height);
        for (std::uint8_t& byte : src) byte = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> expected(dstPitch * height + 96, 0xAB);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 4; ++c)
                    expected[y * dstPitch + x * 4 + c] =
                        src[y * srcPitch + x * 8 + (c == 3 ? 3 : 2 - c) * 2 + 1];
        for (auto convert : {convertFrame16To8Scalar, convertFrame16To8Vector}) {
            std::vector<std::uint8_t> out(expected.size() + 64 + offset, 0xAB);
            std::uint8_t* at =
                out.data() + (64 - reinterpret_cast<std::uintptr_t>(out.data()) % 64) % 64 + offset;
            convert(src.data(), srcPitch, at, dstPitch, width, height);
            ASSERT_EQ(std::vector<std::uint8_t>(at, at + expected.size()), expected)
                << width << "x" << height << " +" << padding << " @" << offset
                << (convert == convertFrame16To8Scalar ? " scalar" : " vector");
        }
    }
}

}  // namespace
