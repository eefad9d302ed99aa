// Application of a loaded LUT to 8-bit images: the mapping, the rounding rule,
// the alpha step, the bands and the argument rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <vector>

#include "lut/lut_kernel.h"
#include "lut/parallel_cube_lut.h"
#include "lut_test_support.h"

namespace qlx::test {
namespace {

// The rounding rule worked out by hand: c + 0.5 in double precision, then the
// nearest integer with halves going to the even neighbour, saturated to a
// byte; not-a-number becomes 0.
std::uint8_t expectedByte(float c) {
    if (std::isnan(c)) return 0;
    const double t = static_cast<double>(c) + 0.5;
    const double below = std::floor(t);
    double nearest = t - below < 0.5 ? below : below + 1.0;
    if (t - below == 0.5 && std::fmod(below, 2.0) == 0.0) nearest = below;
    return static_cast<std::uint8_t>(std::min(255.0, std::max(0.0, nearest)));
}

struct Image {
    int width, height, channels, pitch;
    std::vector<std::uint8_t> bytes;
    Image(int w, int h, int ch, int pad = 0)
        : width(w),
          height(h),
          channels(ch),
          pitch(w * ch + pad),
          bytes(static_cast<std::size_t>(pitch) * h) {}
    std::uint8_t* row(int y) { return bytes.data() + static_cast<std::size_t>(y) * pitch; }
};

Image randomImage(int width, int height, int channels, std::uint32_t seed, int pad = 0) {
    Image image(width, height, channels, pad);
    for (std::uint8_t& b : image.bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return image;
}

int applyTo(CubeLut& lut, const Image& src, Image& dst) {
    return lut.apply(dst.bytes.data(), dst.pitch, src.bytes.data(), src.width, src.height,
                     src.pitch, src.channels);
}

// A size-2 LUT whose entry [0][0][0] is exactly `words`, the others 0.5.
std::unique_ptr<CubeLut> cornerLut(const std::array<std::string, 3>& words) {
    LoadResult loaded = loadText(cubeText(2,
                                          [&](int r, int g, int b) -> std::array<std::string, 3> {
                                              if (r + g + b == 0) return words;
                                              return {"0.5", "0.5", "0.5"};
                                          }),
                                 LutFileFormat::Cube);
    EXPECT_TRUE(loaded.ok);
    return std::move(loaded.lut);
}

// A LUT of size n with pseudo-random entries in about -20..280.
std::unique_ptr<CubeLut> randomLut(int n, std::uint32_t seed) {
    LoadResult loaded =
        loadText(cubeText(n,
                          [&](int, int, int) {
                              float v[3];
                              for (float& x : v) {
                                  seed = seed * 1664525u + 1013904223u;
                                  x = static_cast<float>(seed >> 8) / 16777216.0f * 1.2f - 0.08f;
                              }
                              return exactWords(v[0], v[1], v[2]);
                          }),
                 LutFileFormat::Cube);
    EXPECT_TRUE(loaded.ok);
    return std::move(loaded.lut);
}

class KernelReset : public ::testing::Test {
  protected:
    void TearDown() override {
        setLutKernelOverride(LutKernelKind::Automatic);
        cv::setNumThreads(-1);
    }
};

struct RoundingCase {
    const char* name;
    float target;       // grid value, when `word` is empty
    const char* word;   // a literal entry word instead
    std::uint8_t byte;  // what the pixel becomes
};

class Rounding : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(Rounding, CornerValueBecomesTheDocumentedByte) {
    const RoundingCase& c = GetParam();
    const std::string word = *c.word ? c.word : cubeWordFor(c.target);
    const std::unique_ptr<CubeLut> lut = cornerLut({word, word, word});
    const float stored = gridAt(*lut, 0, 0, 0)[0];
    if (!*c.word) {
        ASSERT_EQ(stored, c.target) << "no .CUBE word reaches " << c.target;
    }
    EXPECT_EQ(expectedByte(stored), c.byte) << "test table";

    for (int channels : {3, 4}) {
        Image src(3, 1, channels);  // pixel 0 at the corner, then two more
        src.bytes.assign(src.bytes.size(), 0);
        if (channels == 4) src.bytes[3] = 255;
        Image dst(3, 1, channels);
        ASSERT_EQ(applyTo(*lut, src, dst), 0);
        EXPECT_EQ(dst.bytes[0], c.byte) << channels << " channels";
        EXPECT_EQ(dst.bytes[1], c.byte);
        EXPECT_EQ(dst.bytes[2], c.byte);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, Rounding,
    ::testing::Values(
        RoundingCase{"zero", 0.0f, "", 0}, RoundingCase{"one", 1.0f, "", 2},
        RoundingCase{"two", 2.0f, "", 2}, RoundingCase{"even_100", 100.0f, "", 100},
        RoundingCase{"odd_101", 101.0f, "", 102}, RoundingCase{"above_100", 100.2f, "", 101},
        RoundingCase{"just_below_100", std::nextafter(100.0f, 0.0f), "", 100},
        RoundingCase{"just_above_100", std::nextafter(100.0f, 200.0f), "", 101},
        RoundingCase{"quarter", 0.25f, "", 1}, RoundingCase{"tiny", 1e-30f, "", 0},
        RoundingCase{"half_spacing_at_half", 0x1p-54f, "", 0},
        RoundingCase{"above_half_spacing_at_half", 0x1.000002p-54f, "", 1},
        RoundingCase{"small", 1e-16f, "", 1}, RoundingCase{"minus_quarter", -0.25f, "", 0},
        RoundingCase{"minus_half", -0.5f, "", 0}, RoundingCase{"minus_one", -1.0f, "", 0},
        RoundingCase{"minus_3", -3.0f, "", 0}, RoundingCase{"even_254", 254.0f, "", 254},
        RoundingCase{"above_254", 254.5f, "", 255}, RoundingCase{"odd_255", 255.0f, "", 255},
        RoundingCase{"over_300", 300.0f, "", 255}, RoundingCase{"huge", 3e38f, "", 255},
        RoundingCase{"infinite", 0.0f, "+inf", 255},
        RoundingCase{"minus_infinite", 0.0f, "-inf", 0},
        RoundingCase{"not_a_number", 0.0f, "+nan", 0}),
    [](const ::testing::TestParamInfo<RoundingCase>& info) { return info.param.name; });

TEST(AlphaStep, ColourIsMultipliedBySourceAlphaRoundedToNearest) {
    const std::unique_ptr<CubeLut> lut =
        cornerLut({cubeWordFor(200.0f), cubeWordFor(100.0f), cubeWordFor(255.0f)});
    Image src(256, 1, 4);
    for (int a = 0; a < 256; ++a) {
        std::uint8_t* p = &src.bytes[a * 4];
        p[0] = p[1] = p[2] = 0;
        p[3] = static_cast<std::uint8_t>(a);
    }
    Image dst(256, 1, 4);
    ASSERT_EQ(applyTo(*lut, src, dst), 0);
    for (int a = 0; a < 256; ++a) {
        const std::uint8_t* p = &dst.bytes[a * 4];
        EXPECT_EQ(p[0], std::lround(a * 255 / 255.0)) << "alpha " << a;  // blue = 255
        EXPECT_EQ(p[1], std::lround(a * 100 / 255.0)) << "alpha " << a;
        EXPECT_EQ(p[2], std::lround(a * 200 / 255.0)) << "alpha " << a;
        EXPECT_EQ(p[3], a);
    }
    EXPECT_EQ(dst.bytes[128 * 4], 128);  // alpha 128, colour 255
}

TEST(GreyPixels, FollowTheDiagonalOfAnIdentityLut) {
    LoadResult identity = loadText(
        cubeText(2, [](int r, int g, int b) { return exactWords(r, g, b); }), LutFileFormat::Cube);
    ASSERT_TRUE(identity.ok);
    Image src(256, 1, 3);
    for (int v = 0; v < 256; ++v) std::memset(&src.bytes[v * 3], v, 3);
    Image dst(256, 1, 3);
    ASSERT_EQ(applyTo(*identity.lut, src, dst), 0);
    for (int v = 0; v < 256; ++v) {
        const float fraction = static_cast<float>(v) / 255.0f;
        const std::uint8_t want = expectedByte(fraction * 255.0f);
        EXPECT_EQ(dst.bytes[v * 3], want) << "level " << v;
        EXPECT_EQ(dst.bytes[v * 3 + 1], want) << "level " << v;
        EXPECT_EQ(dst.bytes[v * 3 + 2], want) << "level " << v;
    }
}

// The six tetrahedra as the design lists them, corner by corner, summed in
// listing order, for one pixel.
std::array<std::uint8_t, 3> tetrahedralOracle(const CubeLut& lut, std::uint8_t b, std::uint8_t g,
                                              std::uint8_t r) {
    const int n = lut.size();
    const float step = 255.0f / static_cast<float>(n - 1);
    const float xr = r / step, xg = g / step, xb = b / step;
    const int ir = static_cast<int>(std::floor(xr)), ig = static_cast<int>(std::floor(xg)),
              ib = static_cast<int>(std::floor(xb));
    const float fr = xr - std::floor(xr), fg = xg - std::floor(xg), fb = xb - std::floor(xb);
    auto corner = [&](int x, int y, int z) {
        return gridAt(lut, std::min(ir + x, n - 1), std::min(ig + y, n - 1),
                      std::min(ib + z, n - 1));
    };
    struct Term {
        float w;
        std::array<float, 3> c;
    };
    std::array<Term, 4> t;
    if (fr > fg && fg > fb) {
        t = {{{1 - fr, corner(0, 0, 0)},
              {fr - fg, corner(1, 0, 0)},
              {fg - fb, corner(1, 1, 0)},
              {fb, corner(1, 1, 1)}}};
    } else if (fr > fg && fr > fb) {
        t = {{{1 - fr, corner(0, 0, 0)},
              {fr - fb, corner(1, 0, 0)},
              {fb - fg, corner(1, 0, 1)},
              {fg, corner(1, 1, 1)}}};
    } else if (fr > fg) {
        t = {{{1 - fb, corner(0, 0, 0)},
              {fb - fr, corner(0, 0, 1)},
              {fr - fg, corner(1, 0, 1)},
              {fg, corner(1, 1, 1)}}};
    } else if (fb > fg) {
        t = {{{1 - fb, corner(0, 0, 0)},
              {fb - fg, corner(0, 0, 1)},
              {fg - fr, corner(0, 1, 1)},
              {fr, corner(1, 1, 1)}}};
    } else if (fb > fr) {
        t = {{{1 - fg, corner(0, 0, 0)},
              {fg - fb, corner(0, 1, 0)},
              {fb - fr, corner(0, 1, 1)},
              {fr, corner(1, 1, 1)}}};
    } else {
        t = {{{1 - fg, corner(0, 0, 0)},
              {fg - fr, corner(0, 1, 0)},
              {fr - fb, corner(1, 1, 0)},
              {fb, corner(1, 1, 1)}}};
    }
    std::array<std::uint8_t, 3> bgr;
    for (int c = 0; c < 3; ++c) {
        float sum = t[0].w * t[0].c[c];
        for (int k = 1; k < 4; ++k) sum = sum + t[k].w * t[k].c[c];
        bgr[2 - c] = expectedByte(sum);
    }
    return bgr;
}

class Mapping : public KernelReset, public ::testing::WithParamInterface<int> {};

TEST_P(Mapping, MatchesTheTetrahedraOfTheDesignOnRandomPixels) {
    const std::unique_ptr<CubeLut> lut = randomLut(GetParam(), 7u + GetParam());
    Image src = randomImage(30011, 1, 4, 99);
    for (int x = 0; x < src.width; ++x) src.bytes[x * 4 + 3] = 255;  // colour kept as mapped
    for (LutKernelKind kind : {LutKernelKind::Scalar, LutKernelKind::Automatic}) {
        setLutKernelOverride(kind);
        Image dst(src.width, 1, 4);
        ASSERT_EQ(applyTo(*lut, src, dst), 0);
        for (int x = 0; x < src.width; ++x) {
            const std::uint8_t* s = &src.bytes[x * 4];
            const auto want = tetrahedralOracle(*lut, s[0], s[1], s[2]);
            ASSERT_EQ(std::memcmp(&dst.bytes[x * 4], want.data(), 3), 0)
                << "pixel " << int(s[0]) << "," << int(s[1]) << "," << int(s[2]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Mapping, ::testing::Values(2, 3, 5, 17, 33, 65));

struct BandCase {
    int height;
    std::array<int, 8> rows;
};

class Bands : public ::testing::TestWithParam<BandCase> {};

TEST_P(Bands, SplitRowsIntoEightWithTheRemainderLast) {
    int next = 0;
    for (int band = 0; band < 8; ++band) {
        const cv::Range rows = parallelCubeLut::bandRows(band, GetParam().height);
        EXPECT_EQ(rows.size(), GetParam().rows[band]) << "band " << band;
        if (rows.size() > 0) {
            EXPECT_EQ(rows.start, next) << "band " << band;
        }
        next += rows.size();
    }
    EXPECT_EQ(next, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Heights, Bands,
    ::testing::Values(BandCase{1085, {135, 135, 135, 135, 135, 135, 135, 140}},
                      BandCase{5, {0, 0, 0, 0, 0, 0, 0, 5}}, BandCase{8, {1, 1, 1, 1, 1, 1, 1, 1}},
                      BandCase{1, {0, 0, 0, 0, 0, 0, 0, 1}},
                      BandCase{2160, {270, 270, 270, 270, 270, 270, 270, 270}}));

// Maps each row as its own small image on the calling thread with the scalar
// kernel: the reference for images that go through the bands.
Image rowByRow(CubeLut& lut, const Image& src) {
    setLutKernelOverride(LutKernelKind::Scalar);
    Image out(src.width, src.height, src.channels, src.pitch - src.width * src.channels);
    for (int y = 0; y < src.height; ++y) {
        lut.apply(out.bytes.data() + static_cast<std::size_t>(y) * out.pitch, out.pitch,
                  src.bytes.data() + static_cast<std::size_t>(y) * src.pitch, src.width, 1,
                  src.pitch, src.channels);
    }
    setLutKernelOverride(LutKernelKind::Automatic);
    return out;
}

struct ShapeCase {
    const char* name;
    int width, height, channels, pad;
};

class Shapes : public KernelReset, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(Shapes, BandsInPlaceAndThreadCountsGiveTheSameBytes) {
    const ShapeCase& c = GetParam();
    const std::unique_ptr<CubeLut> lut = randomLut(17, 3);
    const Image src = randomImage(c.width, c.height, c.channels, 1234, c.pad);
    const Image reference = rowByRow(*lut, src);
    for (int threads : {1, 2}) {
        cv::setNumThreads(threads);
        Image outOfPlace = randomImage(c.width, c.height, c.channels, 77, c.pad);
        const std::vector<std::uint8_t> before = outOfPlace.bytes;
        ASSERT_EQ(applyTo(*lut, src, outOfPlace), 0);
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(std::memcmp(outOfPlace.row(y), reference.bytes.data() + y * src.pitch,
                                  c.width * c.channels),
                      0)
                << "row " << y << ", " << threads << " threads";
            // Bytes past the last pixel of a row belong to the caller.
            ASSERT_EQ(std::memcmp(outOfPlace.row(y) + c.width * c.channels,
                                  before.data() + y * src.pitch + c.width * c.channels, c.pad),
                      0);
        }
        Image inPlace = src;
        ASSERT_EQ(applyTo(*lut, inPlace, inPlace), 0);
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(std::memcmp(inPlace.row(y), outOfPlace.row(y), c.width * c.channels), 0)
                << "in place, row " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Images, Shapes,
                         ::testing::Values(ShapeCase{"calling_thread_10000", 100, 100, 4, 0},
                                           ShapeCase{"bands_10002", 5001, 2, 4, 0},
                                           ShapeCase{"height_5", 4000, 5, 4, 12},
                                           ShapeCase{"height_1085", 23, 1085, 4, 4},
                                           ShapeCase{"bgr_padded", 501, 37, 3, 5},
                                           ShapeCase{"bgr_bands", 333, 91, 3, 1},
                                           ShapeCase{"odd_width", 1923, 9, 4, 0}),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) {
                             return info.param.name;
                         });

TEST(PixelCount, TenThousandAndTenThousandOneGiveIdenticalBytes) {
    const std::unique_ptr<CubeLut> lut = randomLut(33, 5);
    const Image big = randomImage(10001, 1, 4, 42);
    Image small(10000, 1, 4);
    std::memcpy(small.bytes.data(), big.bytes.data(), small.bytes.size());
    Image bigOut(10001, 1, 4), smallOut(10000, 1, 4);
    ASSERT_EQ(applyTo(*lut, big, bigOut), 0);
    ASSERT_EQ(applyTo(*lut, small, smallOut), 0);
    EXPECT_EQ(std::memcmp(bigOut.bytes.data(), smallOut.bytes.data(), smallOut.bytes.size()), 0);
}

TEST(Arguments, AnUnusableSizeLeavesTheImageAlone) {
    CubeLut neverLoaded;
    const Image src = randomImage(64, 4, 4, 1);
    Image dst = randomImage(64, 4, 4, 2);
    const std::vector<std::uint8_t> before = dst.bytes;
    EXPECT_EQ(applyTo(neverLoaded, src, dst), 23);
    EXPECT_EQ(neverLoaded.status, 0);
    EXPECT_EQ(dst.bytes, before);

    CubeLut oversized;
    loadTextInto(oversized, "LUT_3D_SIZE 100\n0 0 0\n", LutFileFormat::Cube);
    ASSERT_EQ(oversized.size(), 100);
    EXPECT_EQ(applyTo(oversized, src, dst), 23);
    EXPECT_EQ(dst.bytes, before);
}

TEST(Arguments, ImageViewsRefuseNullPixelsAndShortPitches) {
    const std::unique_ptr<CubeLut> lut = randomLut(5, 9);
    std::vector<std::uint8_t> pixels(64 * 4 * 2);
    EXPECT_THROW(lut->apply(nullptr, 256, pixels.data(), 64, 2, 256, 4), cv::Exception);
    EXPECT_THROW(lut->apply(pixels.data(), 256, nullptr, 64, 2, 256, 4), cv::Exception);
    EXPECT_THROW(lut->apply(pixels.data(), 255, pixels.data(), 64, 2, 256, 4), cv::Exception);
    EXPECT_THROW(lut->apply(pixels.data(), 256, pixels.data(), -1, 2, 256, 4), cv::Exception);
    // An empty image has nothing to map.
    EXPECT_EQ(lut->apply(nullptr, 0, nullptr, 0, 0, 0, 4), 0);
}

TEST(Arguments, OtherChannelCountsDoNothing) {
    const std::unique_ptr<CubeLut> lut = randomLut(5, 9);
    for (int channels : {1, 2, 5, 0, -4}) {
        const Image src = randomImage(16, 2, 4, 3);
        Image dst = randomImage(16, 2, 4, 4);
        const std::vector<std::uint8_t> before = dst.bytes;
        EXPECT_EQ(lut->apply(dst.bytes.data(), 64, src.bytes.data(), 16, 2, 64, channels), 0);
        EXPECT_EQ(dst.bytes, before) << channels << " channels";
    }
}

TEST(Kernels, TheActiveKernelIsAlwaysARealOne) {
    for (LutKernelKind kind : {LutKernelKind::Scalar, LutKernelKind::Sse41, LutKernelKind::Avx2,
                               LutKernelKind::Avx512}) {
        setLutKernelOverride(kind);
        EXPECT_EQ(activeLutKernel(), lutKernelSupported(kind) ? kind : LutKernelKind::Scalar);
    }
    setLutKernelOverride(LutKernelKind::Automatic);
    EXPECT_NE(activeLutKernel(), LutKernelKind::Automatic);
}

}  // namespace
}  // namespace qlx::test
