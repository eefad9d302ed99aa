#include "lut_test_support.h"

#include <cmath>
#include <cstdio>

#include "lut/byte_source.h"

namespace qlx::test {

LoadResult loadText(std::string_view text, LutFileFormat format, bool forTexture, bool packed,
                    bool normalized) {
    LoadResult result{std::make_unique<CubeLut>(packed, normalized)};
    result.ok = loadTextInto(*result.lut, text, format, forTexture);
    return result;
}

bool loadTextInto(CubeLut& lut, std::string_view text, LutFileFormat format, bool forTexture) {
    MemoryByteSource source(text.data(), text.size());
    return lut.loadFromSource(source, format, forTexture);
}

std::string cubeText(int n, const EntryFunction& entry, const std::string& header) {
    std::string text = header + "LUT_3D_SIZE " + std::to_string(n) + "\n";
    for (int i = 0; i < n * n * n; ++i) {
        const auto words = entry(i % n, i / n % n, i / (n * n));  // red fastest
        text += words[0] + " " + words[1] + " " + words[2] + "\n";
    }
    return text;
}

namespace {

std::string exactWord(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

}  // namespace

std::array<std::string, 3> exactWords(float r, float g, float b) {
    return {exactWord(r), exactWord(g), exactWord(b)};
}

std::string cubeWordFor(float target) {
    // Walk the floats around target / 255 until one times 255 lands on it.
    float x = target / 255.0f;
    for (int step = 0; step < 64 && x * 255.0f != target; ++step) {
        x = std::nextafter(x, x * 255.0f < target ? INFINITY : -INFINITY);
    }
    return exactWord(x);
}

std::array<float, 3> gridAt(const CubeLut& lut, int r, int g, int b) {
    const float* entry = lut.table() + ((r * 65 + g) * 65 + b) * 3;
    return {entry[0], entry[1], entry[2]};
}

std::string withLineEnds(std::string_view text, std::string_view lineEnd) {
    std::string out;
    for (char c : text) c == '\n' ? out.append(lineEnd) : out.append(1, c);
    return out;
}

}  // namespace qlx::test
