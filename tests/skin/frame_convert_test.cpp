#include "skin/frame_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Converter = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, int, int);

struct Form {
    const char* name;
    Converter convert;
};

class ConversionForms : public ::testing::TestWithParam<Form> {};

// Three pixels whose channels have the high bytes 18, 86, 154, 222 and
// arbitrary low bytes become 154, 86, 18, 222.
TEST_P(ConversionForms, KeepsHighBytesAndSwapsFirstAndThirdChannel) {
    const std::uint8_t src[24] = {0x01, 18, 0xFF, 86, 0x80, 154, 0x7F, 222,  //
                                  0x00, 18, 0x00, 86, 0x00, 154, 0x00, 222,  //
                                  0xFF, 18, 0xFF, 86, 0xFF, 154, 0xFF, 222};
    std::uint8_t dst[12] = {};
    GetParam().convert(src, sizeof src, dst, sizeof dst, 3, 1);
    const std::vector<std::uint8_t> expected = {154, 86,  18,  222, 154, 86,
                                                18,  222, 154, 86,  18,  222};
    EXPECT_EQ(std::vector<std::uint8_t>(dst, dst + 12), expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, ConversionForms,
                         ::testing::Values(Form{"Scalar", convertFrame16To8Scalar},
                                           Form{"Vector", convertFrame16To8Vector}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Layout {
    int width;
    int height;
    int srcPadding;  // bytes after each source row
    int dstPadding;  // bytes after each destination row
    int dstOffset;   // bytes from a 64-byte boundary to the first destination pixel
};

std::ostream& operator<<(std::ostream& out, const Layout& l) {
    return out << l.width << "x" << l.height << " +" << l.srcPadding << "/+" << l.dstPadding << " @"
               << l.dstOffset;
}

class VectorMatchesScalar : public ::testing::TestWithParam<Layout> {};

// Both forms write the same bytes and leave the row padding alone, whatever the
// widths, pitches and alignment.
TEST_P(VectorMatchesScalar, OnRandomFrames) {
    const Layout& l = GetParam();
    const std::size_t srcPitch = static_cast<std::size_t>(l.width) * 8 + l.srcPadding;
    const std::size_t dstPitch = static_cast<std::size_t>(l.width) * 4 + l.dstPadding;
    std::mt19937 random(l.width * 7919 + l.height * 104729 + l.srcPadding * 31 + l.dstOffset);
    std::vector<std::uint8_t> src(srcPitch * l.height);
    for (std::uint8_t& byte : src) byte = static_cast<std::uint8_t>(random());

    const std::size_t dstBytes = dstPitch * l.height + 160;
    std::vector<std::uint8_t> scalarOut(dstBytes, 0xAB), vectorOut(dstBytes, 0xAB);
    const auto at = [&](std::vector<std::uint8_t>& buffer) {
        const auto base = reinterpret_cast<std::uintptr_t>(buffer.data());
        return buffer.data() + ((64 - base % 64) % 64) + l.dstOffset;
    };
    convertFrame16To8Scalar(src.data(), srcPitch, at(scalarOut), dstPitch, l.width, l.height);
    convertFrame16To8Vector(src.data(), srcPitch, at(vectorOut), dstPitch, l.width, l.height);
    // The written rows and 32 bytes after them, padding included.
    const std::size_t span = dstPitch * l.height + 32;
    EXPECT_EQ(std::vector<std::uint8_t>(at(scalarOut), at(scalarOut) + span),
              std::vector<std::uint8_t>(at(vectorOut), at(vectorOut) + span));
}

std::vector<Layout> layouts() {
    std::vector<Layout> all;
    for (int width : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100, 641}) {
        for (int padding : {0, 1, 3, 8, 13}) {
            for (int offset : {0, 1, 4, 8, 12, 15})
                all.push_back({width, 3, padding, padding, offset});
        }
    }
    all.push_back({1920, 7, 5, 0, 4});
    all.push_back({1921, 5, 0, 7, 3});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Layouts, VectorMatchesScalar, ::testing::ValuesIn(layouts()));

}  // namespace
