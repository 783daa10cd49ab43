#include "tools/zint_capture/back_buffer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstring>

#include "platform/gl_functions.h"

namespace zint::capture {

namespace {

// Only calls that compatibility GL and OpenGL ES 3.0 both have, looked up the
// same way for both (the 1.x ones are typed after gl.h's declarations): RGBA
// is the one read-back format ES must support.
struct PackFunctions {
    decltype(&glGetIntegerv) getIntegerv = nullptr;
    decltype(&glPixelStorei) pixelStorei = nullptr;
    decltype(&glReadBuffer) readBuffer = nullptr;
    decltype(&glReadPixels) readPixels = nullptr;
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;
    PFNGLMAPBUFFERRANGEPROC mapBufferRange = nullptr;
    PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;

    bool Complete() const {
        return getIntegerv && pixelStorei && readBuffer && readPixels && genBuffers && deleteBuffers && bindBuffer &&
               bufferData && mapBufferRange && unmapBuffer;
    }
};

PackFunctions FindPackFunctions() {
    PackFunctions gl;
    platform::FindGlFunction(gl.getIntegerv, "glGetIntegerv");
    platform::FindGlFunction(gl.pixelStorei, "glPixelStorei");
    platform::FindGlFunction(gl.readBuffer, "glReadBuffer");
    platform::FindGlFunction(gl.readPixels, "glReadPixels");
    platform::FindGlFunction(gl.genBuffers, "glGenBuffers");
    platform::FindGlFunction(gl.deleteBuffers, "glDeleteBuffers");
    platform::FindGlFunction(gl.bindBuffer, "glBindBuffer");
    platform::FindGlFunction(gl.bufferData, "glBufferData");
    platform::FindGlFunction(gl.mapBufferRange, "glMapBufferRange");
    platform::FindGlFunction(gl.unmapBuffer, "glUnmapBuffer");
    return gl;
}

// The pack state a read changes, put back afterwards as the scenes left it.
class SavedPackState {
public:
    explicit SavedPackState(const PackFunctions& gl) : gl(gl) {
        for (std::size_t i = 0; i < kNames.size(); ++i) gl.getIntegerv(kNames[i], &values[i]);
    }
    ~SavedPackState() {
        for (std::size_t i = 0; i < kStoreCount; ++i) gl.pixelStorei(kNames[i], values[i]);
        gl.readBuffer(static_cast<GLenum>(values[kStoreCount]));
        gl.bindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(values[kStoreCount + 1]));
    }
    SavedPackState(const SavedPackState&) = delete;
    SavedPackState& operator=(const SavedPackState&) = delete;

private:
    static constexpr std::size_t kStoreCount = 4;
    static constexpr std::array<GLenum, kStoreCount + 2> kNames{
        GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_READ_BUFFER,
        GL_PIXEL_PACK_BUFFER_BINDING};
    const PackFunctions& gl;
    std::array<GLint, kNames.size()> values{};
};

// RGBA rows from the bottom to RGB rows from the top.
void CopyFlipped(const std::uint8_t* rgba, int width, int height, std::uint8_t* rgb) {
    const auto pixels = static_cast<std::size_t>(width);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* from = rgba + static_cast<std::size_t>(height - 1 - row) * pixels * 4;
        std::uint8_t* to = rgb + static_cast<std::size_t>(row) * pixels * 3;
        for (std::size_t x = 0; x < pixels; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
    }
}

}  // namespace

void ReadBackBuffer(int width, int height, std::vector<std::uint8_t>& rgb) {
    static const PackFunctions gl = FindPackFunctions();
    if (!gl.Complete() || width <= 0 || height <= 0) {
        rgb.clear();
        return;
    }
    const auto bytes = static_cast<GLsizeiptr>(width) * height * 4;
    const SavedPackState saved(gl);
    // The pixels go into a buffer object the driver fills on its own terms and
    // are then copied out once, converted and flipped in the same pass.
    GLuint buffer = 0;
    gl.genBuffers(1, &buffer);
    gl.bindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    gl.bufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    gl.pixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.pixelStorei(GL_PACK_ROW_LENGTH, 0);
    gl.pixelStorei(GL_PACK_SKIP_ROWS, 0);
    gl.pixelStorei(GL_PACK_SKIP_PIXELS, 0);
    gl.readBuffer(GL_BACK);
    gl.readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const auto* rgba =
        static_cast<const std::uint8_t*>(gl.mapBufferRange(GL_PIXEL_PACK_BUFFER, 0, bytes, GL_MAP_READ_BIT));
    if (rgba == nullptr) {
        rgb.clear();
    } else {
        rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        CopyFlipped(rgba, width, height, rgb.data());
        gl.unmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    gl.deleteBuffers(1, &buffer);
}

}  // namespace zint::capture
