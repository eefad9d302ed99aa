#include "shader_text.h"

#include <cstring>

#include "gl_headers.h"

namespace krgl {
namespace {

constexpr char kFunctionPlaceholder[] = "FUNCNAME";
constexpr char kFunctionName[] = "qlx_effect_function";

// `precise` keeps the compiler from fusing or reordering the program's
// arithmetic; it exists from GLSL 4.00 and GLSL ES 3.20.
std::string versionHeader(const ContextInfo& context) {
    if (context.es) {
        if (context.major > 3 || (context.major == 3 && context.minor >= 2)) {
            return "#version 320 es\n#define QLX_PRECISE precise\n";
        }
        return context.minor >= 1 ? "#version 310 es\n#define QLX_PRECISE\n"
                                  : "#version 300 es\n#define QLX_PRECISE\n";
    }
    if (context.major >= 4) return "#version 400 core\n#define QLX_PRECISE precise\n";
    return "#version 330 core\n#define QLX_PRECISE\n";
}

std::string precisionLines(const ContextInfo& context) {
    if (!context.es) return "";
    return "precision highp float;\nprecision highp int;\nprecision highp sampler2D;\n"
           "precision highp sampler3D;\n";
}

const char* uniformTypeName(UniformType type) {
    switch (type) {
        case UniformType::Float:
            return "float";
        case UniformType::Int:
            return "int";
        case UniformType::Vec4:
            return "vec4";
    }
    return "float";
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// INPUT(tc) reads texture 0 texel by texel (no filtering) at the pixel that
// `tc` falls in, clamped to the texture.
std::string inputFunction(const std::vector<bool>& volumeSamplers) {
    if (volumeSamplers.empty() || volumeSamplers[0]) {
        return "vec4 qlx_input(vec2 tc) { return vec4(0.0); }\n";
    }
    return "vec4 qlx_input(vec2 tc)\n"
           "{\n"
           "    ivec2 size = textureSize(" +
           samplerName(0) +
           ", 0);\n"
           "    ivec2 texel = clamp(ivec2(floor(tc * vec2(size))), ivec2(0), size - ivec2(1));\n"
           "    return texelFetch(" +
           samplerName(0) +
           ", texel, 0);\n"
           "}\n";
}

}  // namespace

ContextInfo currentContextInfo() {
    ContextInfo info;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    info.es = version && std::strncmp(version, "OpenGL ES", 9) == 0;
    glGetIntegerv(GL_MAJOR_VERSION, &info.major);
    glGetIntegerv(GL_MINOR_VERSION, &info.minor);
    return info;
}

bool isUniformName(const std::string& name) {
    if (name.empty() || name.size() > 200) return false;
    if (name.compare(0, 3, "gl_") == 0 || name.compare(0, 4, "qlx_") == 0) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0)) return false;
    }
    return true;
}

std::string samplerName(std::size_t index) {
    return "TEX" + std::to_string(index);
}

std::string fragmentShaderText(const ContextInfo& context, const std::string& function,
                               const std::vector<bool>& volumeSamplers,
                               const std::vector<UniformDecl>& uniforms) {
    std::string text = versionHeader(context) + precisionLines(context);
    for (std::size_t i = 0; i < volumeSamplers.size(); ++i) {
        text += std::string("uniform ") + (volumeSamplers[i] ? "sampler3D " : "sampler2D ") +
                samplerName(i) + ";\n";
    }
    for (const UniformDecl& uniform : uniforms) {
        text +=
            std::string("uniform ") + uniformTypeName(uniform.type) + " " + uniform.name + ";\n";
    }
    text += std::string("uniform ivec2 ") + kOutputSizeUniform + ";\n";
    text += std::string("uniform int ") + kSwapRedBlueUniform + ";\n";
    text += "out vec4 qlx_fragColor;\n";
    text += std::string("#define OUTPUT_SIZE ") + kOutputSizeUniform + "\n";
    text += inputFunction(volumeSamplers);
    text += "#define INPUT(tc) qlx_input(tc)\n";
    text += "#line 1\n";
    text += replaceAll(function, kFunctionPlaceholder, kFunctionName);
    text +=
        "\nvoid main()\n"
        "{\n"
        "    vec2 tc = gl_FragCoord.xy / vec2(" +
        std::string(kOutputSizeUniform) +
        ");\n"
        "    vec4 color = " +
        kFunctionName +
        "(tc);\n"
        "    qlx_fragColor = " +
        kSwapRedBlueUniform +
        " != 0 ? color.bgra : color;\n"
        "}\n";
    return text;
}

std::string vertexShaderText(const ContextInfo& context) {
    // One triangle that covers the whole viewport; no vertex buffers needed.
    return versionHeader(context) + precisionLines(context) +
           "void main()\n"
           "{\n"
           "    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
           "    gl_Position = vec4(corner, 0.0, 1.0);\n"
           "}\n";
}

}  // namespace krgl
