#pragma once
// A real OpenGL context in an offscreen SDL window (SDL_VIDEODRIVER=offscreen
// in the test environment), with a 640 x 480 pixel-exact 2D projection whose
// origin is the bottom-left pixel, as glReadPixels counts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/system.h"

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

class GlWindowTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override {
        system = platform::CreateSdlSystem();
        window = system->CreateWindow(kWidth, kHeight, false);
        ASSERT_TRUE(window->Created()) << "no OpenGL context";
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

    std::unique_ptr<platform::System> system;
    std::unique_ptr<platform::Window> window;
};

}  // namespace zint::test
