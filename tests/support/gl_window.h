#pragma once
// A real OpenGL context for tests: an offscreen SDL window (the test
// environment selects SDL's offscreen driver) and read-back helpers.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/system.h"

namespace zint::test {

struct Rgb {
    int r;
    int g;
    int b;
};

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
        std::array<std::uint8_t, 4> rgba{};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(x, 480 - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return {rgba[0], rgba[1], rgba[2]};
    }

    std::unique_ptr<platform::System> system;
    std::unique_ptr<platform::Window> window;
};

}  // namespace zint::test
