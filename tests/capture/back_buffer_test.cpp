#include "tools/zint_capture/back_buffer.h"

#include "tests/support/gl_window.h"

namespace zint::capture {
namespace {

using test::GlTest;

TEST_F(GlTest, BackBufferComesTopRowFirstAndLeavesThePackStateAlone) {
    const auto fill = [](int x, int y, int width, int height, float r, float g, float b) {
        glScissor(x, y, width, height);
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    glEnable(GL_SCISSOR_TEST);
    fill(0, 0, 640, 480, 0.0f, 0.0f, 1.0f);
    fill(0, 470, 640, 10, 1.0f, 0.0f, 0.0f);  // OpenGL's rows count up: the top ten
    fill(0, 0, 3, 480, 0.0f, 1.0f, 0.0f);     // the left three columns
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 700);

    std::vector<std::uint8_t> rgb;
    ReadBackBuffer(640, 480, rgb);
    GLint alignment = 0;
    GLint rowLength = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment * 1000 + rowLength, 8 * 1000 + 700);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);

    std::vector<std::uint8_t> expected;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const int colour = x < 3 ? 1 : y < 10 ? 0 : 2;  // green, red or blue
            for (int channel = 0; channel < 3; ++channel) expected.push_back(channel == colour ? 255 : 0);
        }
    }
    EXPECT_TRUE(rgb == expected);
}

}  // namespace
}  // namespace zint::capture
