// LUT effect program for the OpenCL renderer: kernels "MAIN" and "SkinProtect".
//
// Arguments of both kernels:
//   0 src image, 1 dst image (BGRA, unsigned normalised 8-bit)
//   2 grid: float[65][65][65][3], 0..255 scale, red index first, channels RGB
//   3 fraction table: float[256]; 4 index table: int[256]
//   5 width, 6 height (of the output), 7 N (the LUT's size), 8 alpha (percent)
// "SkinProtect" adds 9 the skin mask image (its alpha byte is the skin weight)
// and 10 skinProtect (percent).
//
// Every step follows the CPU renderer so that both give the same bytes:
// tetrahedral interpolation in single precision with the four products summed
// as ((w0*C000 + w1*C1) + w2*C2) + w3*C111 and no fused multiply-adds, the same
// rounding of each result, then the alpha multiply and the blends in integers.

#pragma OPENCL FP_CONTRACT OFF

#define QLX_GRID_DIM 65
#define QLX_STRIDE_B 3
#define QLX_STRIDE_G (QLX_GRID_DIM * QLX_STRIDE_B)
#define QLX_STRIDE_R (QLX_GRID_DIM * QLX_STRIDE_G)

__constant sampler_t qlxPixels =
    CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

// The bytes of one pixel as (red, green, blue, alpha). An 8-bit normalised
// channel reads as byte / 255, which times 255 rounds back to the byte exactly.
int4 qlxReadBytes(read_only image2d_t image, int2 at)
{
    return convert_int4(read_imagef(image, qlxPixels, at) * 255.0f + 0.5f);
}

void qlxWriteBytes(write_only image2d_t image, int2 at, int4 bytes)
{
    write_imagef(image, at, convert_float4(bytes) * (1.0f / 255.0f));
}

// Nearest integer to c + 0.5 (formed in double precision) with ties to even,
// saturated to a byte; without double precision, which devices may lack.
// c + 0.5 is exact in double for every float c >= 2^-30, so there a result
// strictly between k and k + 1 gives k + 1 and an exact integer k gives k when
// k is even and k + 1 when it is odd. Below, a positive c of at most 2^-54
// vanishes beside 0.5 (0.5 rounds to 0) and a larger one gives 1; zero,
// negative results and NaN give 0.
int qlxToByte(float c)
{
    const float up = fmin(fmax(ceil(c), -1.0f), 256.0f);
    const int k = (int)up;
    const int rounded = up == c && (k & 1) != 0 ? k + 1 : k;
    return c > 0x1p-54f ? min(rounded, 255) : 0;
}

// floor(x / 255) for 0 <= x < 65535, without a division.
#define QLX_DIV255(x) ((((x) + 1) * 257) >> 16)

// round(a * v / 255) for bytes, as the blend tables' multiply table.
int qlxMul(int a, int v)
{
    return QLX_DIV255(a * v + 127);
}

// floor((p * k + q * (255 - k)) / 255): k = 255 gives p, k = 0 gives q.
int4 qlxMix(int4 p, int4 q, int k)
{
    return QLX_DIV255(p * k + q * (255 - k));
}

// The LUT's colour for a pixel, as bytes (red, green, blue).
int3 qlxMapColour(int4 s, __global const float* grid, __global const float* fraction,
                  __global const int* index, int size)
{
    const int r = s.x, g = s.y, b = s.z;
    const int last = clamp(size, 1, QLX_GRID_DIM) - 1;
    const int ir = clamp(index[r], 0, last);
    const int ig = clamp(index[g], 0, last);
    const int ib = clamp(index[b], 0, last);
    const float fr = fraction[r], fg = fraction[g], fb = fraction[b];
    const int dr = ir < last ? QLX_STRIDE_R : 0;
    const int dg = ig < last ? QLX_STRIDE_G : 0;
    const int db = ib < last ? QLX_STRIDE_B : 0;

    // The tetrahedron holding the point, chosen by comparing the fractions in
    // the CPU's fixed order, without branches so that neighbouring work items
    // run together. Its weights are 1 - max, max - mid, mid - min and min of
    // the three fractions (equal fractions give equal weights whichever is
    // taken first); its inner corners step first along the largest fraction's
    // axis, then along the middle one's.
    const bool rg = fr > fg, gb = fg > fb, rb = fr > fb, bg = fb > fg, br = fb > fr;
    const float high = fmax(fmax(fr, fg), fb);
    const float low = fmin(fmin(fr, fg), fb);
    const float middle = fmax(fmin(fr, fg), fmin(fmax(fr, fg), fb));
    const float w0 = 1.0f - high, w1 = high - middle, w2 = middle - low, w3 = low;
    const int corner1 = rg ? (gb || rb ? dr : db) : (bg ? db : dg);
    const int corner2 = corner1 + (rg ? (gb ? dg : rb ? db : dr) : (bg ? dg : br ? db : dr));

    __global const float* c000 = grid + ir * QLX_STRIDE_R + ig * QLX_STRIDE_G + ib * QLX_STRIDE_B;
    __global const float* c1 = c000 + corner1;
    __global const float* c2 = c000 + corner2;
    __global const float* c111 = c000 + dr + dg + db;
    int3 out;
    out.x = qlxToByte(((w0 * c000[0] + w1 * c1[0]) + w2 * c2[0]) + w3 * c111[0]);
    out.y = qlxToByte(((w0 * c000[1] + w1 * c1[1]) + w2 * c2[1]) + w3 * c111[1]);
    out.z = qlxToByte(((w0 * c000[2] + w1 * c1[2]) + w2 * c2[2]) + w3 * c111[2]);
    return out;
}

// The LUT result of one pixel, multiplied by its alpha and blended back
// towards the original by the strength (0..255).
int4 qlxGradePixel(int4 o, int strength, __global const float* grid,
                   __global const float* fraction, __global const int* index, int size)
{
    if (strength == 0) return o;
    const int3 mapped = qlxMapColour(o, grid, fraction, index, size);
    int4 d = (int4)(qlxMul(o.w, mapped.x), qlxMul(o.w, mapped.y), qlxMul(o.w, mapped.z), o.w);
    if (strength < 255) d = qlxMix(o, d, 255 - strength);
    return d;
}

// Percent to the 0..255 scale, truncated, as the CPU renderer's strength.
int qlxStrength(int alpha)
{
    return clamp(alpha, 0, 100) * 255 / 100;
}

// True when the work item lies on both images.
bool qlxInside(int2 at, int width, int height, write_only image2d_t dst)
{
    return at.x < width && at.y < height && at.x < get_image_width(dst) &&
           at.y < get_image_height(dst);
}

__kernel void MAIN(read_only image2d_t src, write_only image2d_t dst, __global const float* grid,
                   __global const float* fraction, __global const int* index, int width,
                   int height, int size, int alpha)
{
    const int2 at = (int2)(get_global_id(0), get_global_id(1));
    if (!qlxInside(at, width, height, dst)) return;
    const int4 o = qlxReadBytes(src, at);
    qlxWriteBytes(dst, at, qlxGradePixel(o, qlxStrength(alpha), grid, fraction, index, size));
}

__kernel void SkinProtect(read_only image2d_t src, write_only image2d_t dst,
                          __global const float* grid, __global const float* fraction,
                          __global const int* index, int width, int height, int size, int alpha,
                          read_only image2d_t mask, int skinProtect)
{
    const int2 at = (int2)(get_global_id(0), get_global_id(1));
    if (!qlxInside(at, width, height, dst)) return;
    const int4 o = qlxReadBytes(src, at);
    const int strength = qlxStrength(alpha);
    int4 d = qlxGradePixel(o, strength, grid, fraction, index, size);
    // The CPU renderer leaves the frame untouched at strength 0, mask or not.
    if (strength != 0) {
        // skinProtect * 255 / 100 rounded half up: the CPU renderer's
        // (int)(skinProtect * 255.0 / 100.0 + 0.5) for every percent.
        const int scale = (clamp(skinProtect, 0, 100) * 255 + 50) / 100;
        const int weight = qlxReadBytes(mask, at).w;
        d = qlxMix(o, d, qlxMul(scale, weight));
    }
    qlxWriteBytes(dst, at, d);
}
