// FROZEN binary contract: released hosts and engines depend on this layout; never change it.
// The interface between the plugin and an OpenGL effect engine library. The
// engine lives in a separately loaded library, so every type here is part of a
// binary contract: operation order inside each class, record sizes and field
// offsets must not change.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The GPU texture part of a frame record: which texture holds the frame.
struct GLTextureRef {
    std::int32_t textureId = 0;       // a texture name, or -1 when the handle carries it
    std::uint64_t textureHandle = 0;  // the host's texture handle (a texture name on GL hosts)
    std::uint64_t textureWord2 = 0;
    std::uint64_t textureWord3 = 0;
};

// One frame as the plugin hands it to an engine: a GPU texture or host memory
// holding 8-bit pixels in the byte order blue, green, red, alpha.
struct GLFrameDesc {
    GLTextureRef texture;
    bool inHostMemory = false;
    void* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowPitch = 0;  // bytes between row starts
    bool extra1 = false;
    std::uint64_t extra2 = 0;
    bool extra3 = false;
    alignas(8) std::uint8_t extra4[16] = {};
    std::int32_t extra5 = 0;
    std::int32_t extra6 = 0;
};

// What one texture holds and whether its texels travel with this description.
struct GLTextureDesc {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t unpackAlignment = 0;  // 0: the engine's own choice
    std::uint32_t depth = 0;
    std::uint32_t channels = 0;
    std::uint32_t reserved20 = 0;
    std::uint32_t filter = 0;  // GL_LINEAR, GL_NEAREST
    std::uint32_t reserved28 = 0;
    const void* data = nullptr;  // texels, rows packed without padding
    std::uint8_t reserved40[32] = {};
    std::uint8_t upload = 0;  // non-zero: `data` replaces the texture's texels
    std::uint8_t reserved73[7] = {};
    std::uint32_t entryCount = 0;  // texels (float) or bytes (8-bit) in `data`
    std::uint32_t levelCount = 0;
    std::uint32_t floatTexels = 0;  // 1: `data` holds float32 channels, 0: bytes
    std::uint8_t reserved92[20] = {};
};

static_assert(sizeof(GLTextureRef) == 32, "GLTextureRef is the first 32 bytes of a frame");
static_assert(sizeof(GLFrameDesc) == 104, "GLFrameDesc layout is shared with the engine");
static_assert(offsetof(GLFrameDesc, texture) == 0);
static_assert(offsetof(GLTextureRef, textureHandle) == 8);
static_assert(offsetof(GLTextureRef, textureWord2) == 16);
static_assert(offsetof(GLTextureRef, textureWord3) == 24);
static_assert(offsetof(GLFrameDesc, inHostMemory) == 32);
static_assert(offsetof(GLFrameDesc, pixels) == 40);
static_assert(offsetof(GLFrameDesc, width) == 48);
static_assert(offsetof(GLFrameDesc, height) == 52);
static_assert(offsetof(GLFrameDesc, rowPitch) == 56);
static_assert(offsetof(GLFrameDesc, extra1) == 60);
static_assert(offsetof(GLFrameDesc, extra2) == 64);
static_assert(offsetof(GLFrameDesc, extra3) == 72);
static_assert(offsetof(GLFrameDesc, extra4) == 80);
static_assert(offsetof(GLFrameDesc, extra5) == 96);
static_assert(offsetof(GLFrameDesc, extra6) == 100);

static_assert(sizeof(GLTextureDesc) == 112, "GLTextureDesc layout is shared with the engine");
static_assert(offsetof(GLTextureDesc, width) == 0);
static_assert(offsetof(GLTextureDesc, height) == 4);
static_assert(offsetof(GLTextureDesc, unpackAlignment) == 8);
static_assert(offsetof(GLTextureDesc, depth) == 12);
static_assert(offsetof(GLTextureDesc, channels) == 16);
static_assert(offsetof(GLTextureDesc, reserved20) == 20);
static_assert(offsetof(GLTextureDesc, filter) == 24);
static_assert(offsetof(GLTextureDesc, data) == 32);
static_assert(offsetof(GLTextureDesc, upload) == 72);
static_assert(offsetof(GLTextureDesc, entryCount) == 80);
static_assert(offsetof(GLTextureDesc, levelCount) == 84);
static_assert(offsetof(GLTextureDesc, floatTexels) == 88);

using GLTextList = std::vector<std::string>;
using GLTextLists = std::vector<GLTextList>;

// One effect of an engine: a shader program with its textures and uniforms,
// rendered into a target frame. Shared between the engine and its user; the
// effect is destroyed through the deleter its engine gave the shared pointer.
class GLEffect {
  public:
    // Texture declarations, in the order of their indices.
    virtual void declareTexture3D(int width, int height, int depth, int rowBytes, int channels,
                                  std::int32_t floatTexels, bool frameTexture) = 0;
    virtual void declareTexture2D(int width, int height, int rowBytes, bool frameTexture) = 0;
    // Compiles the program; 0 when built.
    virtual int build(std::shared_ptr<GLEffect> self) = 0;
    virtual void setFloat(const std::string& name, float value) = 0;
    // An integer uniform that the program declares when it is built.
    virtual void setIntAtBuild(const std::string& name, std::int32_t value) = 0;
    virtual void setInt(const std::string& name, std::int32_t value) = 0;
    virtual void setTextureFromMemory(int index, const void* pixels, int width, int height,
                                      int rowPitch, int channels, bool flipRows,
                                      std::int32_t reserved) = 0;
    virtual void setTextureDescs(int index, const std::vector<GLTextureDesc>& descs) = 0;
    virtual void setTextureFromGPU(int index, GLTextureRef texture, int width, int height,
                                   int rowPitch) = 0;
    // Renders into `target`; 0 when rendered.
    virtual int render(const GLFrameDesc& target, std::shared_ptr<GLEffect> self,
                       std::int32_t reserved) = 0;
    virtual int resize(int width, int height, int rowPitch, std::shared_ptr<GLEffect> self) = 0;
    virtual void setVec4(const std::string& name, float x, float y, float z, float w) = 0;
    virtual int currentWidth() const = 0;
    virtual int currentHeight() const = 0;
    virtual int currentRowPitch() const = 0;
    // Replaces the program with a shader function text.
    virtual void setShaderFunction(const std::string& text) = 0;

  protected:
    ~GLEffect() = default;
};

// The engine object of a library: a factory of effects, made once per process
// and never destroyed.
class GLEffectEngine {
  public:
    // `effect` is null afterwards when no effect could be made.
    virtual int createEffect(int width, int height, int rowPitch, bool flipRows,
                             const std::string& programPath, std::shared_ptr<GLEffect>& effect,
                             std::int32_t encrypted, const std::string& text,
                             const GLTextLists& listsA, const GLTextLists& listsB) = 0;

  protected:
    ~GLEffectEngine() = default;
};

// Log callback handed to an engine: printf-style format and its arguments.
using GLEngineLogCallback = void (*)(int level, const char* format, va_list args);

// The one entry point of an engine library, looked up by the name below.
// Returns 0 with the engine stored in `*engine`.
using CreateNLEOpenGLEffectEngineInstanceFn = int (*)(GLEffectEngine** engine,
                                                      GLEngineLogCallback log,
                                                      std::uint8_t softwareOpenGL,
                                                      std::uint64_t value);
inline constexpr char kCreateGLEffectEngineEntry[] = "CreateNLEOpenGLEffectEngineInstance";
