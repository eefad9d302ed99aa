#include "lut_source.h"

#include <fmt/core.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <opencv2/imgcodecs.hpp>

#include "cli_error.h"
#include "input_file.h"

namespace qlxhost::cli {
namespace {

constexpr std::size_t kMaxBytes = std::size_t{1} << 30;
constexpr int kMax3dSize = 256;
constexpr int kMax1dSize = 65536;

std::string lowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// zlib reads the file the plugin's opening accepted, so a FIFO is never waited
// on and nothing can be swapped in between the check and the read.
gzFile openCompressed(const std::string& path) {
    qlx::platform::FileRefusal why = qlx::platform::FileRefusal::None;
    std::FILE* checked = qlx::platform::openForSharedRead(path, kMaxBytes, &why);
    if (!checked) throw CliError(path + ": " + refusalReason(why, kMaxBytes, "LUT file"));
    const int fd = dup(fileno(checked));
    std::fclose(checked);
    gzFile file = fd < 0 ? nullptr : gzdopen(fd, "rb");
    if (!file) {
        if (fd >= 0) close(fd);
        throw CliError(fmt::format("{}: cannot be opened", path));
    }
    return file;
}

// Whole file, inflated when it is gzip-compressed (zlib reads plain files as they are).
std::string readBytes(const std::string& path, bool* compressed) {
    gzFile file = openCompressed(path);
    *compressed = gzdirect(file) == 0;
    std::string bytes;
    char chunk[1 << 16];
    int got = 0;
    while ((got = gzread(file, chunk, sizeof chunk)) > 0 && bytes.size() < kMaxBytes) {
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    const bool failed = got < 0;
    gzclose(file);
    if (failed) throw CliError(fmt::format("{}: cannot be read or decompressed", path));
    if (bytes.size() >= kMaxBytes) throw CliError(fmt::format("{}: larger than 1 GiB", path));
    if (bytes.empty()) throw CliError(fmt::format("{}: the file is empty", path));
    return bytes;
}

// Lines split at LF, CR LF or CR, each cut into white-space separated words;
// comment and blank lines dropped.
struct Line {
    int number;
    std::vector<std::string> words;
    bool trailingSpace;
};

std::vector<Line> significantLines(const std::string& bytes) {
    std::vector<Line> lines;
    int number = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        const std::string text = bytes.substr(pos, end - pos);
        pos = end +
              ((end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ? 2 : 1);
        ++number;
        Line line{
            number, {}, !text.empty() && std::isspace(static_cast<unsigned char>(text.back()))};
        std::size_t w = 0;
        while ((w = text.find_first_not_of(" \t\f\v", w)) != std::string::npos) {
            const std::size_t e = std::min(text.find_first_of(" \t\f\v", w), text.size());
            line.words.push_back(text.substr(w, e - w));
            w = e;
        }
        if (!line.words.empty() && line.words[0][0] != '#') lines.push_back(std::move(line));
    }
    return lines;
}

bool isNumber(const std::string& word, double* value = nullptr) {
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    if (value) *value = v;
    return true;
}

float number(const std::string& path, const Line& line, std::size_t i) {
    double v = 0;
    if (i >= line.words.size() || !isNumber(line.words[i], &v)) {
        throw CliError(
            fmt::format("{}:{}: expected a number as word {}", path, line.number, i + 1));
    }
    return static_cast<float>(v);
}

int sizeValue(const std::string& path, const Line& line, int low, int high) {
    const float v = number(path, line, 1);
    if (v != std::floor(v) || v < low || v > high) {
        throw CliError(fmt::format("{}:{}: {} {} is outside {}..{}", path, line.number,
                                   line.words[0], line.words[1], low, high));
    }
    return static_cast<int>(v);
}

void readCube(const std::string& path, const std::vector<Line>& lines, SourceLut& lut) {
    float domainMin[3] = {0, 0, 0}, domainMax[3] = {1, 1, 1};
    bool domain = false, range1d = false, range3d = false;
    std::vector<const Line*> entries;
    for (const Line& line : lines) {
        const std::string& key = line.words[0];
        if (isNumber(key)) {
            entries.push_back(&line);
        } else if (!entries.empty()) {
            throw CliError(
                fmt::format("{}:{}: '{}' after the first entry", path, line.number, key));
        } else if (key == "TITLE") {
            lut.title = line.words.size() > 1 ? line.words[1] : "";
            for (std::size_t i = 2; i < line.words.size(); ++i) lut.title += " " + line.words[i];
            lut.title.erase(std::remove(lut.title.begin(), lut.title.end(), '"'), lut.title.end());
        } else if (key == "LUT_3D_SIZE") {
            lut.size3d = sizeValue(path, line, 2, kMax3dSize);
        } else if (key == "LUT_1D_SIZE") {
            lut.size1d = sizeValue(path, line, 2, kMax1dSize);
        } else if (key == "DOMAIN_MIN" || key == "DOMAIN_MAX") {
            float* to = key == "DOMAIN_MIN" ? domainMin : domainMax;
            for (int c = 0; c < 3; ++c) to[c] = number(path, line, 1 + c);
            domain = true;
        } else if (key == "LUT_1D_INPUT_RANGE" || key == "LUT_3D_INPUT_RANGE") {
            const bool is1d = key == "LUT_1D_INPUT_RANGE";
            for (int c = 0; c < 3; ++c) {
                (is1d ? lut.inMin1d : lut.inMin3d)[c] = number(path, line, 1);
                (is1d ? lut.inMax1d : lut.inMax3d)[c] = number(path, line, 2);
            }
            (is1d ? range1d : range3d) = true;
        } else {
            lut.notes.push_back(fmt::format("line {}: '{}' ignored", line.number, key));
        }
    }
    if (lut.size1d == 0 && lut.size3d == 0) {
        throw CliError(fmt::format("{}: neither LUT_3D_SIZE nor LUT_1D_SIZE", path));
    }
    // DOMAIN_MIN/MAX describe the first table of the file.
    if (domain) {
        std::copy(domainMin, domainMin + 3, lut.size1d ? lut.inMin1d : lut.inMin3d);
        std::copy(domainMax, domainMax + 3, lut.size1d ? lut.inMax1d : lut.inMax3d);
    }
    for (int c = 0; c < 3; ++c) {
        if (!(lut.inMin1d[c] < lut.inMax1d[c]) || !(lut.inMin3d[c] < lut.inMax3d[c])) {
            throw CliError(fmt::format("{}: input range minimum not below its maximum", path));
        }
    }
    const std::size_t want1d = static_cast<std::size_t>(lut.size1d);
    const std::size_t want3d = static_cast<std::size_t>(lut.size3d) * lut.size3d * lut.size3d;
    if (entries.size() < want1d + want3d) {
        throw CliError(fmt::format("{}: {} entries, the header asks for {}", path, entries.size(),
                                   want1d + want3d));
    }
    if (entries.size() > want1d + want3d) {
        lut.notes.push_back(
            fmt::format("{} lines after the last entry ignored", entries.size() - want1d - want3d));
    }
    for (std::size_t i = 0; i < want1d + want3d; ++i) {
        auto& table = i < want1d ? lut.table1d : lut.table3d;
        for (int c = 0; c < 3; ++c) table.push_back(number(path, *entries[i], c));
    }
    if (lut.size1d) lut.notes.push_back(fmt::format("1D table of {} points", lut.size1d));
    const bool unitRange = std::count(lut.inMin1d, lut.inMin1d + 3, 0.0f) == 3 &&
                           std::count(lut.inMax1d, lut.inMax1d + 3, 1.0f) == 3 &&
                           std::count(lut.inMin3d, lut.inMin3d + 3, 0.0f) == 3 &&
                           std::count(lut.inMax3d, lut.inMax3d + 3, 1.0f) == 3;
    if ((domain || range1d || range3d) && !unitRange) {
        lut.notes.push_back(domain ? "DOMAIN_MIN/DOMAIN_MAX applied"
                                   : "LUT_1D/3D_INPUT_RANGE applied");
    }
}

int bitDepthHolding(double largest) {
    int bits = 10;
    while (bits < 16 && largest > std::ldexp(1.0, bits) - 1) bits += 2;
    return bits;
}

void readThreeDl(const std::string& path, const std::vector<Line>& lines, SourceLut& lut) {
    std::vector<double> shaper, values;
    int meshSize = 0, outBits = 0;
    double largest = 0;
    for (const Line& line : lines) {
        const auto& w = line.words;
        if (w[0] == "Mesh" && w.size() >= 3) {
            meshSize = (1 << std::clamp(static_cast<int>(number(path, line, 1)), 1, 8)) + 1;
            outBits = std::clamp(static_cast<int>(number(path, line, 2)), 8, 32);
        } else if (!isNumber(w[0])) {
            if (w[0] != "3DMESH")
                lut.notes.push_back(fmt::format("line {}: '{}' ignored", line.number, w[0]));
        } else if (w.size() == 3) {
            for (int c = 0; c < 3; ++c) {
                values.push_back(number(path, line, c));
                largest = std::max(largest, values.back());
            }
        } else if (shaper.empty() && values.empty()) {
            for (std::size_t i = 0; i < w.size(); ++i) shaper.push_back(number(path, line, i));
            if (line.trailingSpace) lut.notes.push_back("shaper line's trailing space ignored");
        } else {
            throw CliError(
                fmt::format("{}:{}: {} numbers where an entry has 3", path, line.number, w.size()));
        }
    }
    const std::size_t count = values.size() / 3;
    const int n = static_cast<int>(std::lround(std::cbrt(static_cast<double>(count))));
    if (count == 0 || static_cast<std::size_t>(n) * n * n != count || n < 2 || n > kMax3dSize) {
        throw CliError(fmt::format("{}: {} entries do not make a cube of 2 to {} points per axis",
                                   path, count, kMax3dSize));
    }
    if (meshSize && meshSize != n)
        lut.notes.push_back(fmt::format(
            "Mesh line's size {} ignored: the file holds {} points per axis", meshSize, n));
    if (!outBits) outBits = bitDepthHolding(largest);
    lut.notes.push_back(fmt::format("output read as {}-bit (largest value {})", outBits, largest));
    const double outMax = std::ldexp(1.0, outBits) - 1;

    // Shaper values are the input codes of the lattice points; their bit depth
    // is the smallest that holds the last one.
    if (!shaper.empty()) {
        const double inMax = std::ldexp(1.0, bitDepthHolding(shaper.back())) - 1;
        bool uniform = true;
        for (std::size_t i = 0; i < shaper.size(); ++i) {
            uniform =
                uniform && std::abs(shaper[i] - shaper.back() * i / (shaper.size() - 1)) <= 1.0;
        }
        if (shaper.size() != static_cast<std::size_t>(n) && !uniform) {
            throw CliError(
                fmt::format("{}: an uneven shaper line of {} values for {} points per axis", path,
                            shaper.size(), n));
        }
        if (!uniform || shaper.back() != inMax) {
            for (int i = 0; i < n; ++i) {
                lut.latticeInputs.push_back(static_cast<float>(
                    (uniform ? shaper.back() * i / (n - 1) : shaper[static_cast<std::size_t>(i)]) /
                    inMax));
            }
            lut.notes.push_back(fmt::format("shaper line (input 0..{}) applied", inMax));
        }
    }
    // The file runs blue fastest; the table runs red fastest.
    lut.size3d = n;
    lut.table3d.resize(values.size());
    for (int r = 0, i = 0; r < n; ++r) {
        for (int g = 0; g < n; ++g) {
            for (int b = 0; b < n; ++b, ++i) {
                const std::size_t to = ((static_cast<std::size_t>(b) * n + g) * n + r) * 3;
                for (int c = 0; c < 3; ++c)
                    lut.table3d[to + c] = static_cast<float>(values[i * 3 + c] / outMax);
            }
        }
    }
}

// A HALD CLUT of level L: an L³ x L³ image whose pixels, row by row, are the
// entries of an L²-point cube, red fastest.
void readHald(const std::string& path, SourceLut& lut) {
    const cv::Mat image = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_COLOR);
    if (image.empty()) throw CliError(fmt::format("{}: not a readable image", path));
    int level = 2;
    while (level * level * level < image.cols) ++level;
    if (image.cols != image.rows || level * level * level != image.cols ||
        level * level > kMax3dSize) {
        throw CliError(fmt::format(
            "{}: a {} x {} image is not a HALD CLUT (level L is L³ x L³ pixels, L 2 to 16)", path,
            image.cols, image.rows));
    }
    const double top = image.depth() == CV_16U ? 65535.0 : 255.0;
    lut.size3d = level * level;
    lut.table3d.reserve(static_cast<std::size_t>(image.total()) * 3);
    for (int y = 0; y < image.rows; ++y) {
        for (int x = 0; x < image.cols; ++x) {
            for (int c = 2; c >= 0; --c) {  // BGR pixels
                const double v = image.depth() == CV_16U ? image.at<cv::Vec3w>(y, x)[c]
                                                         : image.at<cv::Vec3b>(y, x)[c];
                lut.table3d.push_back(static_cast<float>(v / top));
            }
        }
    }
    lut.notes.push_back(fmt::format("HALD CLUT level {} ({}-bit)", level, top > 255 ? 16 : 8));
}

float linear1d(const SourceLut& lut, int c, float x) {
    const float t =
        std::clamp((x - lut.inMin1d[c]) / (lut.inMax1d[c] - lut.inMin1d[c]), 0.0f, 1.0f) *
        (lut.size1d - 1);
    const int i = std::min(static_cast<int>(t), lut.size1d - 2);
    const float f = t - i;
    return lut.table1d[i * 3 + c] * (1 - f) + lut.table1d[(i + 1) * 3 + c] * f;
}

float latticeCoordinate(const SourceLut& lut, int c, float x) {
    const int top = lut.size3d - 1;
    if (lut.latticeInputs.empty()) {
        return std::clamp((x - lut.inMin3d[c]) / (lut.inMax3d[c] - lut.inMin3d[c]), 0.0f, 1.0f) *
               top;
    }
    const auto& in = lut.latticeInputs;
    if (x <= in.front()) return 0;
    if (x >= in.back()) return static_cast<float>(top);
    const int i = static_cast<int>(std::upper_bound(in.begin(), in.end(), x) - in.begin()) - 1;
    return i + (x - in[i]) / (in[i + 1] - in[i]);
}

}  // namespace

bool SourceLut::isPlainGrid() const {
    for (int c = 0; c < 3; ++c) {
        if (inMin3d[c] != 0 || inMax3d[c] != 1) return false;
    }
    return size1d == 0 && size3d > 0 && latticeInputs.empty();
}

SourceLut readSourceLut(const std::string& path) {
    SourceLut lut;
    const std::string ext = lowerExtension(path);
    if (ext == ".png" || ext == ".tif" || ext == ".tiff") {
        readHald(path, lut);
        return lut;
    }
    bool compressed = false;
    const std::string bytes = readBytes(path, &compressed);
    const std::string inner =
        compressed && ext == ".gz" ? lowerExtension(path.substr(0, path.size() - 3)) : ext;
    const std::vector<Line> lines = significantLines(bytes);
    if (lines.empty()) throw CliError(fmt::format("{}: holds no LUT lines", path));
    if (inner == ".cube") {
        readCube(path, lines, lut);
    } else if (inner == ".3dl") {
        readThreeDl(path, lines, lut);
    } else {
        throw CliError(
            fmt::format("{}: not a LUT file (.cube, .3dl, either .gz, or a HALD .png/.tif)", path));
    }
    if (compressed) lut.notes.insert(lut.notes.begin(), "gzip-compressed");
    return lut;
}

void evaluateSourceLut(const SourceLut& lut, const float in[3], float out[3]) {
    float x[3] = {in[0], in[1], in[2]};
    if (lut.size1d) {
        for (int c = 0; c < 3; ++c) x[c] = linear1d(lut, c, x[c]);
    }
    if (!lut.size3d) {
        std::copy(x, x + 3, out);
        return;
    }
    const int n = lut.size3d;
    int i0[3], i1[3];
    float f[3];
    for (int c = 0; c < 3; ++c) {
        const float t = latticeCoordinate(lut, c, x[c]);
        i0[c] = std::min(static_cast<int>(t), n - 1);
        i1[c] = std::min(i0[c] + 1, n - 1);
        f[c] = t - i0[c];
    }
    auto corner = [&](int r, int g, int b, int c) {
        const std::size_t at =
            ((static_cast<std::size_t>(b ? i1[2] : i0[2]) * n + (g ? i1[1] : i0[1])) * n +
             (r ? i1[0] : i0[0])) *
            3;
        return lut.table3d[at + c];
    };
    // Tetrahedral: walk from corner 000 to 111 along the axes in falling fraction order.
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&](int a, int b) { return f[a] > f[b]; });
    for (int c = 0; c < 3; ++c) {
        int at[3] = {0, 0, 0};
        float value = (1 - f[order[0]]) * corner(0, 0, 0, c);
        for (int k = 0; k < 3; ++k) {
            at[order[k]] = 1;
            const float w = f[order[k]] - (k < 2 ? f[order[k + 1]] : 0.0f);
            value += w * corner(at[0], at[1], at[2], c);
        }
        out[c] = value;
    }
}

}  // namespace qlxhost::cli
