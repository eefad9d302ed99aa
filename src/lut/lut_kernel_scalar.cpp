// The reference mapping of one pixel: tetrahedral interpolation in single
// precision, summed per channel as ((w0·C000 + w1·C1) + w2·C2) + w3·C111.
#include <cmath>

#include "lut/lut_kernel.h"

namespace qlx {

namespace {

constexpr int kStrideB = 3;
constexpr int kStrideG = 65 * kStrideB;
constexpr int kStrideR = 65 * kStrideG;

// c + 0.5 rounded to the nearest integer, ties to even, then saturated.
inline std::uint8_t toByte(float c) {
    const double rounded = std::nearbyint(static_cast<double>(c) + 0.5);
    if (!(rounded > 0.0)) return 0;  // negative, zero or not a number
    if (rounded >= 255.0) return 255;
    return static_cast<std::uint8_t>(rounded);
}

// The four weights and the two inner corners of the tetrahedron that holds
// the point, chosen by comparing the fractions in a fixed order.
struct Tetrahedron {
    float w0, w1, w2, w3;
    int corner1, corner2;  // float offsets from C000
};

inline Tetrahedron chooseTetrahedron(float fr, float fg, float fb, int dr, int dg, int db) {
    if (fr > fg) {
        if (fg > fb) return {1.0f - fr, fr - fg, fg - fb, fb, dr, dr + dg};
        if (fr > fb) return {1.0f - fr, fr - fb, fb - fg, fg, dr, dr + db};
        return {1.0f - fb, fb - fr, fr - fg, fg, db, db + dr};
    }
    if (fb > fg) return {1.0f - fb, fb - fg, fg - fr, fr, db, db + dg};
    if (fb > fr) return {1.0f - fg, fg - fb, fb - fr, fr, dg, dg + db};
    return {1.0f - fg, fg - fr, fr - fb, fb, dg, dg + dr};
}

inline void mapPixel(const LutKernelParams& p, const std::uint8_t* s, std::uint8_t* d) {
    const std::uint8_t b = s[0], g = s[1], r = s[2];
    const int ir = p.index[r], ig = p.index[g], ib = p.index[b];
    const int last = p.size - 1;
    const int dr = ir < last ? kStrideR : 0;
    const int dg = ig < last ? kStrideG : 0;
    const int db = ib < last ? kStrideB : 0;
    const Tetrahedron t =
        chooseTetrahedron(p.fraction[r], p.fraction[g], p.fraction[b], dr, dg, db);
    const float* c000 = p.grid + ir * kStrideR + ig * kStrideG + ib * kStrideB;
    const float* c1 = c000 + t.corner1;
    const float* c2 = c000 + t.corner2;
    const float* c111 = c000 + dr + dg + db;
    std::uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        const float v = ((t.w0 * c000[c] + t.w1 * c1[c]) + t.w2 * c2[c]) + t.w3 * c111[c];
        out[c] = toByte(v);
    }
    d[0] = out[2];
    d[1] = out[1];
    d[2] = out[0];
}

}  // namespace

std::uint8_t lutRoundScalar(float value) {
    return toByte(value);
}

void mapLutRowScalar(const LutKernelParams& params, const std::uint8_t* src, std::uint8_t* dst,
                     int width, int channels) {
    if (channels == 3) {
        for (int x = 0; x < width; ++x, src += 3, dst += 3) mapPixel(params, src, dst);
        return;
    }
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
        const std::uint8_t alpha = src[3];
        mapPixel(params, src, dst);
        const std::uint8_t* mulRow = params.mulTable + alpha * 256;
        dst[0] = mulRow[dst[0]];
        dst[1] = mulRow[dst[1]];
        dst[2] = mulRow[dst[2]];
        dst[3] = alpha;
    }
}

}  // namespace qlx
