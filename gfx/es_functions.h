#pragma once
// The OpenGL ES 3.0 calls the emulated drawing makes, looked up from the
// current context's library: the desktop's libGL may not be the library
// that serves an ES context, and a browser has no libGL at all. The 1.x
// calls are typed after gl.h's declarations.
#include <GL/gl.h>
#include <GL/glext.h>

namespace zint::gl {

struct EsFunctions {
    decltype(&glEnable) enable = nullptr;
    decltype(&glDisable) disable = nullptr;
    decltype(&glBlendFunc) blendFunc = nullptr;
    decltype(&glCullFace) cullFace = nullptr;
    decltype(&glClearColor) clearColor = nullptr;
    decltype(&glClear) clear = nullptr;
    decltype(&glGetIntegerv) getIntegerv = nullptr;
    decltype(&glPixelStorei) pixelStorei = nullptr;
    decltype(&glGenTextures) genTextures = nullptr;
    decltype(&glBindTexture) bindTexture = nullptr;
    decltype(&glTexParameteri) texParameteri = nullptr;
    decltype(&glTexImage2D) texImage2D = nullptr;
    decltype(&glCopyTexSubImage2D) copyTexSubImage2D = nullptr;
    decltype(&glDrawArrays) drawArrays = nullptr;
    PFNGLCREATESHADERPROC createShader = nullptr;
    PFNGLSHADERSOURCEPROC shaderSource = nullptr;
    PFNGLCOMPILESHADERPROC compileShader = nullptr;
    PFNGLGETSHADERIVPROC getShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC getShaderInfoLog = nullptr;
    PFNGLCREATEPROGRAMPROC createProgram = nullptr;
    PFNGLATTACHSHADERPROC attachShader = nullptr;
    PFNGLBINDATTRIBLOCATIONPROC bindAttribLocation = nullptr;
    PFNGLLINKPROGRAMPROC linkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC getProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC getProgramInfoLog = nullptr;
    PFNGLUSEPROGRAMPROC useProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC uniform1i = nullptr;
    PFNGLUNIFORM1FPROC uniform1f = nullptr;
    PFNGLUNIFORM2IPROC uniform2i = nullptr;
    PFNGLUNIFORM4FPROC uniform4f = nullptr;
    PFNGLUNIFORM4FVPROC uniform4fv = nullptr;
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;
    PFNGLGENVERTEXARRAYSPROC genVertexArrays = nullptr;
    PFNGLBINDVERTEXARRAYPROC bindVertexArray = nullptr;
    PFNGLVERTEXATTRIBPOINTERPROC vertexAttribPointer = nullptr;
    PFNGLENABLEVERTEXATTRIBARRAYPROC enableVertexAttribArray = nullptr;
    PFNGLDISABLEVERTEXATTRIBARRAYPROC disableVertexAttribArray = nullptr;

    // False when the library lacks any of them.
    bool Load();
};

}  // namespace zint::gl
