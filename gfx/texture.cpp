#include "gfx/texture.h"

#include <GL/glu.h>

namespace zint {

Texture::Texture() { glGenTextures(1, &name); }

void Texture::Upload(int components, int width, int height, GLenum format, GLenum type, const void* pixels) {
    Bind();
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, type, pixels);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

}  // namespace zint
