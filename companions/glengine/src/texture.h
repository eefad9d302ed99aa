// One texture of an effect: declared with a shape, allocated at build, filled
// from host memory or descriptions, or replaced for a frame by a host texture.
#pragma once

#include <cstdint>

#include "gl_headers.h"

namespace krgl {

// GL formats for a texel layout. 8-bit texels arrive in the byte order blue,
// green, red(, alpha); the texture swaps red and blue when sampled, so programs
// always see red in .r.
struct TexelFormat {
    GLenum internalFormat;
    GLenum format;
    GLenum type;
    int bytesPerTexel;
    bool swapRedBlue;
};
// False for layouts the engine does not take (channels other than 1, 3, 4).
bool texelFormatFor(int channels, bool floatTexels, TexelFormat* format);

struct TextureShape {
    int width = 0;
    int height = 0;
    int depth = 1;  // 1 for 2D textures
    bool operator==(const TextureShape& o) const {
        return width == o.width && height == o.height && depth == o.depth;
    }
    bool operator!=(const TextureShape& o) const { return !(*this == o); }
};

class Texture {
  public:
    Texture(bool volume, TextureShape declared, int channels, bool floatTexels, bool frameTexture);
    bool volume() const { return volume_; }
    bool frameTexture() const { return frameTexture_; }
    GLenum target() const { return volume_ ? GL_TEXTURE_3D : GL_TEXTURE_2D; }

    // Texel layout and filter that later uploads use; false when unsupported.
    // Needs no context: a changed layout remakes the storage at the next upload.
    bool setLayout(int channels, bool floatTexels);
    void setFilter(GLenum filter) { filter_ = filter; }

    // Makes the GL texture with the declared shape, zero-filled. Needs a context.
    bool allocate(bool filterableFloats);
    // Replaces the texels; a new shape reallocates. `rowBytes` may exceed the
    // packed row length. Needs a context; false for bad arguments.
    bool upload(const void* texels, TextureShape shape, int rowBytes, bool filterableFloats);

    // For the next renders the texture at this index is the host's texture
    // `name`, until the next upload.
    void useHostTexture(GLuint name) {
        hostTexture_ = name;
        unusable_ = false;
    }
    // A frame that was meant for this texture could not be taken: renders
    // fail until the next upload or host texture.
    void markUnusable() { unusable_ = true; }
    bool unusable() const { return unusable_; }
    bool usesHostTexture() const { return hostTexture_ != 0; }
    GLuint boundName() const { return hostTexture_ ? hostTexture_ : name_; }

    bool allocated() const { return name_ != 0; }
    void release();  // deletes the GL texture; needs a context

  private:
    void applySampling(bool filterableFloats) const;

    bool volume_;
    bool frameTexture_;
    TextureShape shape_;
    int channels_;
    bool floatTexels_;
    GLenum filter_ = GL_NEAREST;
    bool layoutChanged_ = false;
    bool unusable_ = false;
    GLuint name_ = 0;
    GLuint hostTexture_ = 0;
};

}  // namespace krgl
