// Mpix/s of a CPU frame render, three ways on the same frame and 33-point LUT:
//   Apply       - CubeLut::apply alone, in place (the ceiling);
//   Renderer    - the CPU renderer's Render with a ready skin mask;
//   PluginRender - the effect's Render through the built plugin and the host
//                  kit, as an editor calls it (skin protection then includes
//                  the segmentation plugin's own work).
// Arguments: width, height, alpha, skin protection.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <opencv2/core.hpp>

#include "bench_inputs.h"
#include "catalogue/filter_info.h"
#include "kit/host_kit.h"
#include "kit/plugin_library.h"
#include "lut/cube_lut.h"
#include "qlx/qlx_effect.h"
#include "render/cpu/cpu_lut_renderer.h"

namespace {

namespace fs = std::filesystem;

struct Workspace {
    fs::path folder = fs::temp_directory_path() / "qlx-cpu-render-bench";
    std::string lut;
    Workspace() {
        fs::create_directories(folder / "qlx_effect/plugin/LUT/grade");
        lut = (folder / "qlx_effect/plugin/LUT/grade/grade.cube").string();
        std::ofstream(lut) << qlx::bench::gradeCubeText(33);
        std::ofstream(folder / "qlx_effect/plugin/LUT/root.conf") << R"({"GUID": "ROOT"})";
        std::ofstream(folder / "qlx_effect/plugin/LUT/grade/grade.conf") << R"({"GUID": "GRADE"})";
        std::ofstream(folder / "qlx_effect/plugin/LUT/grade/filter.xml")
            << "<Filter><GUID>GRADE</GUID><Name>Grade</Name><LUT><LutFile>grade.cube</LutFile>"
               "</LUT></Filter>";
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

Workspace& workspace() {
    static Workspace w;
    return w;
}

void report(benchmark::State& state, int width, int height) {
    state.counters["Mpix/s"] =
        benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                           benchmark::Counter::kIsRate);
}

void Apply(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    qlx::CubeLut lut;
    lut.loadCubeFile(workspace().lut);
    std::vector<std::uint8_t> frame = qlx::bench::naturalFrame(width, height);
    for (auto _ : state)
        lut.apply(frame.data(), width * 4, frame.data(), width, height, width * 4, 4);
    report(state, width, height);
}

void Renderer(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    auto root = std::make_shared<NLEFilterInfo>();
    root->setLutPath(workspace().lut);
    NLEColorLut3dAdjustEffect renderer(std::make_shared<NLEFilterInfo>(), root->lutPath());
    renderer.update(qlx::LutSettings::withAlpha(static_cast<int>(state.range(2))));
    const qlx::SkinMask skin{cv::Mat(height, width, CV_8UC4), static_cast<int>(state.range(3))};
    cv::randu(skin.pixels, 0, 256);
    const std::vector<std::uint8_t> input = qlx::bench::naturalFrame(width, height);
    std::vector<std::uint8_t> output(input.size());
    for (auto _ : state)
        renderer.Render(output.data(), width, height, width * 4, input.data(), width, height,
                        width * 4, &skin);
    report(state, width, height);
}

void PluginRender(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    static qlxhost::PluginLibrary plugin;
    static qlxhost::Host host;
    static bool started = false;
    if (!started) {
        host.util.paths[kQLXPathResources] = workspace().folder.string();
        host.util.paths[kQLXPathPluginFolder] =
            fs::path(qlxhost::PluginLibrary::defaultPath()).parent_path().string();
        QLXPluginInfo info{};
        qlxhost::EffectDescriptor descriptor;
        const std::string look = (workspace().folder / "qlx_effect/plugin/LUT/grade").string();
        started = plugin.load(qlxhost::PluginLibrary::defaultPath()) &&
                  plugin.startup(host.context(), &info) == 0 &&
                  plugin.registerFromConfPath(look.c_str(), descriptor.qlx()) == 0;
    }
    QLXEffect* effect = nullptr;
    if (!started || plugin.createEffect("GRADE", 0, &effect) != 0) {
        state.SkipWithError("the plugin did not start");
        return;
    }
    qlxhost::EffectContext context;
    context.set("alpha", qlxhost::ParamAnswer::integer(static_cast<int>(state.range(2))));
    context.set("skinProtect", qlxhost::ParamAnswer::integer(static_cast<int>(state.range(3))));
    effect->PrepareResource(context.qlx());
    effect->UpdateParameters(context.qlx());
    std::vector<std::uint8_t> input = qlx::bench::naturalFrame(width, height);
    qlxhost::Frame output(width, height);
    auto in = qlxhost::Frame::wrap(input.data(), width, height, width * 4);
    qlxhost::RenderContext frames(in.get(), &output);
    for (auto _ : state) effect->Render(frames.qlx());
    effect->ReleaseResource();
    plugin.releaseEffect(effect);
    report(state, width, height);
}

void Sizes(benchmark::internal::Benchmark* b, bool withSettings) {
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        if (!withSettings) {
            b->Args({w, h});
            continue;
        }
        b->Args({w, h, 100, 0})->Args({w, h, 50, 0})->Args({w, h, 50, 50});
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(Apply)->Apply([](auto* b) { Sizes(b, false); });
BENCHMARK(Renderer)->Apply([](auto* b) { Sizes(b, true); });
BENCHMARK(PluginRender)->Apply([](auto* b) { Sizes(b, true); });

}  // namespace

BENCHMARK_MAIN();
