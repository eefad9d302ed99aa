// The OpenGL LUT effect behind the renderer interface: describes the host's
// frames (GL textures or host memory) to the effect, keeps OpenGL work on the
// thread that prepared it and holds the effect's one preparation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gl_engine_api.h"
#include "render/common/lut_renderer.h"

class NLEFilterInfo;

namespace tonekit {

class NLEOpenGL3DLut;

class GLLutRenderer : public qlx::LutRenderer {
  public:
    // `root` names the program file; `lutPath` is the filter's own LUT file,
    // used whenever an update brings none.
    GLLutRenderer(const std::shared_ptr<NLEFilterInfo>& root, std::string lutPath,
                  QLXGPUDeviceSuite* gpuDevices);
    ~GLLutRenderer() override;

    int prepare(QLXEffectContext* context) override;
    // Drops the effect: every later frame fails.
    void release() override;
    void update(const qlx::LutSettings& settings) override;
    // Refuses a thread other than the preparing one (with an OpenGL device)
    // and readies the effect for the output's size.
    int begin(const qlx::HostFrame& in, const qlx::HostFrame& out) override;
    // A frame that lives only in the host's GL texture is read back first.
    qlx::SkinSource skinSource(const qlx::HostFrame& in) override;
    int render(const qlx::HostFrame& in, const qlx::HostFrame& out,
               const qlx::SkinMask* skin) override;

  private:
    // Makes `original_` the output's bytes with the input copied over them,
    // and describes it as the input; false when a frame cannot be read.
    bool makeOriginal(const qlx::HostFrame& out);
    static cv::Mat maskOfSize(const cv::Mat& mask, const qlx::HostFrame& out);

    std::shared_ptr<NLEOpenGL3DLut> effect_;
    QLXGPUDeviceSuite* gpuDevices_;
    std::string defaultLutPath_;
    std::uint32_t threadId_ = 0;
    bool prepared_ = false;
    GLFrameDesc in_;  // the frame begun, described
    GLFrameDesc out_;
    cv::Mat original_;  // an input of the output's size, for frames of two sizes
};

}  // namespace tonekit
