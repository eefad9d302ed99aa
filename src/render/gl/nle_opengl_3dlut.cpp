#include "render/gl/nle_opengl_3dlut.h"

#include "catalogue/filter_info.h"
#include "common/log.h"
#include "lut/cube_lut.h"
#include "render/gl/gl_engine_loader.h"
#include "render/gl/lut_texels.h"

namespace tonekit {
namespace {

constexpr std::uint32_t kGLLinear = 0x2601;
constexpr int kFrameChannels = 4;
constexpr char kUrlPrefix[] = "file:/";

GLTextureDesc lutDescTemplate() {
    GLTextureDesc desc;
    desc.channels = 3;
    desc.filter = kGLLinear;
    desc.levelCount = 1;
    desc.floatTexels = 1;
    return desc;
}

GLTextureDesc maskDescTemplate() {
    GLTextureDesc desc;
    desc.width = 1;
    desc.height = 1;
    desc.unpackAlignment = 4;
    desc.depth = 1;
    desc.channels = 4;
    desc.filter = kGLLinear;
    desc.entryCount = 4;
    desc.levelCount = 1;
    return desc;
}

cv::Mat blankMask() {
    return cv::Mat(1, 1, CV_8UC4, cv::Scalar::all(0));
}

}  // namespace

NLEOpenGL3DLut::NLEOpenGL3DLut(std::shared_ptr<NLEFilterInfo> description)
    : description_(std::move(description)),
      skinMask(blankMask()),
      lutTextureDesc_(lutDescTemplate()),
      maskTextureDesc_(maskDescTemplate()) {}

NLEOpenGL3DLut::~NLEOpenGL3DLut() {
    passEffect_.reset();
    mainEffect_.reset();
    lut_.reset();
    description_.reset();
}

int NLEOpenGL3DLut::GetState() {
    return 0;
}

void NLEOpenGL3DLut::SetLutPath(const std::string& path) {
    if (path.empty()) {
        qlx::hostLog(2, "lut path is empty");
        lutError_ = true;
        return;
    }
    std::string cleaned = path;
    const std::size_t at = cleaned.find(kUrlPrefix);
    if (at != std::string::npos) cleaned.erase(at, sizeof kUrlPrefix - 1);
    currentPath_ = cleaned;
    loadLut();
}

void NLEOpenGL3DLut::loadLut() {
    if (currentPath_.empty()) return;
    if (loadedPath_ == currentPath_) {
        // The LUT in memory is this path's, loaded successfully (a failure
        // empties the loaded path): after an empty path it is usable again.
        lutError_ = false;
        return;
    }
    // The grid form: the texture then holds exactly what the CPU renderer
    // interpolates, in the order the LUT program reads it.
    if (!lut_) lut_ = std::make_shared<qlx::CubeLut>();
    if (lut_->loadCubeFile(currentPath_)) {
        lutTexels_ = lutTexels(*lut_);
        lutUploadFlag_ = true;
        loadedPath_ = currentPath_;
        lutSize_ = lut_->size();
        lutError_ = false;
        failedPath_.clear();
        return;
    }
    // Parameter updates repeat the path: one line per path that fails.
    if (failedPath_ != currentPath_) {
        qlx::hostLog(kQLXLogError, "tonekit::NLEOpenGL3DLut loadCubeFile Failed: %s",
                     currentPath_.c_str());
    }
    failedPath_ = currentPath_;
    loadedPath_.clear();
    lutError_ = true;
}

int NLEOpenGL3DLut::Prepare(int width, int height, int rowPitch) {
    if (!mainEffect_) return buildEffects(width, height, rowPitch);
    if (mainEffect_->currentWidth() == width && mainEffect_->currentHeight() == height &&
        mainEffect_->currentRowPitch() == rowPitch) {
        return 0;
    }
    int result = mainEffect_->resize(width, height, rowPitch, mainEffect_);
    if (passEffect_) result = passEffect_->resize(width, height, rowPitch, passEffect_);
    return result;
}

int NLEOpenGL3DLut::DeclareTextures() {
    if (!mainEffect_) return 0;
    mainEffect_->declareTexture3D(lutSize_, lutSize_, lutSize_, lutSize_ * 12, 3, 1, false);
    mainEffect_->declareTexture2D(1, 1, kFrameChannels, false);
    return 0;
}

void NLEOpenGL3DLut::setMainEffectDefaults() {
    mainEffect_->setFloat("global_time", 0.0f);
    mainEffect_->setFloat("total_time", 0.0f);
    mainEffect_->setFloat("fade", 1.0f);
    mainEffect_->setFloat("current_pos", 0.0f);
    mainEffect_->setFloat("total_len", 1.0f);
    mainEffect_->setFloat("frame_rate", 25.0f);
    mainEffect_->setVec4("orig_roi", 0.0f, 0.0f, 1.0f, 1.0f);
    mainEffect_->setVec4("result_roi", 0.0f, 0.0f, 1.0f, 1.0f);
    mainEffect_->setFloat("roi_angle", 0.0f);
    const std::uint32_t count = description_->paramCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::shared_ptr<NLEFilterParams> param =
            description_->getParam(static_cast<std::int32_t>(i));
        if (!param) continue;
        NLEFilterParamValue value;
        param->getValue(value);
        if (param->type() == kNLEParamFloat) {
            mainEffect_->setFloat(param->name(), value.asFloat());
        } else if (param->type() == kNLEParamInt) {
            mainEffect_->setIntAtBuild(param->name(), value.asInt());
        }
    }
}

int NLEOpenGL3DLut::buildEffects(int width, int height, int rowPitch) {
    mainEffect_.reset();
    GLEffectEngine* engine = nullptr;
    if (qlx::getGLEffectEngine(&engine, &qlx::engineLogCallback, 0) != 0) engine = nullptr;
    if (engine) {
        engine->createEffect(width, height, rowPitch, false, description_->openGLProgramPath(),
                             mainEffect_, static_cast<std::int32_t>(description_->encrypted()),
                             std::string(), description_->engineTextListsA(),
                             description_->engineTextListsB());
        passEffect_.reset();
        engine->createEffect(width, height, rowPitch, false, std::string(), passEffect_, 0,
                             std::string(), GLTextLists(), GLTextLists());
        if (passEffect_) passEffect_->setShaderFunction(passShaderFunction_);
    }
    if (!mainEffect_) return 1;
    // Texture indices: 0 input frame, 1 LUT, 2 skin mask.
    mainEffect_->declareTexture2D(width, height, rowPitch, true);
    DeclareTextures();
    setMainEffectDefaults();
    if (mainEffect_->build(mainEffect_) != 0) {
        qlx::hostLog(4, "Create 3DLUT OpenGL Effect Failed: %s", description_->name().c_str());
        return 1;
    }
    if (passEffect_) {
        passEffect_->declareTexture2D(width, height, rowPitch, true);
        if (passEffect_->build(passEffect_) != 0) return 1;
    }
    return 0;
}

int NLEOpenGL3DLut::bindFrame(GLEffect& effect, const GLFrameDesc& frame, int index) const {
    if (frame.inHostMemory) {
        if (!frame.pixels) return index;  // nothing to bind, no index used
        effect.setTextureFromMemory(index, frame.pixels, frame.width, frame.height, frame.rowPitch,
                                    kFrameChannels, false, 0);
    } else {
        effect.setTextureFromGPU(index, frame.texture, frame.width, frame.height, frame.rowPitch);
    }
    return index + 1;
}

bool NLEOpenGL3DLut::ReadFrame(const GLFrameDesc& frame, cv::Mat& bgra) {
    if (!passEffect_ || frame.width < 1 || frame.height < 1) return false;
    bgra.create(frame.height, frame.width, CV_8UC4);
    GLFrameDesc target = frame;
    target.texture = GLTextureRef();
    target.inHostMemory = true;
    target.pixels = bgra.data;
    target.rowPitch = static_cast<std::int32_t>(bgra.step[0]);
    bindFrame(*passEffect_, frame, 0);
    return passEffect_->render(target, passEffect_, 0) == 0;
}

void NLEOpenGL3DLut::describeMask(int index) {
    if (skinProtectStrength != 0) {
        // The description only announces the mask; its texels follow in full.
        maskTextureDesc_.upload = 1;
        maskTextureDesc_.data = nullptr;
        mainEffect_->setTextureDescs(index, {maskTextureDesc_});
        mainEffect_->setTextureFromMemory(index, skinMask.data, skinMask.cols, skinMask.rows,
                                          static_cast<int>(skinMask.step[0]), kFrameChannels, false,
                                          0);
        return;
    }
    maskTextureDesc_.upload = 0;
    if (skinMask.rows != 1 || skinMask.cols != 1 || !skinMask.data) {
        skinMask = blankMask();
        maskTextureDesc_.upload = 1;
    }
    maskTextureDesc_.data = skinMask.data;
    mainEffect_->setTextureDescs(index, {maskTextureDesc_});
}

int NLEOpenGL3DLut::Render(const GLFrameDesc& extra, const GLFrameDesc& input,
                           const GLFrameDesc& target, int /*width*/, int /*height*/,
                           int /*rowPitch*/) {
    if (!mainEffect_) return 1;
    if (!lut_ || lutError_) {
        if (!passEffect_) return 1;
        bindFrame(*passEffect_, input, 0);
        return passEffect_->render(target, passEffect_, 0) != 0 ? 1 : 0;
    }
    int index = bindFrame(*mainEffect_, extra, 0);
    index = bindFrame(*mainEffect_, input, index);
    mainEffect_->setInt("lutSize", lutSize_);
    mainEffect_->setInt("alpha", alpha);
    mainEffect_->setInt("skinProtectStrength", skinProtectStrength);

    const auto n = static_cast<std::uint32_t>(lutSize_);
    lutTextureDesc_.data = lutTexels_.data();
    lutTextureDesc_.width = n;
    lutTextureDesc_.height = n;
    lutTextureDesc_.depth = n;
    lutTextureDesc_.entryCount = lut_->entryCount;
    lutTextureDesc_.upload = lutUploadFlag_ ? 1 : 0;
    mainEffect_->setTextureDescs(index++, {lutTextureDesc_});
    describeMask(index);

    lutUploadFlag_ = false;
    return mainEffect_->render(target, mainEffect_, 0) != 0 ? 1 : 0;
}

}  // namespace tonekit
