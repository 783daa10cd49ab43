// The compatibility profile draws the subset itself: each call is the GL
// (or GLU) call of the same name.
#include <GL/glu.h>

#include "gfx/drawing.h"

namespace zint::gl {

namespace {

class CompatibilityDrawing final : public Drawing {
public:
    void Begin(GLenum mode) override { glBegin(mode); }
    void End() override { glEnd(); }
    void Flush() override {}  // each call has reached GL already
    void Vertex3f(GLfloat x, GLfloat y, GLfloat z) override { glVertex3f(x, y, z); }
    void TexCoord2f(GLfloat s, GLfloat t) override { glTexCoord2f(s, t); }
    void Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override { glColor4f(r, g, b, a); }
    void Normal3f(GLfloat x, GLfloat y, GLfloat z) override { glNormal3f(x, y, z); }

    void MatrixMode(GLenum mode) override { glMatrixMode(mode); }
    void LoadIdentity() override { glLoadIdentity(); }
    void PushMatrix() override { glPushMatrix(); }
    void PopMatrix() override { glPopMatrix(); }
    void Translatef(GLfloat x, GLfloat y, GLfloat z) override { glTranslatef(x, y, z); }
    void Ortho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) override {
        glOrtho(l, r, b, t, n, f);
    }
    void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble near, GLdouble far) override {
        gluPerspective(fieldOfViewY, aspect, near, far);
    }
    void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
                GLdouble upX, GLdouble upY, GLdouble upZ) override {
        gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
    }

    void Enable(GLenum capability) override { glEnable(capability); }
    void Disable(GLenum capability) override { glDisable(capability); }
    void BlendFunc(GLenum source, GLenum destination) override { glBlendFunc(source, destination); }
    void CullFace(GLenum face) override { glCullFace(face); }
    void Fogi(GLenum name, GLint value) override { glFogi(name, value); }
    void Fogfv(GLenum name, const GLfloat* values) override { glFogfv(name, values); }
    void PointSize(GLfloat size) override { glPointSize(size); }
    void ClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) override { glClearColor(r, g, b, a); }
    void Clear(GLbitfield buffers) override { glClear(buffers); }
    void GetIntegerv(GLenum name, GLint* values) override { glGetIntegerv(name, values); }
    void PixelStorei(GLenum name, GLint value) override { glPixelStorei(name, value); }
    void PushClientAttrib(GLbitfield mask) override { glPushClientAttrib(mask); }
    void PopClientAttrib() override { glPopClientAttrib(); }

    GLuint GenTexture() override {
        GLuint name = 0;
        glGenTextures(1, &name);
        return name;
    }
    void BindTexture(GLuint texture) override { glBindTexture(GL_TEXTURE_2D, texture); }
    void TexParameteri(GLenum name, GLint value) override { glTexParameteri(GL_TEXTURE_2D, name, value); }
    void TexEnvi(GLenum name, GLint value) override { glTexEnvi(GL_TEXTURE_ENV, name, value); }
    void TexImage2D(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels) override {
        glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    void Build2DMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format,
                        const void* pixels) override {
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
    }
    void CopyTexSubImage2D(GLsizei width, GLsizei height) override {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    }

    GLuint GenLists(GLsizei range) override { return glGenLists(range); }
    void NewList(GLuint list) override { glNewList(list, GL_COMPILE); }
    void EndList() override { glEndList(); }
    void CallList(GLuint list) override { glCallList(list); }
    void ListBase(GLuint base) override { glListBase(base); }
    void CallLists(GLsizei count, const GLubyte* lists) override { glCallLists(count, GL_UNSIGNED_BYTE, lists); }
    void RasterPos3i(GLint x, GLint y, GLint z) override { glRasterPos3i(x, y, z); }
    void Bitmap(GLsizei width, GLsizei height, GLfloat originX, GLfloat originY, GLfloat moveX, GLfloat moveY,
                const GLubyte* bits) override {
        glBitmap(width, height, originX, originY, moveX, moveY, bits);
    }
};

}  // namespace

std::unique_ptr<Drawing> CreateCompatibilityDrawing() { return std::make_unique<CompatibilityDrawing>(); }

}  // namespace zint::gl
