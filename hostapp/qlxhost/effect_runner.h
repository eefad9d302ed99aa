// One effect created, prepared and fed its parameters, rendering 8-bit BGRA
// pictures through the plugin. Every refusal of the plugin becomes a CliError
// naming the plugin's own log line.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "filter_catalogue.h"
#include "kit/host_session.h"
#include "kit/opencl_device.h"

namespace qlxhost::cli {

enum class Renderer { Cpu = 0, OpenCL = 1, OpenGL = 2 };

const char* rendererName(Renderer renderer);

struct RenderSettings {
    int alpha = 100;      // percent
    int skinProtect = 0;  // percent
    Renderer renderer = Renderer::Cpu;
    std::string lutFile;  // for the custom-LUT filter: its "lut3dPath"
};

class EffectRunner {
  public:
    // CliError when the plugin refuses to create or prepare the effect.
    // `openCL`: the device lent to the plugin, for the OpenCL renderer's frames.
    EffectRunner(HostSession& session, const FilterEntry& filter, const RenderSettings& settings,
                 OpenCLDevice* openCL = nullptr);

    // Renders `input` (CV_8UC4) into `output` (allocated as needed). CliError
    // when the plugin fails the frame or cannot load the filter's LUT file
    // (it would pass the frame through unchanged).
    void render(const cv::Mat& input, cv::Mat& output);

    // Frames on which skin segmentation failed, rendered without protection.
    long framesWithoutSkinProtection() const { return framesWithoutSkinProtection_; }

  private:
    [[noreturn]] void fail(const std::string& what) const;
    int renderInOpenCL(const cv::Mat& input, cv::Mat& output);

    HostSession& session_;
    std::string filterName_;
    RenderSettings settings_;
    std::unique_ptr<HostedEffect> effect_;
    OpenCLDevice* openCL_;
    std::unique_ptr<OpenCLFrame> clInput_, clOutput_;
    long framesWithoutSkinProtection_ = 0;
};

}  // namespace qlxhost::cli
