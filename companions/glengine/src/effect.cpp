#include "effect.h"

#include <cstring>
#include <optional>

#include "engine.h"
#include "program_file.h"
#include "state_guard.h"
#include "statistics.h"

namespace krgl {
namespace {

// The context of one operation, and on a host's context the state it changes.
class WorkScope {
  public:
    WorkScope(Engine& engine, ContextOwner owner, std::size_t textureUnits)
        : context_(owner, engine.ownContext()) {
        if (!context_.active()) return;
        // Errors the host left behind must not be taken for ours.
        for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
        }
        if (owner == ContextOwner::Host) guard_.emplace(static_cast<int>(textureUnits));
    }
    bool active() const { return context_.active(); }

  private:
    ContextScope context_;
    std::optional<StateGuard> guard_;
};

constexpr int kFrameChannels = 4;

GLuint compileShader(GLenum stage, const std::string& text, std::string* log) {
    GLuint shader = glCreateShader(stage);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string message(length > 0 ? length : 1, '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(message.size()), nullptr, &message[0]);
    *log = message.c_str();
    glDeleteShader(shader);
    return 0;
}

std::string linkLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string message(length > 0 ? length : 1, '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(message.size()), nullptr, &message[0]);
    return message.c_str();
}

GLuint hostTextureName(const GLTextureRef& texture) {
    return texture.textureId > 0 ? static_cast<GLuint>(texture.textureId)
                                 : static_cast<GLuint>(texture.textureHandle);
}

}  // namespace

Effect::Effect(Engine& engine, ContextOwner owner, int width, int height, int rowPitch,
               std::string programPath)
    : engine_(engine),
      owner_(owner),
      width_(width),
      height_(height),
      rowPitch_(rowPitch),
      programPath_(std::move(programPath)) {}

Effect::~Effect() {
    const bool reachable = owner_ == ContextOwner::Engine || anyContextCurrent();
    if (!reachable) return;  // the host's context is gone or elsewhere; it owns the objects now
    WorkScope work(engine_, owner_, textures_.size());
    if (!work.active()) return;
    releaseProgram();
    for (Texture& texture : textures_) texture.release();
    if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
    if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
    if (nearestSampler_) glDeleteSamplers(1, &nearestSampler_);
    if (hostTarget_) glDeleteTextures(1, &hostTarget_);
}

void Effect::declareTexture3D(int width, int height, int depth, int /*rowBytes*/, int channels,
                              std::int32_t floatTexels, bool frameTexture) {
    textures_.emplace_back(true, TextureShape{width, height, depth}, channels, floatTexels != 0,
                           frameTexture);
}

void Effect::declareTexture2D(int width, int height, int rowBytes, bool frameTexture) {
    // A frame texture holds 8-bit BGRA frames; any other takes its channel
    // count from the row length.
    int channels = kFrameChannels;
    if (!frameTexture && width > 0 && rowBytes > 0 && rowBytes % width == 0) {
        channels = rowBytes / width;
    }
    textures_.emplace_back(false, TextureShape{width, height, 1}, channels, false, frameTexture);
}

Effect::Uniform& Effect::uniform(const std::string& name, UniformType type) {
    Uniform& entry = uniforms_[name];
    // A declared uniform keeps its type; values of another type are converted.
    if (!entry.declared) entry.type = type;
    if (program_ == 0) entry.declared = true;
    return entry;
}

void Effect::setFloat(const std::string& name, float value) {
    if (!isUniformName(name)) {
        engine_.log()(kLogWarning, "KROpenGLEffectMgr: \"%s\" is no uniform name", name.c_str());
        return;
    }
    Uniform& entry = uniform(name, UniformType::Float);
    entry.values[0] = value;
    entry.integer = static_cast<std::int32_t>(value);
}

void Effect::setIntAtBuild(const std::string& name, std::int32_t value) {
    if (!isUniformName(name)) {
        engine_.log()(kLogWarning, "KROpenGLEffectMgr: \"%s\" is no uniform name", name.c_str());
        return;
    }
    Uniform& entry = uniform(name, UniformType::Int);
    entry.declared = true;  // takes effect at the next build
    entry.integer = value;
    entry.values[0] = static_cast<float>(value);
}

void Effect::setInt(const std::string& name, std::int32_t value) {
    if (!isUniformName(name)) return;
    Uniform& entry = uniform(name, UniformType::Int);
    entry.integer = value;
    entry.values[0] = static_cast<float>(value);
}

void Effect::setVec4(const std::string& name, float x, float y, float z, float w) {
    if (!isUniformName(name)) {
        engine_.log()(kLogWarning, "KROpenGLEffectMgr: \"%s\" is no uniform name", name.c_str());
        return;
    }
    Uniform& entry = uniform(name, UniformType::Vec4);
    entry.values[0] = x, entry.values[1] = y, entry.values[2] = z, entry.values[3] = w;
}

void Effect::setShaderFunction(const std::string& text) {
    shaderFunction_ = text;
    hasShaderFunction_ = true;
}

Texture* Effect::textureAt(int index, const char* operation) {
    if (index < 0 || static_cast<std::size_t>(index) >= textures_.size()) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: %s: no texture %d was declared", operation,
                      index);
        return nullptr;
    }
    return &textures_[index];
}

bool Effect::loadFunction(std::string* function) const {
    if (hasShaderFunction_) {
        *function = shaderFunction_;
        return true;
    }
    const ProgramReadResult result = readProgramFile(programPath_, function);
    if (result == ProgramReadResult::Read) return true;
    engine_.log()(kLogError, "KROpenGLEffectMgr: program file \"%s\" %s", programPath_.c_str(),
                  describe(result));
    return false;
}

void Effect::releaseProgram() {
    if (program_) glDeleteProgram(program_);
    program_ = 0;
    for (auto& entry : uniforms_) entry.second.location = -1;
}

bool Effect::compile(const std::string& function) {
    const ContextInfo context = currentContextInfo();
    filterableFloats_ = !context.es;
    std::vector<bool> volumes;
    for (const Texture& texture : textures_) volumes.push_back(texture.volume());
    std::vector<UniformDecl> declarations;
    for (const auto& entry : uniforms_) {
        if (entry.second.declared) declarations.push_back({entry.first, entry.second.type});
    }
    const char* origin = hasShaderFunction_ ? "shader function" : programPath_.c_str();
    std::string log;
    GLuint vertex = compileShader(GL_VERTEX_SHADER, vertexShaderText(context), &log);
    GLuint fragment =
        vertex ? compileShader(GL_FRAGMENT_SHADER,
                               fragmentShaderText(context, function, volumes, declarations), &log)
               : 0;
    if (!fragment) {
        if (vertex) glDeleteShader(vertex);
        engine_.log()(kLogError, "KROpenGLEffectMgr: %s does not compile: %s", origin, log.c_str());
        return false;
    }
    releaseProgram();
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: %s does not link: %s", origin,
                      linkLog(program).c_str());
        glDeleteProgram(program);
        return false;
    }
    program_ = program;
    glUseProgram(program_);
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        glUniform1i(glGetUniformLocation(program_, samplerName(i).c_str()), static_cast<GLint>(i));
    }
    for (auto& entry : uniforms_) {
        entry.second.location = glGetUniformLocation(program_, entry.first.c_str());
    }
    outputSizeLocation_ = glGetUniformLocation(program_, kOutputSizeUniform);
    swapRedBlueLocation_ = glGetUniformLocation(program_, kSwapRedBlueUniform);
    return true;
}

int Effect::build(std::shared_ptr<GLEffect> /*self*/) {
    std::string function;
    if (!loadFunction(&function)) return 1;
    WorkScope work(engine_, owner_, textures_.size());
    if (!work.active()) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: build: no OpenGL context is current");
        return 1;
    }
    if (!compile(function)) return 1;
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        if (!textures_[i].allocated() && !textures_[i].allocate(filterableFloats_)) {
            engine_.log()(kLogError, "KROpenGLEffectMgr: texture %zu cannot be made", i);
            releaseProgram();
            return 1;
        }
    }
    if (!vertexArray_) glGenVertexArrays(1, &vertexArray_);
    if (!framebuffer_) glGenFramebuffers(1, &framebuffer_);
    if (!nearestSampler_) {
        glGenSamplers(1, &nearestSampler_);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    statistics().builds++;
    return 0;
}

void Effect::setTextureFromMemory(int index, const void* pixels, int width, int height,
                                  int rowPitch, int channels, bool /*reserved*/,
                                  std::int32_t /*reserved2*/) {
    Texture* texture = textureAt(index, "setTextureFromMemory");
    if (!texture) return;
    if (texture->volume() || !pixels || !texture->setLayout(channels, false)) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: texture %d cannot take these pixels", index);
        texture->markUnusable();
        return;
    }
    WorkScope work(engine_, owner_, textures_.size());
    if (!work.active()) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: upload: no OpenGL context is current");
        return;
    }
    if (!texture->upload(pixels, TextureShape{width, height, 1}, rowPitch, filterableFloats_)) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: texture %d: upload of %dx%d failed", index,
                      width, height);
        texture->markUnusable();
        return;
    }
    statistics().imageUploads++;
}

void Effect::setTextureDescs(int index, const std::vector<GLTextureDesc>& descs) {
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const GLTextureDesc& desc = descs[i];
        const int at = index + static_cast<int>(i);
        Texture* texture = textureAt(at, "setTextureDescs");
        if (!texture) return;
        const bool floatTexels = desc.floatTexels != 0;
        if (!texture->setLayout(static_cast<int>(desc.channels), floatTexels)) {
            engine_.log()(kLogError, "KROpenGLEffectMgr: texture %d: %u channels not supported", at,
                          desc.channels);
            continue;
        }
        texture->setFilter(desc.filter == GL_LINEAR ? GL_LINEAR : GL_NEAREST);
        // A description without texels leaves the texture as it is: its texels
        // come from an upload of their own.
        if (!desc.upload || !desc.data) continue;
        const TextureShape shape{static_cast<int>(desc.width), static_cast<int>(desc.height),
                                 desc.depth > 0 ? static_cast<int>(desc.depth) : 1};
        TexelFormat format;
        texelFormatFor(static_cast<int>(desc.channels), floatTexels, &format);
        const std::uint64_t texels =
            static_cast<std::uint64_t>(shape.width) * shape.height * shape.depth;
        const std::uint64_t needed = floatTexels ? texels : texels * desc.channels;
        if (desc.entryCount != 0 && desc.entryCount < needed) {
            engine_.log()(kLogError,
                          "KROpenGLEffectMgr: texture %d: %u entries for a %dx%dx%d texture", at,
                          desc.entryCount, shape.width, shape.height, shape.depth);
            continue;
        }
        WorkScope work(engine_, owner_, textures_.size());
        if (!work.active() || !texture->upload(desc.data, shape, shape.width * format.bytesPerTexel,
                                               filterableFloats_)) {
            engine_.log()(kLogError, "KROpenGLEffectMgr: texture %d: upload failed", at);
            continue;
        }
        (texture->volume() ? statistics().volumeUploads : statistics().imageUploads)++;
    }
}

void Effect::setTextureFromGPU(int index, GLTextureRef texture, int /*width*/, int /*height*/,
                               int /*rowPitch*/) {
    Texture* slot = textureAt(index, "setTextureFromGPU");
    if (!slot) return;
    if (owner_ == ContextOwner::Engine) {
        engine_.log()(kLogError,
                      "KROpenGLEffectMgr: a host texture cannot reach an effect made without a "
                      "current context");
        slot->markUnusable();
        return;
    }
    const GLuint name = hostTextureName(texture);
    if (name == 0 || slot->volume()) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: texture %d: no usable host texture", index);
        slot->markUnusable();
        return;
    }
    slot->useHostTexture(name);
}

int Effect::resize(int width, int height, int rowPitch, std::shared_ptr<GLEffect> /*self*/) {
    if (width < 1 || height < 1) return 1;
    width_ = width, height_ = height, rowPitch_ = rowPitch;
    return 0;
}

bool Effect::prepareTarget(const GLFrameDesc& target, RenderTarget* out) {
    out->width = target.width, out->height = target.height;
    out->hostMemory = target.inHostMemory;
    if (target.width < 1 || target.height < 1) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: render target of %dx%d", target.width,
                      target.height);
        return false;
    }
    if (!target.inHostMemory) {
        out->texture = hostTextureName(target.texture);
        if (out->texture == 0 || owner_ == ContextOwner::Engine) {
            engine_.log()(kLogError, "KROpenGLEffectMgr: render target texture not usable");
            return false;
        }
        return true;
    }
    if (!target.pixels || target.rowPitch < target.width * kFrameChannels) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: render target without room for its pixels");
        return false;
    }
    if (!hostTarget_ || hostTargetWidth_ != target.width || hostTargetHeight_ != target.height) {
        if (!hostTarget_) glGenTextures(1, &hostTarget_);
        glBindTexture(GL_TEXTURE_2D, hostTarget_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, target.width, target.height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        hostTargetWidth_ = target.width, hostTargetHeight_ = target.height;
    }
    out->texture = hostTarget_;
    return true;
}

void Effect::applyUniforms(const RenderTarget& target) {
    for (const auto& entry : uniforms_) {
        const Uniform& u = entry.second;
        if (u.location < 0) continue;
        switch (u.type) {
            case UniformType::Float:
                glUniform1f(u.location, u.values[0]);
                break;
            case UniformType::Int:
                glUniform1i(u.location, u.integer);
                break;
            case UniformType::Vec4:
                glUniform4fv(u.location, 1, u.values);
                break;
        }
    }
    glUniform2i(outputSizeLocation_, target.width, target.height);
    // Host memory wants blue, green, red, alpha bytes.
    glUniform1i(swapRedBlueLocation_, target.hostMemory ? 1 : 0);
}

void Effect::bindInputs() {
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        const Texture& texture = textures_[i];
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(texture.target(), texture.boundName());
        glBindSampler(static_cast<GLuint>(i), texture.usesHostTexture() ? nearestSampler_ : 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

bool Effect::readBack(const GLFrameDesc& target) {
    const int rowBytes = target.width * kFrameChannels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (target.rowPitch % kFrameChannels == 0) {
        glPixelStorei(GL_PACK_ROW_LENGTH, target.rowPitch / kFrameChannels);
        glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE, target.pixels);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    } else {
        readBuffer_.resize(static_cast<std::size_t>(rowBytes) * target.height);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE,
                     readBuffer_.data());
        auto* rows = static_cast<unsigned char*>(target.pixels);
        for (int y = 0; y < target.height; ++y) {
            std::memcpy(rows + static_cast<std::size_t>(y) * target.rowPitch,
                        &readBuffer_[static_cast<std::size_t>(y) * rowBytes], rowBytes);
        }
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return true;
}

int Effect::render(const GLFrameDesc& target, std::shared_ptr<GLEffect> /*self*/,
                   std::int32_t /*reserved*/) {
    if (!program_) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: render before a successful build");
        return 1;
    }
    WorkScope work(engine_, owner_, textures_.size());
    if (!work.active()) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: render: no OpenGL context is current");
        return 1;
    }
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        if (textures_[i].unusable()) {
            engine_.log()(kLogError, "KROpenGLEffectMgr: render: texture %zu lacks its frame", i);
            return 1;
        }
    }
    RenderTarget renderTarget;
    if (!prepareTarget(target, &renderTarget)) return 1;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           renderTarget.texture, 0);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (ok) {
        glViewport(0, 0, renderTarget.width, renderTarget.height);
        for (GLenum capability :
             {GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_CULL_FACE}) {
            glDisable(capability);
        }
        glUseProgram(program_);
        applyUniforms(renderTarget);
        bindInputs();
        glBindVertexArray(vertexArray_);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        if (renderTarget.hostMemory) readBack(target);
    }
    // The framebuffer must not keep a host texture alive.
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    const GLenum error = glGetError();
    if (!ok || error != GL_NO_ERROR) {
        engine_.log()(kLogError, "KROpenGLEffectMgr: render failed (GL error 0x%x)", error);
        return 1;
    }
    statistics().renders++;
    return 0;
}

}  // namespace krgl
