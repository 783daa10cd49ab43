#include "gfx/es_functions.h"

#include "platform/gl_functions.h"

namespace zint::gl {

bool EsFunctions::Load() {
    using platform::FindGlFunction;
    FindGlFunction(enable, "glEnable");
    FindGlFunction(disable, "glDisable");
    FindGlFunction(blendFunc, "glBlendFunc");
    FindGlFunction(cullFace, "glCullFace");
    FindGlFunction(clearColor, "glClearColor");
    FindGlFunction(clear, "glClear");
    FindGlFunction(getIntegerv, "glGetIntegerv");
    FindGlFunction(pixelStorei, "glPixelStorei");
    FindGlFunction(genTextures, "glGenTextures");
    FindGlFunction(bindTexture, "glBindTexture");
    FindGlFunction(texParameteri, "glTexParameteri");
    FindGlFunction(texImage2D, "glTexImage2D");
    FindGlFunction(copyTexSubImage2D, "glCopyTexSubImage2D");
    FindGlFunction(drawArrays, "glDrawArrays");
    FindGlFunction(createShader, "glCreateShader");
    FindGlFunction(shaderSource, "glShaderSource");
    FindGlFunction(compileShader, "glCompileShader");
    FindGlFunction(getShaderiv, "glGetShaderiv");
    FindGlFunction(getShaderInfoLog, "glGetShaderInfoLog");
    FindGlFunction(createProgram, "glCreateProgram");
    FindGlFunction(attachShader, "glAttachShader");
    FindGlFunction(bindAttribLocation, "glBindAttribLocation");
    FindGlFunction(linkProgram, "glLinkProgram");
    FindGlFunction(getProgramiv, "glGetProgramiv");
    FindGlFunction(getProgramInfoLog, "glGetProgramInfoLog");
    FindGlFunction(useProgram, "glUseProgram");
    FindGlFunction(getUniformLocation, "glGetUniformLocation");
    FindGlFunction(uniform1i, "glUniform1i");
    FindGlFunction(uniform1f, "glUniform1f");
    FindGlFunction(uniform2i, "glUniform2i");
    FindGlFunction(uniform4f, "glUniform4f");
    FindGlFunction(uniform4fv, "glUniform4fv");
    FindGlFunction(genBuffers, "glGenBuffers");
    FindGlFunction(bindBuffer, "glBindBuffer");
    FindGlFunction(bufferData, "glBufferData");
    FindGlFunction(genVertexArrays, "glGenVertexArrays");
    FindGlFunction(bindVertexArray, "glBindVertexArray");
    FindGlFunction(vertexAttribPointer, "glVertexAttribPointer");
    FindGlFunction(enableVertexAttribArray, "glEnableVertexAttribArray");
    FindGlFunction(disableVertexAttribArray, "glDisableVertexAttribArray");
    return enable && disable && blendFunc && cullFace && clearColor && clear && getIntegerv && pixelStorei &&
           genTextures && bindTexture && texParameteri && texImage2D && copyTexSubImage2D && drawArrays &&
           createShader && shaderSource && compileShader && getShaderiv && getShaderInfoLog && createProgram &&
           attachShader && bindAttribLocation && linkProgram && getProgramiv && getProgramInfoLog && useProgram &&
           getUniformLocation && uniform1i && uniform1f && uniform2i && uniform4f && uniform4fv && genBuffers &&
           bindBuffer && bufferData && genVertexArrays && bindVertexArray && vertexAttribPointer &&
           enableVertexAttribArray && disableVertexAttribArray;
}

}  // namespace zint::gl
