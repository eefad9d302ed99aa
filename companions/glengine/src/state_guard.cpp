#include "state_guard.h"

namespace krgl {
namespace {

void setEnabled(GLenum capability, GLboolean enabled) {
    if (enabled) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

}  // namespace

StateGuard::StateGuard(int textureUnits) {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment_);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &packRowLength_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment_);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength_);
    blend_ = glIsEnabled(GL_BLEND);
    depthTest_ = glIsEnabled(GL_DEPTH_TEST);
    scissorTest_ = glIsEnabled(GL_SCISSOR_TEST);
    stencilTest_ = glIsEnabled(GL_STENCIL_TEST);
    cullFace_ = glIsEnabled(GL_CULL_FACE);
    units_.resize(textureUnits);
    for (int i = 0; i < textureUnits; ++i) {
        glActiveTexture(GL_TEXTURE0 + i);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &units_[i].texture2D);
        glGetIntegerv(GL_TEXTURE_BINDING_3D, &units_[i].texture3D);
        glGetIntegerv(GL_SAMPLER_BINDING, &units_[i].sampler);
    }
}

StateGuard::~StateGuard() {
    for (std::size_t i = 0; i < units_.size(); ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, units_[i].texture2D);
        glBindTexture(GL_TEXTURE_3D, units_[i].texture3D);
        glBindSampler(static_cast<GLuint>(i), units_[i].sampler);
    }
    glActiveTexture(activeTexture_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawFramebuffer_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_);
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment_);
    glPixelStorei(GL_PACK_ROW_LENGTH, packRowLength_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment_);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength_);
    setEnabled(GL_BLEND, blend_);
    setEnabled(GL_DEPTH_TEST, depthTest_);
    setEnabled(GL_SCISSOR_TEST, scissorTest_);
    setEnabled(GL_STENCIL_TEST, stencilTest_);
    setEnabled(GL_CULL_FACE, cullFace_);
}

}  // namespace krgl
