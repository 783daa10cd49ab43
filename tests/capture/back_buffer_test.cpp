#include "tools/zint_capture/back_buffer.h"

#include "tests/support/gl_window.h"

namespace zint::capture {
namespace {

void ClearRectangle(int x, int y, int width, int height, float r, float g, float b) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

using test::GlTest;

TEST_F(GlTest, BackBufferComesTopRowFirstAndLeavesThePackStateAlone) {
    ClearRectangle(0, 0, 640, 480, 0.0f, 0.0f, 1.0f);
    ClearRectangle(0, 470, 640, 10, 1.0f, 0.0f, 0.0f);  // OpenGL's rows count up: the top ten
    ClearRectangle(0, 0, 3, 480, 0.0f, 1.0f, 0.0f);     // the left three columns
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 700);

    std::vector<std::uint8_t> rgb;
    ReadBackBuffer(640, 480, rgb);
    ASSERT_EQ(rgb.size(), 640u * 480u * 3u);
    GLint alignment = 0;
    GLint rowLength = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment * 1000 + rowLength, 8 * 1000 + 700);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);

    struct Spot {
        int x, y, r, g, b;
    };
    for (const Spot& spot : {Spot{100, 0, 255, 0, 0}, Spot{639, 9, 255, 0, 0}, Spot{100, 10, 0, 0, 255},
                             Spot{639, 479, 0, 0, 255}, Spot{2, 479, 0, 255, 0}, Spot{3, 479, 0, 0, 255}}) {
        const std::size_t at = (static_cast<std::size_t>(spot.y) * 640 + static_cast<std::size_t>(spot.x)) * 3;
        EXPECT_EQ(rgb[at] << 16 | rgb[at + 1] << 8 | rgb[at + 2], spot.r << 16 | spot.g << 8 | spot.b)
            << spot.x << "," << spot.y;
    }
}

}  // namespace
}  // namespace zint::capture
