// Every upload's state: the bound name, a full mipmap chain, repeat wrapping,
// trilinear minification and the modulating environment.
#include <GL/gl.h>
#include <GL/glext.h>

#include "gfx/image_blob.h"
#include "gfx/texture.h"
#include "platform/image_encoder.h"
#include "tests/gfx/gl_window_fixture.h"
#include "tests/gfx/test_pictures.h"

namespace zint {
namespace {

using TextureUploadTest = test::PixelGlTest;

GLint Level(int level, GLenum parameter) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
}

void ExpectUploadState(GLuint name) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    GLint width = Level(0, GL_TEXTURE_WIDTH);
    GLint height = Level(0, GL_TEXTURE_HEIGHT);
    EXPECT_TRUE(width > 0 && (width & (width - 1)) == 0 && height > 0 && (height & (height - 1)) == 0)
        << width << "x" << height;
    for (int level = 1; width > 1 || height > 1; ++level) {
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        EXPECT_EQ(std::pair(Level(level, GL_TEXTURE_WIDTH), Level(level, GL_TEXTURE_HEIGHT)), std::pair(width, height))
            << "level " << level;
    }
    std::vector<GLint> state(1);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &state[0]);
    for (GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &state.emplace_back());
    }
    EXPECT_EQ(state, (std::vector<GLint>{GL_MODULATE, GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR}));
}

// Draws the bound texture over the rectangle at the origin, t = 0 on the bottom row.
std::vector<std::uint8_t> DrawTextured(int width, int height) {
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (const auto& [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        glTexCoord2i(s, t);
        glVertex2i(s * width, t * height);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    return test::ReadRgb(0, 0, width, height);
}

TEST_F(TextureUploadTest, PictureOfOddSidesGetsTheStateAndCoordinatesZeroToOneCoverItWhole) {
    const std::vector<std::uint8_t> picture = test::RampPicture(320, 240);
    Texture texture;
    texture.Upload(3, 320, 240, GL_BGR_EXT, picture.data());
    ExpectUploadState(texture.name);
    const std::vector<std::uint8_t> drawn = DrawTextured(320, 240);
    std::vector<std::uint8_t> rgb = picture;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    EXPECT_LT(test::MeanAbsoluteDifference(drawn, rgb), 4.0);
    // The corners hold the picture's corners: neither cropped nor shifted.
    auto at = [&](int x, int y, int c) { return drawn[static_cast<std::size_t>((y * 320 + x) * 3 + c)]; };
    EXPECT_TRUE(at(1, 1, 0) < 8 && at(318, 1, 0) > 247 && at(1, 1, 1) < 8 && at(1, 238, 1) > 247);
}

TEST_F(TextureUploadTest, DecodedBlobsAreUploadedBottomRowFirstInBlueGreenRedOrder) {
    // Rows of 30 * 3 bytes are not a multiple of 4: the upload must not skew.
    const auto blob = MakeImageBlob(FourCharacterCode("MJPG"), 30, 20,
                                    platform::EncodeMjpegFrame(30, 20, test::RampPicture(30, 20), 1));
    const auto texture = DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(blob.size()), blob.data()});
    ASSERT_NE(texture, nullptr);
    texture->Bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const std::vector<std::uint8_t> drawn = DrawTextured(32, 32);  // the texture's own power-of-two size
    auto at = [&](int x, int y, int c) { return drawn[static_cast<std::size_t>((y * 32 + x) * 3 + c)]; };
    EXPECT_TRUE(at(0, 0, 0) < 24 && at(0, 0, 1) < 24) << "bottom left: no red, no green";
    EXPECT_TRUE(at(31, 0, 0) > 230 && at(31, 0, 1) < 24) << "bottom right: red";
    EXPECT_TRUE(at(0, 31, 1) > 230 && at(0, 31, 0) < 24) << "top left: green";

    std::vector<std::uint8_t> refused = MakeImageBlob(FourCharacterCode("MJPG"), 4, 4, {});
    refused[0] = 'k';
    EXPECT_EQ(DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(refused.size()), refused.data()}), nullptr);
}

}  // namespace
}  // namespace zint
