// One effect: a shader function compiled into a full-screen program, its
// textures and uniforms, rendered into a GPU texture or read back into host
// memory.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "context.h"
#include "gl_engine_api.h"
#include "shader_text.h"
#include "texture.h"

namespace krgl {

class Engine;

class Effect final : public GLEffect {
  public:
    Effect(Engine& engine, ContextOwner owner, int width, int height, int rowPitch,
           std::string programPath);
    ~Effect();
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    void declareTexture3D(int width, int height, int depth, int rowBytes, int channels,
                          std::int32_t floatTexels, bool frameTexture) override;
    void declareTexture2D(int width, int height, int rowBytes, bool frameTexture) override;
    int build(std::shared_ptr<GLEffect> self) override;
    void setFloat(const std::string& name, float value) override;
    void setIntAtBuild(const std::string& name, std::int32_t value) override;
    void setInt(const std::string& name, std::int32_t value) override;
    void setTextureFromMemory(int index, const void* pixels, int width, int height, int rowPitch,
                              int channels, bool reserved, std::int32_t reserved2) override;
    void setTextureDescs(int index, const std::vector<GLTextureDesc>& descs) override;
    void setTextureFromGPU(int index, GLTextureRef texture, int width, int height,
                           int rowPitch) override;
    int render(const GLFrameDesc& target, std::shared_ptr<GLEffect> self,
               std::int32_t reserved) override;
    int resize(int width, int height, int rowPitch, std::shared_ptr<GLEffect> self) override;
    void setVec4(const std::string& name, float x, float y, float z, float w) override;
    int currentWidth() const override { return width_; }
    int currentHeight() const override { return height_; }
    int currentRowPitch() const override { return rowPitch_; }
    void setShaderFunction(const std::string& text) override;

  private:
    struct Uniform {
        UniformType type = UniformType::Float;
        float values[4] = {};
        std::int32_t integer = 0;
        bool declared = false;  // set before the build, so the program declares it
        GLint location = -1;
    };
    struct RenderTarget {
        GLuint texture = 0;
        int width = 0, height = 0;
        bool hostMemory = false;
    };

    Texture* textureAt(int index, const char* operation);
    Uniform& uniform(const std::string& name, UniformType type);
    bool loadFunction(std::string* function) const;
    bool compile(const std::string& function);
    void releaseProgram();
    bool prepareTarget(const GLFrameDesc& target, RenderTarget* out);
    void bindInputs();
    void applyUniforms(const RenderTarget& target);
    bool readBack(const GLFrameDesc& target);

    Engine& engine_;
    ContextOwner owner_;
    int width_, height_, rowPitch_;
    std::string programPath_;
    std::string shaderFunction_;
    bool hasShaderFunction_ = false;
    bool filterableFloats_ = true;
    std::vector<Texture> textures_;
    std::map<std::string, Uniform> uniforms_;
    GLuint program_ = 0;
    GLuint vertexArray_ = 0;
    GLuint framebuffer_ = 0;
    GLuint nearestSampler_ = 0;  // for host textures, whose own sampling we leave alone
    GLuint hostTarget_ = 0;      // colour buffer of renders into host memory
    int hostTargetWidth_ = 0, hostTargetHeight_ = 0;
    GLint outputSizeLocation_ = -1, swapRedBlueLocation_ = -1;
    std::vector<unsigned char> readBuffer_;
};

}  // namespace krgl
