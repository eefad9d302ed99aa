// What the mask says: skin weight in byte 3 (and repeated in bytes 0-2) for skin and non-skin
// colours, clean-up of specks and holes, feathered edges, and the other ways to read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "ai_filter_api.h"

namespace qlxtest {
namespace {

struct Colour {
    const char* label;
    int red, green, blue;
};

void PrintTo(const Colour& c, std::ostream* os) {
    *os << c.label << " (" << c.red << ", " << c.green << ", " << c.blue << ")";
}

std::uint8_t weightAt(const std::vector<std::uint8_t>& mask, int width, int x, int y) {
    return mask[(static_cast<size_t>(y) * width + x) * 4 + 3];
}

void paintRect(std::vector<std::uint8_t>& bgra, int width, int x0, int y0, int x1, int y1,
               const Colour& c) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            std::uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(c.blue);
            p[1] = static_cast<std::uint8_t>(c.green);
            p[2] = static_cast<std::uint8_t>(c.red);
        }
    }
}

const Colour kMediumSkin{"mediumSkin", 224, 172, 140};
const Colour kBlue{"blue", 30, 80, 220};

// Skin tones from very light to deep brown, and a dark skin in shadow.
class SkinTone : public ::testing::TestWithParam<Colour> {};

TEST_P(SkinTone, FillsTheWholeMaskWithFullWeight) {
    const Colour& c = GetParam();
    FilterHandle filter;
    const auto mask = maskOf(filter.get(), solidBgra(64, 48, c.red, c.green, c.blue), 64, 48);
    EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](std::uint8_t v) { return v == 255; }));
}

INSTANTIATE_TEST_SUITE_P(
    Tones, SkinTone,
    ::testing::Values(Colour{"veryLight", 255, 219, 172}, Colour{"light", 241, 194, 125},
                      Colour{"lightMedium", 224, 172, 105}, kMediumSkin,
                      Colour{"tan", 198, 134, 66}, Colour{"deepBrown", 141, 85, 36},
                      Colour{"darkInShadow", 90, 56, 40}, Colour{"rosy", 230, 160, 150}),
    [](const auto& info) { return std::string(info.param.label); });

class NonSkinColour : public ::testing::TestWithParam<Colour> {};

TEST_P(NonSkinColour, LeavesTheWholeMaskAtZero) {
    const Colour& c = GetParam();
    FilterHandle filter;
    const auto mask = maskOf(filter.get(), solidBgra(64, 48, c.red, c.green, c.blue), 64, 48);
    EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](std::uint8_t v) { return v == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Colours, NonSkinColour,
    ::testing::Values(kBlue, Colour{"skyBlue", 135, 206, 235}, Colour{"foliage", 60, 120, 40},
                      Colour{"grey", 128, 128, 128}, Colour{"white", 250, 250, 250},
                      Colour{"warmWhite", 245, 235, 225}, Colour{"black", 0, 0, 0},
                      Colour{"pureRed", 255, 0, 0}, Colour{"vividOrange", 255, 120, 0},
                      Colour{"lemon", 240, 220, 60}, Colour{"purple", 128, 0, 128}),
    [](const auto& info) { return std::string(info.param.label); });

// Left half skin, right half blue.
std::vector<std::uint8_t> splitFrame(int width, int height) {
    auto frame = solidBgra(width, height, kBlue.red, kBlue.green, kBlue.blue);
    paintRect(frame, width, 0, 0, width / 2, height, kMediumSkin);
    return frame;
}

TEST(MaskEncoding, EveryPixelRepeatsTheWeightInItsFourBytes) {
    FilterHandle filter;
    const auto mask = maskOf(filter.get(), splitFrame(96, 64), 96, 64);
    for (size_t i = 0; i < mask.size(); i += 4) {
        ASSERT_EQ(mask[i], mask[i + 3]) << "pixel " << i / 4;
        ASSERT_EQ(mask[i + 1], mask[i + 3]) << "pixel " << i / 4;
        ASSERT_EQ(mask[i + 2], mask[i + 3]) << "pixel " << i / 4;
    }
    EXPECT_EQ(weightAt(mask, 96, 10, 32), 255);
    EXPECT_EQ(weightAt(mask, 96, 86, 32), 0);
}

struct FeatherCase {
    const char* label;
    double feather;
    bool softEdge;
};

class EdgeAcross : public ::testing::TestWithParam<FeatherCase> {};

TEST_P(EdgeAcross, FallsMonotonicallyAndIsSoftOnlyWhenFeathered) {
    FilterHandle filter;
    ASSERT_EQ(aiFilterApi().setParameter(filter.get(), "feather", GetParam().feather), QLX_AI_OK);
    const auto mask = maskOf(filter.get(), splitFrame(200, 100), 200, 100);
    int inBetween = 0;
    for (int x = 1; x < 200; ++x) {
        ASSERT_LE(weightAt(mask, 200, x, 50), weightAt(mask, 200, x - 1, 50)) << "x " << x;
        const std::uint8_t w = weightAt(mask, 200, x, 50);
        inBetween += w > 0 && w < 255;
    }
    EXPECT_EQ(weightAt(mask, 200, 0, 50), 255);
    EXPECT_EQ(weightAt(mask, 200, 199, 50), 0);
    EXPECT_EQ(inBetween > 2, GetParam().softEdge) << inBetween << " soft pixels";
}

INSTANTIATE_TEST_SUITE_P(Feathers, EdgeAcross,
                         ::testing::Values(FeatherCase{"hard", 0.0, false},
                                           FeatherCase{"standard", 2.0, true},
                                           FeatherCase{"widest", 10.0, true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CleanUp, RemovesASpeckOfSkinColour) {
    FilterHandle filter;
    auto frame = solidBgra(200, 200, kBlue.red, kBlue.green, kBlue.blue);
    paintRect(frame, 200, 100, 100, 102, 102, kMediumSkin);
    const auto mask = maskOf(filter.get(), frame, 200, 200);
    EXPECT_EQ(*std::max_element(mask.begin(), mask.end()), 0);
}

TEST(CleanUp, FillsASmallHoleInsideSkin) {
    FilterHandle filter;
    auto frame = solidBgra(200, 200, kMediumSkin.red, kMediumSkin.green, kMediumSkin.blue);
    paintRect(frame, 200, 100, 100, 102, 102, kBlue);
    const auto mask = maskOf(filter.get(), frame, 200, 200);
    EXPECT_EQ(weightAt(mask, 200, 100, 100), 255);
    EXPECT_EQ(weightAt(mask, 200, 101, 101), 255);
}

struct Hole {
    const char* label;
    int x0, y0, x1, y1;  // non-skin rectangle inside a 200 x 200 skin frame
    bool filled;
};

void PrintTo(const Hole& h, std::ostream* os) {
    *os << h.label;
}

class EnclosedRegion : public ::testing::TestWithParam<Hole> {};

// A highlight on a forehead is near-white (too little saturation for skin) yet is skin.
TEST_P(EnclosedRegion, IsFilledOnlyWhenSmallAndAwayFromTheEdges) {
    const Hole& h = GetParam();
    FilterHandle filter;
    ASSERT_EQ(aiFilterApi().setParameter(filter.get(), "feather", 0.0), QLX_AI_OK);
    auto frame = solidBgra(200, 200, kMediumSkin.red, kMediumSkin.green, kMediumSkin.blue);
    paintRect(frame, 200, h.x0, h.y0, h.x1, h.y1, Colour{"highlight", 250, 244, 238});
    const auto mask = maskOf(filter.get(), frame, 200, 200);
    EXPECT_EQ(weightAt(mask, 200, (h.x0 + h.x1) / 2, (h.y0 + h.y1) / 2), h.filled ? 255 : 0);
}

INSTANTIATE_TEST_SUITE_P(Holes, EnclosedRegion,
                         ::testing::Values(Hole{"smallInside", 90, 90, 108, 108,
                                                true},  // 0.8 % of the frame
                                           Hole{"tallInside", 100, 60, 108, 100, true},   // 0.8 %
                                           Hole{"largeInside", 70, 70, 130, 130, false},  // 9 %
                                           Hole{"smallAtTheEdge", 0, 90, 18, 108, false}),
                         [](const auto& info) { return std::string(info.param.label); });

// A 1080-line frame is worked on at a quarter of its size; the mask must still line up.
TEST(LargeFrame, SkinRegionStaysInPlace) {
    const int width = 1920, height = 1080;
    FilterHandle filter;
    auto frame = solidBgra(width, height, kBlue.red, kBlue.green, kBlue.blue);
    paintRect(frame, width, 800, 300, 1200, 800, kMediumSkin);
    const auto mask = maskOf(filter.get(), frame, width, height);
    EXPECT_EQ(weightAt(mask, width, 1000, 550), 255);
    EXPECT_EQ(weightAt(mask, width, 830, 330), 255);
    EXPECT_EQ(weightAt(mask, width, 700, 550), 0);
    EXPECT_EQ(weightAt(mask, width, 1000, 900), 0);
    EXPECT_GT(weightAt(mask, width, 800, 550), 64);  // the edge itself is about half
    EXPECT_LT(weightAt(mask, width, 800, 550), 192);
}

// Sweeps every hue at several saturations and brightnesses; counts the skin pixels.
std::vector<std::uint8_t> colourSweep(int width, int height) {
    std::vector<std::uint8_t> frame(static_cast<size_t>(width) * height * 4, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 4];
            p[2] = static_cast<std::uint8_t>(255 * x / width);
            p[1] = static_cast<std::uint8_t>(255 * y / height);
            p[0] = static_cast<std::uint8_t>((x * 7 + y * 3) % 256);
        }
    }
    return frame;
}

long skinPixels(double sensitivity) {
    FilterHandle filter;
    EXPECT_EQ(aiFilterApi().setParameter(filter.get(), "sensitivity", sensitivity), QLX_AI_OK);
    EXPECT_EQ(aiFilterApi().setParameter(filter.get(), "feather", 0.0), QLX_AI_OK);
    const auto mask = maskOf(filter.get(), colourSweep(256, 256), 256, 256);
    long count = 0;
    for (size_t i = 3; i < mask.size(); i += 4) count += mask[i] == 255;
    return count;
}

TEST(Sensitivity, HigherValuesAcceptMoreColours) {
    const long narrow = skinPixels(0.0), standard = skinPixels(0.5), wide = skinPixels(1.0);
    EXPECT_LT(narrow, standard);
    EXPECT_LT(standard, wide);
    EXPECT_GT(narrow, 0);
}

struct ReadBack {
    const char* label;
    int srcChannels, dstChannels;
};

class SameWeights : public ::testing::TestWithParam<ReadBack> {};

// Byte 3 of the 4-byte mask of a BGRA source is the reference every other form must match.
TEST_P(SameWeights, AsByteThreeOfTheStandardMask) {
    const int width = 120, height = 80;
    FilterHandle filter;
    const auto bgra = splitFrame(width, height);
    const auto reference = maskOf(filter.get(), bgra, width, height);
    std::vector<std::uint8_t> source;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        source.insert(source.end(), bgra.begin() + i, bgra.begin() + i + GetParam().srcChannels);
    }
    const int dstChannels = GetParam().dstChannels;
    std::vector<std::uint8_t> mask(static_cast<size_t>(width) * height * dstChannels);
    ASSERT_EQ(aiFilterApi().transformChannels(filter.get(), mask.data(), width, height,
                                              width * dstChannels, dstChannels, source.data(),
                                              width, height, width * GetParam().srcChannels,
                                              GetParam().srcChannels),
              QLX_AI_OK);
    for (int i = 0; i < width * height; ++i) {
        ASSERT_EQ(mask[i * dstChannels + dstChannels - 1], reference[i * 4 + 3]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, SameWeights,
                         ::testing::Values(ReadBack{"bgrSource", 3, 4},
                                           ReadBack{"weightOnly", 4, 1},
                                           ReadBack{"bgrToWeightOnly", 3, 1}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(LastResult, IsTheWeightPlaneOfTheLastTransform) {
    const int width = 90, height = 70;
    FilterHandle filter;
    const AiFilterApi& api = aiFilterApi();
    const auto mask = maskOf(filter.get(), splitFrame(width, height), width, height);
    int32_t w = 0, h = 0;
    ASSERT_EQ(api.getResult(filter.get(), nullptr, 0, &w, &h), QLX_AI_OK);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    std::vector<std::uint8_t> weights(static_cast<size_t>(width) * height, 0x77);
    EXPECT_EQ(api.getResult(filter.get(), weights.data(), weights.size() - 1, &w, &h),
              QLX_AI_BAD_ARGUMENT);
    EXPECT_TRUE(std::all_of(weights.begin(), weights.end(), [](auto v) { return v == 0x77; }));
    ASSERT_EQ(api.getResult(filter.get(), weights.data(), weights.size(), nullptr, nullptr),
              QLX_AI_OK);
    for (size_t i = 0; i < weights.size(); ++i) ASSERT_EQ(weights[i], mask[i * 4 + 3]) << i;
}

}  // namespace
}  // namespace qlxtest
