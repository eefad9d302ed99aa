#include "texture.h"

#include <cstring>
#include <vector>

namespace krgl {

bool texelFormatFor(int channels, bool floatTexels, TexelFormat* format) {
    // [8-bit or float texels][1, 3 or 4 channels]
    static const TexelFormat kFormats[2][3] = {{{GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, false},
                                                {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, 3, true},
                                                {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true}},
                                               {{GL_R32F, GL_RED, GL_FLOAT, 4, false},
                                                {GL_RGB32F, GL_RGB, GL_FLOAT, 12, false},
                                                {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, false}}};
    const int row = channels == 1 ? 0 : channels == 3 ? 1 : channels == 4 ? 2 : -1;
    if (row < 0) return false;
    *format = kFormats[floatTexels ? 1 : 0][row];
    return true;
}

Texture::Texture(bool volume, TextureShape declared, int channels, bool floatTexels,
                 bool frameTexture)
    : volume_(volume),
      frameTexture_(frameTexture),
      shape_(declared),
      channels_(channels),
      floatTexels_(floatTexels) {
    if (!volume_) shape_.depth = 1;
}

bool Texture::setLayout(int channels, bool floatTexels) {
    TexelFormat format;
    if (!texelFormatFor(channels, floatTexels, &format)) return false;
    if (channels != channels_ || floatTexels != floatTexels_) {
        channels_ = channels;
        floatTexels_ = floatTexels;
        layoutChanged_ = true;
    }
    return true;
}

void Texture::applySampling(bool filterableFloats) const {
    const GLenum target = this->target();
    // Float textures are not filterable everywhere (OpenGL ES); unfilterable
    // ones would be incomplete, so they fall back to nearest.
    const GLint filter =
        (floatTexels_ && !filterableFloats) ? GL_NEAREST : static_cast<GLint>(filter_);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (volume_) glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, 0);
    TexelFormat format;
    if (texelFormatFor(channels_, floatTexels_, &format) && format.swapRedBlue) {
        glTexParameteri(target, GL_TEXTURE_SWIZZLE_R, GL_BLUE);
        glTexParameteri(target, GL_TEXTURE_SWIZZLE_B, GL_RED);
    }
}

bool Texture::allocate(bool filterableFloats) {
    TexelFormat format;
    if (!texelFormatFor(channels_, floatTexels_, &format)) return false;
    if (shape_.width < 1 || shape_.height < 1 || shape_.depth < 1) return false;
    const std::size_t bytes = static_cast<std::size_t>(shape_.width) * shape_.height *
                              shape_.depth * format.bytesPerTexel;
    const std::vector<unsigned char> zeros(bytes, 0);
    return upload(zeros.data(), shape_, shape_.width * format.bytesPerTexel, filterableFloats);
}

bool Texture::upload(const void* texels, TextureShape shape, int rowBytes, bool filterableFloats) {
    TexelFormat format;
    if (!texels || !texelFormatFor(channels_, floatTexels_, &format)) return false;
    if (!volume_) shape.depth = 1;
    const int packedRow = shape.width * format.bytesPerTexel;
    if (shape.width < 1 || shape.height < 1 || shape.depth < 1 || rowBytes < packedRow) {
        return false;
    }
    // A pitch that is not a whole number of texels cannot be said to GL: repack.
    std::vector<unsigned char> packed;
    const void* source = texels;
    int rowLength = rowBytes / format.bytesPerTexel;
    if (rowBytes % format.bytesPerTexel != 0) {
        const std::size_t rows = static_cast<std::size_t>(shape.height) * shape.depth;
        packed.resize(rows * packedRow);
        for (std::size_t row = 0; row < rows; ++row) {
            std::memcpy(&packed[row * packedRow],
                        static_cast<const unsigned char*>(texels) + row * rowBytes, packedRow);
        }
        source = packed.data();
        rowLength = shape.width;
    }
    hostTexture_ = 0;
    const bool remake = name_ == 0 || shape != shape_ || layoutChanged_;
    if (name_ == 0) glGenTextures(1, &name_);
    glBindTexture(target(), name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength == shape.width ? 0 : rowLength);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_IMAGES, 0);
    if (volume_) {
        if (remake) {
            glTexImage3D(GL_TEXTURE_3D, 0, static_cast<GLint>(format.internalFormat), shape.width,
                         shape.height, shape.depth, 0, format.format, format.type, source);
        } else {
            glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, shape.width, shape.height, shape.depth,
                            format.format, format.type, source);
        }
    } else if (remake) {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format.internalFormat), shape.width,
                     shape.height, 0, format.format, format.type, source);
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, shape.width, shape.height, format.format,
                        format.type, source);
    }
    applySampling(filterableFloats);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    shape_ = shape;
    layoutChanged_ = false;
    unusable_ = false;
    return glGetError() == GL_NO_ERROR;
}

void Texture::release() {
    if (name_ != 0) glDeleteTextures(1, &name_);
    name_ = 0;
}

}  // namespace krgl
