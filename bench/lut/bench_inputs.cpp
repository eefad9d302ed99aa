#include "bench_inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qlx::bench {

namespace {

struct Rng {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Roughly normal noise from a sum of uniforms, in [-amplitude, amplitude].
    float noise(float amplitude) {
        const float u = static_cast<float>((next() & 0xFF) + (next() & 0xFF) + (next() & 0xFF));
        return (u / 382.5f - 1.0f) * amplitude;
    }
};

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

struct Shape {
    float cx, cy, radius;
    float b, g, r;
    bool disc;
};

}  // namespace

std::vector<std::uint8_t> randomFrame(int width, int height) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 4);
    Rng rng{0x2545F491u};
    for (std::size_t i = 0; i < frame.size(); i += 4) {
        const std::uint32_t colour = rng.next();
        frame[i] = static_cast<std::uint8_t>(colour);
        frame[i + 1] = static_cast<std::uint8_t>(colour >> 8);
        frame[i + 2] = static_cast<std::uint8_t>(colour >> 16);
        frame[i + 3] = 255;
    }
    return frame;
}

std::vector<std::uint8_t> benchFrame(int kind, int width, int height) {
    return kind == 1 ? randomFrame(width, height) : naturalFrame(width, height);
}

std::vector<std::uint8_t> naturalFrame(int width, int height) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 4);
    const Shape shapes[] = {
        {0.30f, 0.55f, 0.18f, 120.0f, 150.0f, 210.0f, true},  // skin-like face
        {0.70f, 0.60f, 0.22f, 40.0f, 120.0f, 60.0f, false},   // foliage block
        {0.55f, 0.25f, 0.08f, 200.0f, 230.0f, 250.0f, true},  // bright lamp
        {0.85f, 0.30f, 0.10f, 160.0f, 60.0f, 30.0f, false},   // blue sign
        {0.15f, 0.85f, 0.12f, 30.0f, 30.0f, 35.0f, true},     // shadow
    };
    Rng rng{0x9E3779B9u};
    for (int y = 0; y < height; ++y) {
        const float fy = static_cast<float>(y) / static_cast<float>(height);
        for (int x = 0; x < width; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(width);
            // Sky to ground gradient with a warm horizon.
            float b = 230.0f - 170.0f * fy + 20.0f * std::sin(6.0f * fx);
            float g = 180.0f - 110.0f * fy + 30.0f * std::exp(-40.0f * (fy - 0.45f) * (fy - 0.45f));
            float r = 120.0f - 40.0f * fy + 90.0f * std::exp(-30.0f * (fy - 0.45f) * (fy - 0.45f));
            for (const Shape& s : shapes) {
                const float dx =
                    (fx - s.cx) * static_cast<float>(width) / static_cast<float>(height);
                const float dy = fy - s.cy;
                const bool inside =
                    s.disc ? dx * dx + dy * dy < s.radius * s.radius
                           : std::fabs(dx) < s.radius && std::fabs(dy) < s.radius * 0.6f;
                if (inside) {
                    const float shade = 0.75f + 0.25f * (1.0f - dy / s.radius);
                    b = s.b * shade;
                    g = s.g * shade;
                    r = s.r * shade;
                }
            }
            std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = toByte(b + rng.noise(6.0f));
            p[1] = toByte(g + rng.noise(5.0f));
            p[2] = toByte(r + rng.noise(6.0f));
            p[3] = fy < 0.9f ? 255 : toByte(255.0f * (1.0f - (fy - 0.9f) * 8.0f));
        }
    }
    return frame;
}

std::string gradeCubeText(int n) {
    std::string text = "TITLE \"benchmark grade\"\nLUT_3D_SIZE " + std::to_string(n) + "\n";
    char line[96];
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                const float fr = static_cast<float>(r) / static_cast<float>(n - 1);
                const float fg = static_cast<float>(g) / static_cast<float>(n - 1);
                const float fb = static_cast<float>(b) / static_cast<float>(n - 1);
                const float luma = 0.2126f * fr + 0.7152f * fg + 0.0722f * fb;
                const float outR = std::pow(0.9f * fr + 0.1f * luma, 0.85f);
                const float outG = 0.08f * fr + 0.84f * fg + 0.08f * luma;
                const float outB = std::pow(0.1f * luma + 0.8f * fb + 0.02f, 1.1f);
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", outR, outG, outB);
                text += line;
            }
        }
    }
    return text;
}

}  // namespace qlx::bench
