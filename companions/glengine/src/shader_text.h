// Turns a program's shader function into complete shaders for the current
// context. The program convention is described in the engine's README.
#pragma once

#include <string>
#include <vector>

namespace krgl {

struct ContextInfo {
    bool es = false;
    int major = 0;
    int minor = 0;
};
// What the current context speaks; needs a current context.
ContextInfo currentContextInfo();

enum class UniformType { Float, Int, Vec4 };
struct UniformDecl {
    std::string name;
    UniformType type;
};

// True for a GLSL identifier the engine may declare as a uniform.
bool isUniformName(const std::string& name);

// `volumeSamplers[i]` says whether texture i is 3D.
std::string fragmentShaderText(const ContextInfo& context, const std::string& function,
                               const std::vector<bool>& volumeSamplers,
                               const std::vector<UniformDecl>& uniforms);
std::string vertexShaderText(const ContextInfo& context);

// Names the composed shaders use for the sampler of texture i and for the
// engine's own uniforms.
std::string samplerName(std::size_t index);
inline constexpr char kOutputSizeUniform[] = "qlx_outputSize";
inline constexpr char kSwapRedBlueUniform[] = "qlx_swapRedBlue";

}  // namespace krgl
