#pragma once
// A real OpenGL context for tests: an offscreen SDL window (the test
// environment selects SDL's offscreen driver) and read-back helpers.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/system.h"

namespace zint::test {

struct Rgb {
    int r, g, b;
};

// Red, green, blue bytes of a rectangle of the back buffer, bottom row first.
inline std::vector<std::uint8_t> ReadRgb(int x, int y, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class GlTest : public ::testing::Test {
protected:
    void SetUp() override {
        system = platform::CreateSdlSystem();
        window = system->CreateWindow(640, 480, false);
        ASSERT_TRUE(window->Created()) << "no offscreen OpenGL context";
    }

    void TearDown() override {
        if (window) window->Destroy();
    }

    // The pixel at (x, y) counted from the top-left corner of the back buffer.
    static Rgb PixelAt(int x, int y) {
        const std::vector<std::uint8_t> rgb = ReadRgb(x, 480 - 1 - y, 1, 1);
        return {rgb[0], rgb[1], rgb[2]};
    }

    std::unique_ptr<platform::System> system;
    std::unique_ptr<platform::Window> window;
};

// A pixel-exact 2D projection of the 640 x 480 window whose origin is the
// bottom-left pixel, as glReadPixels and the raster position count.
class PixelGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure()) return;
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, 640, 0, 480, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glClear(GL_COLOR_BUFFER_BIT);  // to the new context's black
    }
    static float RasterX() {
        std::array<float, 4> position{};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position.data());
        return position[0];
    }
};

}  // namespace zint::test
