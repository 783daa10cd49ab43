#pragma once
// The shared offscreen context with a 640 x 480 pixel-exact 2D projection
// whose origin is the bottom-left pixel, as glReadPixels and the raster
// position count.
#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "tests/support/gl_window.h"

namespace zint::test {

// Red, green, blue bytes of a rectangle of the back buffer, bottom row first.
inline std::vector<std::uint8_t> ReadRgb(int x, int y, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

inline std::array<float, 4> RasterPosition() {
    std::array<float, 4> position{};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position.data());
    return position;
}

class PixelGlTest : public GlTest {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure()) return;
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, 0, kHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

}  // namespace zint::test
