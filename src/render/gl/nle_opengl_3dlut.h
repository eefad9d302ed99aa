// Renders frames through a 3D LUT with OpenGL by driving two effects of the
// OpenGL effect engine: the main effect (the LUT program with the LUT as a 3D
// texture, a skin mask and integer settings) and a pass effect that returns its
// input unchanged, used while no LUT is usable.
#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "gl_engine_api.h"

class NLEFilterInfo;
namespace qlx {
class CubeLut;
}

namespace tonekit {

class NLEOpenGL3DLut {
  public:
    // Shader function of the pass effect: the input, unchanged.
    static constexpr char kPassShaderFunction[] =
        "\n        vec4 FUNCNAME(vec2 tc)\n        {\n            vec4 rawColor = INPUT(tc);\n"
        "            return rawColor;\n        }\n        ";

    // `description`: the program path, the `encrypted` value and the integer
    // parameters handed to the main effect at build.
    explicit NLEOpenGL3DLut(std::shared_ptr<NLEFilterInfo> description);
    virtual ~NLEOpenGL3DLut();
    NLEOpenGL3DLut(const NLEOpenGL3DLut&) = delete;
    NLEOpenGL3DLut& operator=(const NLEOpenGL3DLut&) = delete;

    // Makes the engine effects on the first call, resizes them when the output
    // size changes. 0 ready, non-zero failure.
    virtual int Prepare(int width, int height, int rowPitch);
    // Renders `input` into `target`; `extra` is bound first when it carries a
    // frame. 0 done, 1 failure. The three sizes are not used.
    virtual int Render(const GLFrameDesc& extra, const GLFrameDesc& input,
                       const GLFrameDesc& target, int width, int height, int rowPitch);
    virtual int GetState();
    // Declares the LUT and mask textures of the main effect.
    virtual int DeclareTextures();

    // Copies `frame` (for one that lives only in the host's GL texture) into
    // `bgra`, 8-bit BGRA of the frame's size, through the pass effect. After
    // `Prepare`, on the render thread; false when it cannot.
    bool ReadFrame(const GLFrameDesc& frame, cv::Mat& bgra);

    // Takes the LUT file to use (a leading "file:/" anywhere is dropped) and
    // loads it at once when it differs from the loaded one.
    void SetLutPath(const std::string& path);

    // True after an empty path or a LUT file that did not load.
    bool lutError() const { return lutError_; }

  private:
    void loadLut();
    int buildEffects(int width, int height, int rowPitch);
    void setMainEffectDefaults();
    int bindFrame(GLEffect& effect, const GLFrameDesc& frame, int index) const;
    void describeMask(int index);

    std::shared_ptr<NLEFilterInfo> description_;
    std::shared_ptr<qlx::CubeLut> lut_;
    std::vector<float> lutTexels_;  // the LUT texture's data, made once per load
    std::string loadedPath_;
    std::string currentPath_;
    std::string failedPath_;  // the last path that failed to load, already logged
    std::int32_t lutSize_ = 32;
    bool lutUploadFlag_ = false;
    std::shared_ptr<GLEffect> mainEffect_;
    std::shared_ptr<GLEffect> passEffect_;

  public:
    // Written directly by the effect object before each frame.
    cv::Mat skinMask;                      // 8-bit BGRA; byte 3 of a pixel is its skin weight
    std::int32_t alpha = 100;              // 0..100
    std::int32_t skinProtectStrength = 0;  // 0..100

  private:
    GLTextureDesc lutTextureDesc_;
    GLTextureDesc maskTextureDesc_;
    bool lutError_ = false;
    std::string passShaderFunction_ = kPassShaderFunction;
};

static_assert(sizeof(NLEOpenGL3DLut::kPassShaderFunction) - 1 == 128,
              "the pass shader function is 128 characters");

}  // namespace tonekit
