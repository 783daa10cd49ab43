#pragma once
// One OpenGL texture name. Every texture of the program (pictures, generated
// textures, text) is one of these. The name is never deleted: textures live
// as long as the process, and the context may be gone when objects die.
#include "gfx/drawing.h"

namespace zint {

class Texture {
public:
    Texture();  // generates the name; needs a current context
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Binds the texture and gives it a full mipmap chain built from the image
    // of bytes (rescaled to power-of-two sides where needed), with repeat wrapping,
    // trilinear minification, linear magnification and the global texture
    // environment set to modulate. The texture stays bound.
    void Upload(int components, int width, int height, GLenum format, const void* pixels);

    void Bind() const { gl::BindTexture(name); }

    GLuint name = 0;
};

}  // namespace zint
