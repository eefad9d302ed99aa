// Application of a loaded LUT to 8-bit images: the mapping, the rounding rule,
// the alpha step, the bands and the argument rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <opencv2/core/utility.hpp>

#include "lut/lut_kernel.h"
#include "lut_test_support.h"

namespace qlx::test {
namespace {

// The rounding rule worked out by hand: c + 0.5 in double precision, then the
// nearest integer with halves going to the even neighbour, saturated to a
// byte; not-a-number becomes 0.
std::uint8_t expectedByte(float c) {
    if (std::isnan(c)) return 0;
    const double t = static_cast<double>(c) + 0.5, below = std::floor(t);
    double nearest = t - below < 0.5 ? below : below + 1.0;
    if (t - below == 0.5 && std::fmod(below, 2.0) == 0.0) nearest = below;
    return static_cast<std::uint8_t>(std::min(255.0, std::max(0.0, nearest)));
}

struct Image {
    int width, height, channels, pitch;
    std::vector<std::uint8_t> bytes;
    Image(int w, int h, int ch, int pad = 0, std::uint32_t seed = 1)
        : width(w), height(h), channels(ch), pitch(w * ch + pad), bytes(std::size_t(pitch) * h) {
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    }
    std::uint8_t* row(int y) { return bytes.data() + static_cast<std::size_t>(y) * pitch; }
    int apply(CubeLut& lut, const Image& src) {
        return lut.apply(bytes.data(), pitch, src.bytes.data(), src.width, src.height, src.pitch,
                         src.channels);
    }
};

std::unique_ptr<CubeLut> lutOf(int n, const EntryFunction& entry) {
    LoadResult loaded = loadText(cubeText(n, entry), LutFileFormat::Cube);
    EXPECT_TRUE(loaded.ok);
    return std::move(loaded.lut);
}

// A LUT of size n with pseudo-random entries in about -20..280.
std::unique_ptr<CubeLut> randomLut(int n, std::uint32_t seed) {
    return lutOf(n, [seed](int r, int g, int b) {
        auto value = [&](std::uint32_t salt) {
            const std::uint32_t h = (r * 73856093u ^ g * 19349663u ^ b * 83492791u ^ seed) * salt;
            return static_cast<float>(h >> 8) / 16777216.0f * 1.2f - 0.08f;
        };
        return exactWords(value(0x9E3779B1u), value(0x85EBCA77u), value(0xC2B2AE3Du));
    });
}

TEST(Rounding, CornerValuesBecomeTheRoundedBytes) {
    const auto w = [](float v) { return cubeWordFor(v); };
    const float tiny = 0x1p-54f;  // half the spacing of doubles at 0.5
    // Halves go to the even neighbour; the smallest positive values round up
    // only once c + 0.5 is above one half in double precision.
    const std::pair<std::string, int> cases[] = {{w(1), 2},
                                                 {w(2), 2},
                                                 {w(101), 102},
                                                 {w(100.2f), 101},
                                                 {w(std::nextafter(100.0f, 0.0f)), 100},
                                                 {w(tiny), 0},
                                                 {w(std::nextafter(tiny, 1.0f)), 1},
                                                 {w(-0.5f), 0},
                                                 {w(254.5f), 255},
                                                 {w(3e38f), 255},
                                                 {"+inf", 255},
                                                 {"-inf", 0},
                                                 {"+nan", 0}};
    for (const auto& [word, byte] : cases) {
        const auto lut = lutOf(2, [&](int r, int g, int b) -> std::array<std::string, 3> {
            if (r + g + b == 0) return {word, word, word};
            return {"0.5", "0.5", "0.5"};
        });
        EXPECT_EQ(expectedByte(gridAt(*lut, 0, 0, 0)[0]), byte) << word << ": test table";
        // BGR: the scalar reference, which the vector kernels equal (KernelEquality).
        Image src(3, 1, 3), dst(3, 1, 3);
        std::memset(src.bytes.data(), 0, 9);
        ASSERT_EQ(dst.apply(*lut, src), 0);
        EXPECT_EQ(dst.bytes[0], byte) << word;
    }
}

TEST(AlphaStep, ColourIsMultipliedBySourceAlphaRoundedToNearest) {
    const int colour[3] = {255, 100, 200};  // blue, green, red of corner C000
    const auto lut = lutOf(2, [&](int r, int g, int b) -> std::array<std::string, 3> {
        if (r + g + b != 0) return {"0.5", "0.5", "0.5"};
        return {cubeWordFor(colour[2]), cubeWordFor(colour[1]), cubeWordFor(colour[0])};
    });
    Image src(256, 1, 4), dst(256, 1, 4);
    for (int a = 0; a < 256; ++a) {
        const std::uint32_t pixel = static_cast<std::uint32_t>(a) << 24;  // black, alpha a
        std::memcpy(&src.bytes[a * 4], &pixel, 4);
    }
    ASSERT_EQ(dst.apply(*lut, src), 0);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(dst.bytes[a * 4 + c], std::lround(a * colour[c] / 255.0)) << a;
        EXPECT_EQ(dst.bytes[a * 4 + 3], a);
    }
}

// The six tetrahedra as tested in order, each a walk from C000 along three
// axes (0 red, 1 green, 2 blue) to C111, products summed in walk order.
std::array<std::uint8_t, 3> tetrahedralOracle(const CubeLut& lut, const std::uint8_t* bgr) {
    const int n = lut.size();
    const float step = 255.0f / static_cast<float>(n - 1);
    float f[3];  // fractions and indices of red, green, blue
    int at[3];
    for (int axis = 0; axis < 3; ++axis) {
        const float x = bgr[2 - axis] / step;
        at[axis] = static_cast<int>(std::floor(x));
        f[axis] = x - std::floor(x);
    }
    const int walks[6][3] = {{0, 1, 2}, {0, 2, 1}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {1, 0, 2}};
    const int row = f[0] > f[1] ? (f[1] > f[2]   ? 0
                                   : f[0] > f[2] ? 1
                                                 : 2)
                                : (f[2] > f[1]   ? 3
                                   : f[2] > f[0] ? 4
                                                 : 5);
    const int* walk = walks[row];
    const float w[4] = {1 - f[walk[0]], f[walk[0]] - f[walk[1]], f[walk[1]] - f[walk[2]],
                        f[walk[2]]};
    int corner[3] = {at[0], at[1], at[2]};
    float sum[3] = {};
    for (int k = 0; k < 4; ++k) {
        if (k > 0) corner[walk[k - 1]] = std::min(at[walk[k - 1]] + 1, n - 1);
        const std::array<float, 3> c = gridAt(lut, corner[0], corner[1], corner[2]);
        for (int ch = 0; ch < 3; ++ch) sum[ch] = k == 0 ? w[0] * c[ch] : sum[ch] + w[k] * c[ch];
    }
    return {expectedByte(sum[2]), expectedByte(sum[1]), expectedByte(sum[0])};
}

TEST(Mapping, MatchesTheSixTetrahedraOnRandomPixels) {
    // BGR: the scalar reference, which the vector kernels equal (KernelEquality).
    const Image src(30011, 1, 3, 0, 99);
    for (int n : {2, 3, 5, 17, 33, 65}) {
        const auto lut = randomLut(n, 7u + n);
        Image dst(src.width, 1, 3);
        ASSERT_EQ(dst.apply(*lut, src), 0);
        for (int x = 0; x < src.width; ++x) {
            const auto want = tetrahedralOracle(*lut, &src.bytes[x * 3]);
            ASSERT_EQ(std::memcmp(&dst.bytes[x * 3], want.data(), 3), 0) << n << ", " << x;
        }
    }
}

struct ShapeCase {
    const char* name;
    int width, height, channels, pad;
};

class Shapes : public ::testing::TestWithParam<ShapeCase> {
    void TearDown() override { cv::setNumThreads(-1); }
};

// Each row mapped as its own small image on the calling thread with the
// scalar kernel is the reference for bands, threads, tails and mapping in place.
TEST_P(Shapes, BandsInPlaceAndThreadCountsGiveTheRowByRowBytes) {
    const ShapeCase& c = GetParam();
    const auto lut = randomLut(17, 3);
    const Image src(c.width, c.height, c.channels, c.pad, 1234);
    Image reference(c.width, c.height, c.channels, c.pad);
    setLutKernelOverride(LutKernelKind::Scalar);
    for (int y = 0; y < c.height; ++y)
        lut->apply(reference.row(y), 0, src.bytes.data() + y * src.pitch, c.width, 1, 0,
                   c.channels);
    setLutKernelOverride(LutKernelKind::Automatic);
    const int rowBytes = c.width * c.channels;
    for (int threads : {1, 2}) {
        cv::setNumThreads(threads);
        Image out(c.width, c.height, c.channels, c.pad, 77), inPlace = src;
        const Image before = out;
        ASSERT_EQ(out.apply(*lut, src), 0);
        ASSERT_EQ(inPlace.apply(*lut, inPlace), 0);
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(std::memcmp(out.row(y), reference.row(y), rowBytes), 0) << "row " << y;
            ASSERT_EQ(std::memcmp(inPlace.row(y), reference.row(y), rowBytes), 0) << "row " << y;
            // Bytes past the last pixel of a row belong to the caller.
            ASSERT_EQ(std::memcmp(out.row(y) + rowBytes,
                                  before.bytes.data() + y * src.pitch + rowBytes, c.pad),
                      0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Images, Shapes,
                         ::testing::Values(ShapeCase{"calling_thread_10000", 100, 100, 4, 0},
                                           ShapeCase{"bands_10002", 5001, 2, 4, 0},
                                           ShapeCase{"height_5", 4000, 5, 4, 12},
                                           ShapeCase{"height_1085", 23, 1085, 4, 4},
                                           ShapeCase{"bgr_padded", 501, 37, 3, 5}),
                         [](const auto& info) { return info.param.name; });

TEST(Arguments, UnusableSizesAndOtherChannelCountsLeaveTheImageAlone) {
    CubeLut neverLoaded, oversized;
    loadTextInto(oversized, "LUT_3D_SIZE 100\n0 0 0\n", LutFileFormat::Cube);
    const Image src(64, 4, 4, 0, 1);
    Image dst(64, 4, 4, 0, 2);
    const std::vector<std::uint8_t> before = dst.bytes;
    EXPECT_EQ(dst.apply(neverLoaded, src), 23);
    EXPECT_EQ(dst.apply(oversized, src) + neverLoaded.status, 23);
    const auto lut = randomLut(5, 9);
    for (int channels : {1, 2, 5, 0, -4})
        EXPECT_EQ(lut->apply(dst.bytes.data(), 256, src.bytes.data(), 64, 4, 256, channels), 0);
    EXPECT_EQ(dst.bytes, before);
    EXPECT_THROW(lut->apply(nullptr, 256, src.bytes.data(), 64, 2, 256, 4), cv::Exception);
    EXPECT_THROW(lut->apply(dst.bytes.data(), 255, src.bytes.data(), 64, 2, 256, 4), cv::Exception);
    EXPECT_EQ(lut->apply(nullptr, 0, nullptr, 0, 0, 0, 4), 0);  // nothing to map
}

}  // namespace
}  // namespace qlx::test
