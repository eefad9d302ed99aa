// A started plugin with one look registered, and helpers to render frames
// through its effects on host memory exactly as a host does.
#pragma once

#include <opencv2/core.hpp>
#include <random>
#include <sstream>

#include "lut/cube_lut.h"
#include "qlx/qlx_effect.h"
#include "support/plugin_fixture.h"

namespace qlxtest {

constexpr char kLookGuid[] = "5C0FFEE0-0000-4000-8000-00000000A001";
constexpr char kCustomGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

// A .CUBE LUT of size n that bends and crosses the channels and, with
// `overshoot`, leaves the 0..1 range.
inline std::string crossTalkCube(int n = 9, double overshoot = 0.0) {
    std::ostringstream text;
    text.precision(9);
    text << "TITLE \"cross talk\"\nLUT_3D_SIZE " << n << "\n";
    const double step = 1.0 / (n - 1);
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                text << (r * step) * (r * step) * 0.9 + b * step * 0.1 - overshoot << ' '
                     << g * step * 0.8 + r * step * 0.15 + overshoot << ' ' << 1.0 - b * step * 0.7
                     << '\n';
    return text.str();
}

// BGRA pixels with natural-looking variety: gradients, noise and skin tones.
inline cv::Mat testPicture(int width, int height, unsigned seed) {
    cv::Mat picture(height, width, CV_8UC4);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            cv::Vec4b& p = picture.at<cv::Vec4b>(y, x);
            const bool skin = (x / 8 + y / 8) % 3 == 0;
            p[0] =
                static_cast<uchar>(skin ? 90 + random() % 30 : (x * 255) / std::max(1, width - 1));
            p[1] = static_cast<uchar>(skin ? 120 + random() % 30
                                           : (y * 255) / std::max(1, height - 1));
            p[2] = static_cast<uchar>(skin ? 190 + random() % 40 : random() % 256);
            p[3] = static_cast<uchar>(random() % 4 == 0 ? random() % 256 : 255);
        }
    return picture;
}

class EffectTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        writeLut("root.conf", R"({"GUID": "ROOT-GUID", "NAME": "LUT"})");
        lookFolder = resources.mkdir("qlx_effect/plugin/LUT/looks/cross");
        lutFile = writeLut("looks/cross/cross.cube", crossTalkCube());
        writeLut("looks/cross/cross.conf", std::string(R"({"GUID": ")") + kLookGuid + R"("})");
        writeLut("looks/cross/filter.xml", std::string("<Filter><GUID>") + kLookGuid +
                                               "</GUID><Name>Cross</Name><LUT><LutFile>cross.cube"
                                               "</LutFile></LUT></Filter>");
        writeLut("custom/custom.conf", std::string(R"({"GUID": ")") + kCustomGuid + R"("})");
    }
    void TearDown() override {
        for (QLXEffect* created : effects) {
            created->ReleaseResource();
            plugin.releaseEffect(created);
        }
        effects.clear();
        PluginTest::TearDown();
    }

    // Starts the plugin and registers the look folder.
    void startPlugin() {
        ASSERT_EQ(start(), kQLXSuccess);
        qlxhost::EffectDescriptor descriptor;
        ASSERT_EQ(plugin.registerFromConfPath(lookFolder.c_str(), descriptor.qlx()), kQLXSuccess);
    }

    // A created effect, kept for update() and released at tear-down, then
    // prepared; null when creation fails, or when preparation fails and no
    // `prepared` asks for its result.
    QLXEffect* makeEffect(const char* guid, std::uint32_t mode, int* prepared = nullptr) {
        QLXEffect* created = nullptr;
        if (plugin.createEffect(guid, mode, &created) != kQLXSuccess || !created) return nullptr;
        effects.push_back(created);
        const int result = created->PrepareResource(context.qlx());
        if (prepared) *prepared = result;
        return result == kQLXSuccess || prepared ? created : nullptr;
    }

    // Starts the plugin and makes the test's `effect` of that render mode.
    void createEffect(const char* guid, std::uint32_t mode = 0) {
        ASSERT_NO_FATAL_FAILURE(startPlugin());
        effect = makeEffect(guid, mode);
        ASSERT_NE(effect, nullptr);
    }

    // Pushes the strengths to every effect of the test.
    void update(int alpha, int skin) {
        context.set("alpha", qlxhost::ParamAnswer::integer(alpha));
        context.set("skinProtect", qlxhost::ParamAnswer::integer(skin));
        for (QLXEffect* each : effects)
            ASSERT_EQ(each->UpdateParameters(context.qlx()), kQLXSuccess);
    }

    int errorLines() const {
        int count = 0;
        for (const qlxhost::LogLine& line : host.util.log.lines())
            count += line.level == kQLXLogError;
        return count;
    }

    // Renders `input` through `target` into host memory that holds `start`
    // (0x5A bytes of the input's size when empty), `extraPitch` bytes after
    // each output row; answers the output.
    static cv::Mat renderInMemory(QLXEffect* target, const cv::Mat& input, int extraPitch = 0,
                                  int expected = kQLXSuccess, const cv::Mat& start = cv::Mat()) {
        const cv::Mat first =
            start.empty() ? cv::Mat(input.size(), CV_8UC4, cv::Scalar::all(0x5A)) : start;
        const int pitch = first.cols * 4 + extraPitch;
        std::vector<std::uint8_t> storage(static_cast<std::size_t>(pitch) * first.rows);
        cv::Mat output(first.rows, first.cols, CV_8UC4, storage.data(), pitch);
        first.copyTo(output);
        std::uint8_t none[4] = {};  // the pixels of an input without columns
        auto in = qlxhost::Frame::wrap(input.cols ? input.data : none, input.cols, input.rows,
                                       input.cols ? static_cast<int>(input.step) : 0);
        auto out = qlxhost::Frame::wrap(storage.data(), output.cols, output.rows, pitch);
        qlxhost::RenderContext frames(in.get(), out.get());
        EXPECT_EQ(target->Render(frames.qlx()), expected);
        return output.clone();
    }
    cv::Mat render(const cv::Mat& input, int extraPitch = 0, int expected = kQLXSuccess) {
        return renderInMemory(effect, input, extraPitch, expected);
    }

    // The LUT engine's own result for `input` (full strength).
    static cv::Mat applied(const cv::Mat& input, const std::string& file) {
        qlx::CubeLut lut;
        EXPECT_TRUE(lut.loadCubeFile(file));
        cv::Mat out = input.clone();
        lut.apply(out.data, static_cast<int>(out.step), out.data, out.cols, out.rows,
                  static_cast<int>(out.step), 4);
        return out;
    }

    QLXEffect* effect = nullptr;      // the one effect of createEffect()
    std::vector<QLXEffect*> effects;  // every effect made, released at tear-down
    qlxhost::EffectContext context;
    std::string lookFolder, lutFile;
};

// The frame a CPU render must give for the LUT result `lut` of `input`: the
// blends' byte formulas mix(p, q, k) = (p k + q (255 - k)) / 255 and
// mul(s, m) = (s m + 127) / 255.
inline cv::Mat blended(const cv::Mat& input, const cv::Mat& lut, int alpha, int skin,
                       const cv::Mat& mask) {
    const auto mix = [](int p, int q, int k) { return (p * k + q * (255 - k)) / 255; };
    cv::Mat out = lut.clone();
    const int a = alpha * 255 / 100;
    const int s = static_cast<int>(skin * 255.0 / 100.0 + 0.5);
    if (a == 0) return input.clone();
    for (int y = 0; y < input.rows; ++y)
        for (int x = 0; x < input.cols; ++x)
            for (int c = 0; c < 4; ++c) {
                const int o = input.at<cv::Vec4b>(y, x)[c];
                int d = out.at<cv::Vec4b>(y, x)[c];
                if (a < 255) d = mix(o, d, 255 - a);
                if (skin && !mask.empty())
                    d = mix(o, d, (s * mask.at<cv::Vec4b>(y, x)[3] + 127) / 255);
                out.at<cv::Vec4b>(y, x)[c] = static_cast<uchar>(d);
            }
    return out;
}

inline bool sameBytes(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

}  // namespace qlxtest
