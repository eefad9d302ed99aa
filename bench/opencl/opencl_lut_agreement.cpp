// How far the OpenCL renderer's bytes lie from the CPU renderer's over every
// 24-bit colour (a 4096 x 4096 frame; alpha 255 except every seventh row,
// where it is the row number's low byte), for several LUTs and settings.
// Prints one Markdown table row per case: bytes compared, then how many
// differ by 0, 1, 2 and more.
//
//   POCL_CACHE_DIR=DIR opencl_lut_agreement [LUT files...]
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "../lut/bench_inputs.h"
#include "opencl_bench_session.h"

namespace {

using qlx::bench::OpenCLSession;

struct Case {
    std::string label, lut;
    int alpha, skin;
};

cv::Mat everyColour() {
    cv::Mat picture(4096, 4096, CV_8UC4);
    for (int y = 0; y < picture.rows; ++y)
        for (int x = 0; x < picture.cols; ++x) {
            const int colour = y * 4096 + x;
            picture.at<cv::Vec4b>(y, x) =
                cv::Vec4b(static_cast<uchar>(colour), static_cast<uchar>(colour >> 8),
                          static_cast<uchar>(colour >> 16), static_cast<uchar>(y % 7 ? 255 : y));
        }
    return picture;
}

// Skin weights 0..255 along every row, so every mask weight meets every colour.
cv::Mat rampMask() {
    cv::Mat mask(4096, 4096, CV_8UC4, cv::Scalar::all(0));
    for (int y = 0; y < mask.rows; ++y)
        for (int x = 0; x < mask.cols; ++x) mask.at<cv::Vec4b>(y, x)[3] = static_cast<uchar>(x);
    return mask;
}

bool measure(OpenCLSession& session, const Case& c, const cv::Mat& input, const cv::Mat& mask) {
    auto cpu = OpenCLSession::cpuRenderer(c.lut);
    auto gpu = session.openCLRenderer(c.lut, qlx::bench::bundledProgramPath());
    if (!gpu) return false;
    cpu->update(qlx::LutSettings::withAlpha(c.alpha));
    gpu->update(qlx::LutSettings::withAlpha(c.alpha));
    const qlx::SkinMask skin{c.skin ? mask : cv::Mat(), c.skin};

    cv::Mat want(input.size(), CV_8UC4);
    const int pitch = static_cast<int>(want.step);
    cpu->Render(want.data, want.cols, want.rows, pitch, input.data, input.cols, input.rows, pitch,
                &skin);
    auto in = session.upload(input), out = session.upload(input);
    if (!in || !out || gpu->Render(session.attach(*in), session.attach(*out), &skin) != 0)
        return false;
    cv::Mat got(input.size(), CV_8UC4);
    if (!out->read(got.data, static_cast<int>(got.step))) return false;

    std::array<long long, 4> counts{};
    for (std::size_t i = 0; i < got.total() * 4; ++i) {
        const int difference = std::abs(int{got.data[i]} - int{want.data[i]});
        ++counts[static_cast<std::size_t>(std::min(difference, 3))];
    }
    std::printf("| %s | %d | %d | %lld | %lld | %lld | %lld | %lld |\n", c.label.c_str(), c.alpha,
                c.skin, static_cast<long long>(got.total() * 4), counts[0], counts[1], counts[2],
                counts[3]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    OpenCLSession session;
    if (!session.ok()) {
        std::fprintf(stderr, "no OpenCL device\n");
        return 1;
    }
    const std::string grade33 =
        qlx::bench::writeTempFile("qlx_agreement_33.cube", qlx::bench::gradeCubeText(33));
    const std::string grade65 =
        qlx::bench::writeTempFile("qlx_agreement_65.cube", qlx::bench::gradeCubeText(65));
    std::vector<Case> cases = {{"grade N=33", grade33, 100, 0},
                               {"grade N=33", grade33, 50, 0},
                               {"grade N=33", grade33, 100, 60},
                               {"grade N=65", grade65, 100, 0},
                               {"grade N=65", grade65, 37, 100}};
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        cases.push_back({path.substr(path.find_last_of('/') + 1), path, 100, 0});
    }
    const cv::Mat input = everyColour(), mask = rampMask();
    std::printf("| LUT | alpha | skin | bytes | equal | off by 1 | off by 2 | off by more |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    int failures = 0;
    for (const Case& c : cases) {
        if (!measure(session, c, input, mask)) {
            std::fprintf(stderr, "%s: could not render\n", c.label.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
