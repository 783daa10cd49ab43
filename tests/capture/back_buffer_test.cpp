#include "tools/zint_capture/back_buffer.h"

#include "tests/support/gl_window.h"

namespace zint::capture {
namespace {

using test::GlTest;
using test::Rgb;

void ClearRectangle(int x, int y, int width, int height, float r, float g, float b) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

Rgb At(const std::vector<std::uint8_t>& rgb, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

void ExpectSame(Rgb actual, Rgb expected, const char* where) {
    EXPECT_EQ(actual.r, expected.r) << where;
    EXPECT_EQ(actual.g, expected.g) << where;
    EXPECT_EQ(actual.b, expected.b) << where;
}

TEST_F(GlTest, BackBufferComesTopRowFirstAndLeavesThePixelStoreAlone) {
    ClearRectangle(0, 0, 640, 480, 0.0f, 0.0f, 1.0f);
    ClearRectangle(0, 470, 640, 10, 1.0f, 0.0f, 0.0f);  // OpenGL's rows count up: the top ten
    ClearRectangle(0, 0, 3, 480, 0.0f, 1.0f, 0.0f);     // the left three columns
    glPixelStorei(GL_PACK_ALIGNMENT, 8);

    std::vector<std::uint8_t> rgb;
    ReadBackBuffer(640, 480, rgb);
    ASSERT_EQ(rgb.size(), 640u * 480u * 3u);

    GLint alignment = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);

    ExpectSame(At(rgb, 100, 0), {255, 0, 0}, "top row");
    ExpectSame(At(rgb, 639, 9), {255, 0, 0}, "tenth row, right edge");
    ExpectSame(At(rgb, 100, 10), {0, 0, 255}, "eleventh row");
    ExpectSame(At(rgb, 639, 479), {0, 0, 255}, "bottom right");
    ExpectSame(At(rgb, 2, 479), {0, 255, 0}, "bottom left");
    ExpectSame(At(rgb, 3, 479), {0, 0, 255}, "fourth column");
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{320, 5}, std::pair{320, 240}, std::pair{639, 479}}) {
        ExpectSame(At(rgb, x, y), PixelAt(x, y), "as read pixel by pixel");
    }
}

}  // namespace
}  // namespace zint::capture
