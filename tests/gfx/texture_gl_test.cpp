// Every upload's state: the bound name, a full mipmap chain, repeat wrapping,
// trilinear minification and the modulating environment.
#include <GL/gl.h>

#include "gfx/image_blob.h"
#include "gfx/texture.h"
#include "platform/image_encoder.h"
#include "tests/gfx/test_pictures.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using TextureUploadTest = test::PixelGlTest;
using Sizes = std::vector<std::pair<GLint, GLint>>;

// Draws the bound texture over the rectangle at the origin, t = 0 on the
// bottom row, and reads it back blue-green-red as the pictures are packed.
std::vector<std::uint8_t> DrawTextured(int width, int height) {
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (const auto& [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        glTexCoord2i(s, t);
        glVertex2i(s * width, t * height);
    }
    glEnd();
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width * height * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGR, GL_UNSIGNED_BYTE, bgr.data());
    return bgr;
}

// GLU's rounding to powers of two takes 320 x 240 to 256 x 256.
TEST_F(TextureUploadTest, PictureOfOddSidesGetsTheStateAndCoordinatesZeroToOneCoverItWhole) {
    const std::vector<std::uint8_t> picture = test::RampPicture(320, 240);
    Texture texture;
    texture.Upload(3, 320, 240, GL_BGR, picture.data());
    std::vector<GLint> state(2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state[0]);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &state[1]);
    for (GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &state.emplace_back());
    }
    EXPECT_EQ(state, (std::vector<GLint>{GLint(texture.name), GL_MODULATE, GL_REPEAT, GL_REPEAT,
                                         GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR}));
    Sizes levels;
    Sizes expected;
    for (int level = 0; level < 10; ++level) {
        levels.emplace_back();
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &levels.back().first);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &levels.back().second);
        expected.emplace_back(256 >> level, 256 >> level);  // and none past 1 x 1
    }
    EXPECT_EQ(levels, expected);

    const std::vector<std::uint8_t> drawn = DrawTextured(320, 240);
    EXPECT_LT(test::MeanAbsoluteDifference(drawn, picture), 4.0);
    // The corners hold the picture's corners: neither cropped nor shifted.
    auto at = [&](int x, int y, int c) { return drawn[static_cast<std::size_t>((y * 320 + x) * 3 + c)]; };
    EXPECT_TRUE(at(1, 1, 2) < 8 && at(318, 1, 2) > 247 && at(1, 1, 1) < 8 && at(1, 238, 1) > 247);
}

TEST_F(TextureUploadTest, DecodedBlobsAreUploadedBottomRowFirstInBlueGreenRedOrder) {
    // Rows of 30 * 3 bytes are not a multiple of 4: the upload must not skew.
    const auto blob = MakeImageBlob(FourCharacterCode("MJPG"), 30, 20,
                                    platform::EncodeMjpegFrame(30, 20, test::RampPicture(30, 20), 1));
    const auto texture = DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(blob.size()), blob.data()});
    ASSERT_NE(texture, nullptr);
    texture->Bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Drawn at the texture's own power-of-two size: the ramp, resampled.
    EXPECT_LT(test::MeanAbsoluteDifference(DrawTextured(32, 32), test::RampPicture(32, 32)), 4.0);

    std::vector<std::uint8_t> refused = MakeImageBlob(FourCharacterCode("MJPG"), 4, 4, {});
    refused[0] = 'k';
    EXPECT_EQ(DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(refused.size()), refused.data()}), nullptr);
}

}  // namespace
}  // namespace zint
