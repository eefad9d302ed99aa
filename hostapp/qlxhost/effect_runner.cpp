#include "effect_runner.h"

#include "cli_error.h"

namespace qlxhost::cli {
namespace {

constexpr char kLutLoadFailure[] = "loadCubeFile Failed: ";

// The newest error-level line the plugin logged after `from`, or empty.
std::string lastPluginError(const LogSink& log, std::size_t from) {
    const std::vector<LogLine> lines = log.lines();
    for (std::size_t i = lines.size(); i > from; --i) {
        if (lines[i - 1].level >= kQLXLogError) return lines[i - 1].text;
    }
    return {};
}

}  // namespace

const char* rendererName(Renderer renderer) {
    switch (renderer) {
        case Renderer::Cpu:
            return "cpu";
        case Renderer::OpenCL:
            return "opencl";
        case Renderer::OpenGL:
            return "opengl";
    }
    return "?";
}

EffectRunner::EffectRunner(HostSession& session, const FilterEntry& filter,
                           const RenderSettings& settings, OpenCLDevice* openCL)
    : session_(session), filterName_(filter.name), settings_(settings), openCL_(openCL) {
    const std::size_t logStart = session_.log().lines().size();
    int result = 0;
    effect_ =
        session_.createEffect(filter.guid, static_cast<std::uint32_t>(settings.renderer), &result);
    if (!effect_) {
        const std::string why = lastPluginError(session_.log(), logStart);
        fail(std::string("the plugin cannot create the ") + rendererName(settings.renderer) +
             " effect (result " + std::to_string(result) + (why.empty() ? "" : ": " + why) + ")");
    }
    EffectContext& params = effect_->parameters();
    params.set("alpha", ParamAnswer::integer(settings.alpha));
    params.set("skinProtect", ParamAnswer::integer(settings.skinProtect));
    if (!settings.lutFile.empty()) params.set("lut3dPath", ParamAnswer::string(settings.lutFile));
    if (const int prepared = effect_->prepare(); prepared != kQLXSuccess) {
        const std::string why = lastPluginError(session_.log(), logStart);
        fail(std::string("the ") + rendererName(settings.renderer) +
             " renderer is not available (result " + std::to_string(prepared) +
             (why.empty() ? "" : ": " + why) + ")");
    }
    effect_->updateParameters();
}

void EffectRunner::render(const cv::Mat& input, cv::Mat& output) {
    CV_Assert(input.type() == CV_8UC4);
    output.create(input.size(), CV_8UC4);
    auto in = Frame::wrap(const_cast<std::uint8_t*>(input.data), input.cols, input.rows,
                          static_cast<int>(input.step));
    auto out = Frame::wrap(output.data, output.cols, output.rows, static_cast<int>(output.step));
    // Only this frame's lines matter; older ones would pile up over a long video.
    session_.log().clear();
    const std::size_t logStart = 0;
    const int result = settings_.renderer == Renderer::OpenCL ? renderInOpenCL(input, output)
                                                              : effect_->render(*in, *out);
    const std::vector<LogLine> lines = session_.log().lines();
    if (session_.log().count("skin_segment failed") > 0) ++framesWithoutSkinProtection_;
    for (std::size_t i = logStart; i < lines.size(); ++i) {
        const std::size_t at = lines[i].text.find(kLutLoadFailure);
        if (at == std::string::npos) continue;
        const std::string path = lines[i].text.substr(at + sizeof kLutLoadFailure - 1);
        fail("the LUT file " + path + " does not load; 'qlxhost check " + path + "' explains why");
    }
    if (result != kQLXSuccess) {
        const std::string why = lastPluginError(session_.log(), logStart);
        fail("the plugin failed to render a frame (result " + std::to_string(result) +
             (why.empty() ? "" : ": " + why) + ")");
    }
}

// OpenCL frames live in images on the lent device: the picture goes up before
// the render and comes back after it.
int EffectRunner::renderInOpenCL(const cv::Mat& input, cv::Mat& output) {
    if (!openCL_) fail("the opencl renderer has no OpenCL device");
    if (!clInput_ || clInput_->width() != input.cols || clInput_->height() != input.rows) {
        GPUDeviceSuite& suite = session_.host().gpu;
        clOutput_.reset();
        clInput_ = std::make_unique<OpenCLFrame>(*openCL_, suite, input.cols, input.rows);
        clOutput_ = std::make_unique<OpenCLFrame>(*openCL_, suite, input.cols, input.rows);
        if (!clInput_->isValid() || !clOutput_->isValid()) {
            fail("cannot make OpenCL images: " +
                 (clInput_->isValid() ? clOutput_->error() : clInput_->error()));
        }
    }
    if (!clInput_->write(input.data, static_cast<int>(input.step))) {
        fail("cannot copy the frame to the OpenCL device");
    }
    const int result = effect_->render(clInput_->frame(), clOutput_->frame());
    if (result == kQLXSuccess && !clOutput_->read(output.data, static_cast<int>(output.step))) {
        fail("cannot copy the frame back from the OpenCL device");
    }
    return result;
}

void EffectRunner::fail(const std::string& what) const {
    throw CliError("filter '" + filterName_ + "': " + what);
}

}  // namespace qlxhost::cli
