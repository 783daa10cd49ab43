#include "gfx/texture.h"


namespace zint {

Texture::Texture() : name(gl::GenTexture()) {}

void Texture::Upload(int components, int width, int height, GLenum format, const void* pixels) {
    Bind();
    gl::Build2DMipmaps(components, width, height, format, pixels);
    gl::TexEnvi(GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl::TexParameteri(GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl::TexParameteri(GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl::TexParameteri(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl::TexParameteri(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

}  // namespace zint
