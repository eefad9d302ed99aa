#include "gl_bench_inputs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "render/gl/opengl_description.h"

namespace qlxglbench {

std::shared_ptr<NLEFilterInfo> openGLDescription() {
    return tonekit::makeOpenGLDescription(QLX_LUT_PROGRAM);
}

std::string writeSyntheticCube(int n, std::uint32_t seed) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("qlx-gl-bench-" + std::to_string(n) + "-" + std::to_string(seed) + ".cube"))
            .string();
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.04f, 0.04f);
    std::ofstream out(path, std::ios::binary);
    out << "LUT_3D_SIZE " << n << "\n";
    char line[96];
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                const float x = float(r) / (n - 1), y = float(g) / (n - 1), z = float(b) / (n - 1);
                float v[3] = {0.8f * x + 0.15f * y * y + jitter(random),
                              0.6f * y + 0.3f * std::sqrt(z) + jitter(random),
                              0.9f * z * z + 0.1f * x + jitter(random)};
                for (float& c : v) c = std::clamp(c, 0.0f, 1.0f);
                std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", v[0], v[1], v[2]);
                out << line;
            }
        }
    }
    return path;
}

GLFrameDesc hostFrame(std::vector<std::uint8_t>& pixels, int width, int height, int pitch) {
    GLFrameDesc desc;
    desc.inHostMemory = true;
    desc.pixels = pixels.data();
    desc.width = width;
    desc.height = height;
    desc.rowPitch = pitch;
    desc.extra1 = true;
    desc.extra2 = 4;
    desc.extra6 = -1;
    return desc;
}

GLFrameDesc emptyFrame() {
    std::vector<std::uint8_t> none;
    GLFrameDesc desc = hostFrame(none, 0, 0, 0);
    desc.pixels = nullptr;
    return desc;
}

std::vector<std::uint8_t> everyColour() {
    std::vector<std::uint8_t> pixels(std::size_t(4096) * 4096 * 4);
    for (std::uint32_t c = 0; c < (1u << 24); ++c) {
        pixels[c * 4 + 0] = std::uint8_t(c);        // blue
        pixels[c * 4 + 1] = std::uint8_t(c >> 8);   // green
        pixels[c * 4 + 2] = std::uint8_t(c >> 16);  // red
        pixels[c * 4 + 3] = 255;
    }
    return pixels;
}

}  // namespace qlxglbench
