#pragma once
// The fixed-function OpenGL subset the intro draws with, as the thin calls
// the scenes, the font and the texture code make. Two implementations sit
// behind it: the compatibility profile's own calls, and a small emulation
// over OpenGL ES 3.0 shaders and vertex buffers (what browsers offer). The
// window decides which one runs; everything above reads as plain GL.
#include <GL/gl.h>

#include <memory>

#include "platform/window.h"

namespace zint::gl {

class Drawing {
public:
    virtual ~Drawing() = default;

    virtual void Begin(GLenum mode) = 0;
    virtual void End() = 0;
    // Hands everything drawn so far to GL: needed before the frame is shown
    // or read.
    virtual void Flush() = 0;
    virtual void Vertex3f(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void TexCoord2f(GLfloat s, GLfloat t) = 0;
    virtual void Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) = 0;
    virtual void Normal3f(GLfloat x, GLfloat y, GLfloat z) = 0;

    virtual void MatrixMode(GLenum mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;
    virtual void Translatef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void Ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near,
                       GLdouble far) = 0;
    virtual void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble near, GLdouble far) = 0;
    virtual void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                        GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) = 0;

    virtual void Enable(GLenum capability) = 0;
    virtual void Disable(GLenum capability) = 0;
    virtual void BlendFunc(GLenum source, GLenum destination) = 0;
    virtual void CullFace(GLenum face) = 0;
    virtual void Fogi(GLenum name, GLint value) = 0;
    virtual void Fogfv(GLenum name, const GLfloat* values) = 0;
    virtual void PointSize(GLfloat size) = 0;
    virtual void ClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) = 0;
    virtual void Clear(GLbitfield buffers) = 0;
    virtual void GetIntegerv(GLenum name, GLint* values) = 0;
    virtual void PixelStorei(GLenum name, GLint value) = 0;
    virtual void PushClientAttrib(GLbitfield mask) = 0;
    virtual void PopClientAttrib() = 0;

    virtual GLuint GenTexture() = 0;
    virtual void BindTexture(GLuint texture) = 0;
    virtual void TexParameteri(GLenum name, GLint value) = 0;
    virtual void TexEnvi(GLenum name, GLint value) = 0;
    // Level 0 of the bound texture; pixels may be null only where the
    // caller fills the image afterwards.
    virtual void TexImage2D(GLint components, GLsizei width, GLsizei height, GLenum format,
                            const void* pixels) = 0;
    // The full chain of box-filtered levels, the image first rescaled to
    // power-of-two sides where needed.
    virtual void Build2DMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format,
                                const void* pixels) = 0;
    virtual void CopyTexSubImage2D(GLsizei width, GLsizei height) = 0;

    virtual GLuint GenLists(GLsizei range) = 0;
    virtual void NewList(GLuint list) = 0;  // compile only
    virtual void EndList() = 0;
    virtual void CallList(GLuint list) = 0;
    virtual void ListBase(GLuint base) = 0;
    virtual void CallLists(GLsizei count, const GLubyte* lists) = 0;
    virtual void RasterPos3i(GLint x, GLint y, GLint z) = 0;
    virtual void Bitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX,
                        GLfloat moveY, const GLubyte* bits) = 0;
};

// Null in a build that has no compatibility profile (the browser's).
std::unique_ptr<Drawing> CreateCompatibilityDrawing();
std::unique_ptr<Drawing> CreateEsDrawing();

// Makes the implementation for the window's context the one the calls below
// reach; needs that context current. Until a window is chosen, the
// compatibility profile's calls run (where the build has it).
void SelectDrawing(platform::GlApi api);

Drawing& Current();

inline void Begin(GLenum mode) { Current().Begin(mode); }
inline void End() { Current().End(); }
inline void Flush() { Current().Flush(); }
inline void Vertex2f(GLfloat x, GLfloat y) { Current().Vertex3f(x, y, 0.0f); }
inline void Vertex3f(GLfloat x, GLfloat y, GLfloat z) { Current().Vertex3f(x, y, z); }
inline void Vertex3fv(const GLfloat* v) { Current().Vertex3f(v[0], v[1], v[2]); }
inline void TexCoord2f(GLfloat s, GLfloat t) { Current().TexCoord2f(s, t); }
inline void Color3f(GLfloat r, GLfloat g, GLfloat b) { Current().Color4f(r, g, b, 1.0f); }
inline void Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Current().Color4f(r, g, b, a); }
inline void Normal3f(GLfloat x, GLfloat y, GLfloat z) { Current().Normal3f(x, y, z); }
inline void Normal3fv(const GLfloat* v) { Current().Normal3f(v[0], v[1], v[2]); }

inline void MatrixMode(GLenum mode) { Current().MatrixMode(mode); }
inline void LoadIdentity() { Current().LoadIdentity(); }
inline void PushMatrix() { Current().PushMatrix(); }
inline void PopMatrix() { Current().PopMatrix(); }
inline void Translatef(GLfloat x, GLfloat y, GLfloat z) { Current().Translatef(x, y, z); }
inline void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    Current().Ortho(l, r, b, t, n, f);
}
inline void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble near, GLdouble far) {
    Current().Perspective(fieldOfViewY, aspect, near, far);
}
inline void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                   GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    Current().LookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

inline void Enable(GLenum capability) { Current().Enable(capability); }
inline void Disable(GLenum capability) { Current().Disable(capability); }
inline void BlendFunc(GLenum source, GLenum destination) { Current().BlendFunc(source, destination); }
inline void CullFace(GLenum face) { Current().CullFace(face); }
inline void Fogi(GLenum name, GLint value) { Current().Fogi(name, value); }
inline void Fogfv(GLenum name, const GLfloat* values) { Current().Fogfv(name, values); }
inline void PointSize(GLfloat size) { Current().PointSize(size); }
inline void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { Current().ClearColor(r, g, b, a); }
inline void Clear(GLbitfield buffers) { Current().Clear(buffers); }
inline void GetIntegerv(GLenum name, GLint* values) { Current().GetIntegerv(name, values); }
inline void PixelStorei(GLenum name, GLint value) { Current().PixelStorei(name, value); }
inline void PushClientAttrib(GLbitfield mask) { Current().PushClientAttrib(mask); }
inline void PopClientAttrib() { Current().PopClientAttrib(); }

inline GLuint GenTexture() { return Current().GenTexture(); }
inline void BindTexture(GLuint texture) { Current().BindTexture(texture); }
inline void TexParameteri(GLenum name, GLint value) { Current().TexParameteri(name, value); }
inline void TexEnvi(GLenum name, GLint value) { Current().TexEnvi(name, value); }
inline void TexImage2D(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels) {
    Current().TexImage2D(components, width, height, format, pixels);
}
inline void Build2DMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels) {
    Current().Build2DMipmaps(components, width, height, format, pixels);
}
inline void CopyTexSubImage2D(GLsizei width, GLsizei height) { Current().CopyTexSubImage2D(width, height); }

inline GLuint GenLists(GLsizei range) { return Current().GenLists(range); }
inline void NewList(GLuint list) { Current().NewList(list); }
inline void EndList() { Current().EndList(); }
inline void CallList(GLuint list) { Current().CallList(list); }
inline void ListBase(GLuint base) { Current().ListBase(base); }
inline void CallLists(GLsizei count, const GLubyte* lists) { Current().CallLists(count, lists); }
inline void RasterPos3i(GLint x, GLint y, GLint z) { Current().RasterPos3i(x, y, z); }
inline void Bitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX, GLfloat moveY,
                   const GLubyte* bits) {
    Current().Bitmap(width, height, originX, originY, moveX, moveY, bits);
}

}  // namespace zint::gl
