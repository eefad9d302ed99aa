// LUT effect program for the OpenGL effect engine.
//
// Textures: TEX0 the input frame, TEX1 the LUT (N^3 RGB float texels, the CPU
// grid's values on its 0..255 scale, unclipped; red index along x, green along
// y, blue along z), TEX2 the skin mask (its alpha byte is the skin weight).
// Integers: lutSize (N), alpha (strength in percent), skinProtectStrength
// (percent).
//
// The arithmetic follows the CPU renderer step by step so that both give the
// same bytes: tetrahedral interpolation in single precision summed in the same
// order, the same rounding of the result, then the alpha multiply and the two
// blends in integers.

int qlxByte(float unorm)
{
    return int(floor(unorm * 255.0 + 0.5));
}

vec3 qlxLutEntry(ivec3 rgb)
{
    return texelFetch(TEX1, rgb, 0).rgb;
}

// The integer nearest to c + 0.5 (ties to even) as exact arithmetic gives it,
// saturated to a byte. Adding 0.5 in single precision could round a value just
// below a whole number up to the tie; exactly, the result is ceil(c), except
// for a whole c, a tie, which goes to the even neighbour.
int qlxRoundToByte(float c)
{
    float whole = floor(c);
    float nearest = c == whole ? whole + mod(whole, 2.0) : whole + 1.0;
    if (!(nearest > 0.0)) {
        return 0;  // negative, zero or not a number
    }
    return int(min(nearest, 255.0));
}

// floor((p * k + q * (255 - k)) / 255): k = 255 gives p, k = 0 gives q.
ivec4 qlxMix(ivec4 p, ivec4 q, int k)
{
    return (p * k + q * (255 - k)) / 255;
}

ivec3 qlxMapThroughLut(ivec3 rgb)
{
    int last = lutSize - 1;
    QLX_PRECISE float step = 255.0 / float(last);
    QLX_PRECISE vec3 position = vec3(rgb) / step;
    QLX_PRECISE vec3 whole = floor(position);
    QLX_PRECISE vec3 fraction = position - whole;
    ivec3 c0 = ivec3(whole);
    ivec3 c1 = min(c0 + ivec3(1), ivec3(last));
    float fr = fraction.r;
    float fg = fraction.g;
    float fb = fraction.b;

    // Weights and inner corners of the tetrahedron holding the point, chosen
    // by comparing the fractions in a fixed order.
    float w0, w1, w2, w3;
    ivec3 inner1, inner2;
    if (fr > fg) {
        if (fg > fb) {
            w0 = 1.0 - fr; w1 = fr - fg; w2 = fg - fb; w3 = fb;
            inner1 = ivec3(c1.r, c0.g, c0.b); inner2 = ivec3(c1.r, c1.g, c0.b);
        } else if (fr > fb) {
            w0 = 1.0 - fr; w1 = fr - fb; w2 = fb - fg; w3 = fg;
            inner1 = ivec3(c1.r, c0.g, c0.b); inner2 = ivec3(c1.r, c0.g, c1.b);
        } else {
            w0 = 1.0 - fb; w1 = fb - fr; w2 = fr - fg; w3 = fg;
            inner1 = ivec3(c0.r, c0.g, c1.b); inner2 = ivec3(c1.r, c0.g, c1.b);
        }
    } else if (fb > fg) {
        w0 = 1.0 - fb; w1 = fb - fg; w2 = fg - fr; w3 = fr;
        inner1 = ivec3(c0.r, c0.g, c1.b); inner2 = ivec3(c0.r, c1.g, c1.b);
    } else if (fb > fr) {
        w0 = 1.0 - fg; w1 = fg - fb; w2 = fb - fr; w3 = fr;
        inner1 = ivec3(c0.r, c1.g, c0.b); inner2 = ivec3(c0.r, c1.g, c1.b);
    } else {
        w0 = 1.0 - fg; w1 = fg - fr; w2 = fr - fb; w3 = fb;
        inner1 = ivec3(c0.r, c1.g, c0.b); inner2 = ivec3(c1.r, c1.g, c0.b);
    }

    QLX_PRECISE vec3 color = ((w0 * qlxLutEntry(c0) + w1 * qlxLutEntry(inner1))
                              + w2 * qlxLutEntry(inner2)) + w3 * qlxLutEntry(c1);
    return ivec3(qlxRoundToByte(color.r), qlxRoundToByte(color.g), qlxRoundToByte(color.b));
}

vec4 FUNCNAME(vec2 tc)
{
    vec4 source = INPUT(tc);
    ivec4 original = ivec4(qlxByte(source.r), qlxByte(source.g), qlxByte(source.b),
                           qlxByte(source.a));

    // Full-strength LUT result, its colour multiplied by the source alpha.
    ivec3 mapped = qlxMapThroughLut(original.rgb);
    ivec4 result = ivec4((mapped * original.a + 127) / 255, original.a);

    int strength = clamp(alpha * 255 / 100, 0, 255);
    if (strength < 255) {
        result = qlxMix(original, result, 255 - strength);
    }
    if (skinProtectStrength != 0) {
        ivec2 maskSize = textureSize(TEX2, 0);
        ivec2 pixel = clamp(ivec2(floor(tc * vec2(OUTPUT_SIZE))), ivec2(0), maskSize - ivec2(1));
        int skin = qlxByte(texelFetch(TEX2, pixel, 0).a);
        if (skin != 0) {
            int scale = clamp((skinProtectStrength * 255 + 50) / 100, 0, 255);
            result = qlxMix(original, result, (scale * skin + 127) / 255);
        }
    }
    return vec4(result) / 255.0;
}
