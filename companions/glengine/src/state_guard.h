// Saves the OpenGL state an effect's render changes and puts it back, so a
// host's context looks untouched afterwards.
#pragma once

#include <vector>

#include "gl_headers.h"

namespace krgl {

class StateGuard {
  public:
    explicit StateGuard(int textureUnits);
    ~StateGuard();
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

  private:
    struct UnitBindings {
        GLint texture2D, texture3D, sampler;
    };
    GLint drawFramebuffer_, readFramebuffer_, program_, vertexArray_, activeTexture_;
    GLint viewport_[4];
    GLint packAlignment_, packRowLength_, unpackAlignment_, unpackRowLength_;
    GLboolean blend_, depthTest_, scissorTest_, stencilTest_, cullFace_;
    std::vector<UnitBindings> units_;
};

}  // namespace krgl
