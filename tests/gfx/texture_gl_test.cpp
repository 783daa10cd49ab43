#include <GL/gl.h>
#include <GL/glext.h>

#include "data/items.h"
#include "gfx/image_blob.h"
#include "gfx/texture.h"
#include "platform/image_encoder.h"
#include "tests/gfx/gl_window_fixture.h"
#include "tests/gfx/test_pictures.h"

namespace zint {
namespace {

using TextureUploadTest = test::PixelGlTest;

GLint LevelParameter(int level, GLenum parameter) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
}

GLint TextureParameter(GLenum parameter) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

bool IsPowerOfTwo(GLint side) { return side > 0 && (side & (side - 1)) == 0; }

// Every level from the base down to 1 x 1 exists, each half the one above.
void ExpectCompleteMipmapChain() {
    GLint width = LevelParameter(0, GL_TEXTURE_WIDTH);
    GLint height = LevelParameter(0, GL_TEXTURE_HEIGHT);
    EXPECT_TRUE(IsPowerOfTwo(width)) << width;
    EXPECT_TRUE(IsPowerOfTwo(height)) << height;
    int level = 0;
    while (width > 1 || height > 1) {
        ++level;
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        EXPECT_EQ(LevelParameter(level, GL_TEXTURE_WIDTH), width) << "level " << level;
        EXPECT_EQ(LevelParameter(level, GL_TEXTURE_HEIGHT), height) << "level " << level;
    }
}

void ExpectSamplingState() {
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

// Draws the bound texture over the rectangle at the origin, coordinates 0 to
// 1 with t = 0 on the bottom row.
void DrawTexturedRectangle(int width, int height) {
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, 0);
    glTexCoord2f(1, 0);
    glVertex2i(width, 0);
    glTexCoord2f(1, 1);
    glVertex2i(width, height);
    glTexCoord2f(0, 1);
    glVertex2i(0, height);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

std::vector<std::uint8_t> BgrToRgb(std::vector<std::uint8_t> pixels) {
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

TEST_F(TextureUploadTest, PictureOfOddSidesGetsAFullChainAndTheSamplingState) {
    const std::vector<std::uint8_t> picture = test::RampPicture(320, 240);
    Texture texture;
    texture.Upload(3, 320, 240, GL_BGR_EXT, picture.data());

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.name);
    ExpectCompleteMipmapChain();
    ExpectSamplingState();
}

TEST_F(TextureUploadTest, CoordinatesZeroToOneCoverTheWholeRescaledPicture) {
    const std::vector<std::uint8_t> picture = test::RampPicture(320, 240);
    Texture texture;
    texture.Upload(3, 320, 240, GL_BGR_EXT, picture.data());
    DrawTexturedRectangle(320, 240);

    const std::vector<std::uint8_t> drawn = test::ReadRgb(0, 0, 320, 240);
    EXPECT_LT(test::MeanAbsoluteDifference(drawn, BgrToRgb(picture)), 4.0);
    // The corners hold the picture's corners: neither cropped nor shifted.
    auto red = [&](int x, int y) { return drawn[static_cast<std::size_t>((y * 320 + x) * 3)]; };
    auto green = [&](int x, int y) { return drawn[static_cast<std::size_t>((y * 320 + x) * 3 + 1)]; };
    EXPECT_LT(red(1, 1), 8);
    EXPECT_GT(red(318, 1), 247);
    EXPECT_LT(green(1, 1), 8);
    EXPECT_GT(green(1, 238), 247);
}

TEST_F(TextureUploadTest, EmbeddedPicturesBecomeMipmappedTextures) {
    for (const unsigned char* item : {data::picture1, data::picture2}) {
        const MemoryFile file{0, static_cast<std::uint32_t>(data::ItemSize(item)), data::ItemBytes(item)};
        const std::unique_ptr<Texture> texture = DecodeImageBlob(file);
        ASSERT_NE(texture, nullptr);
        ExpectCompleteMipmapChain();
        ExpectSamplingState();
    }
}

TEST_F(TextureUploadTest, DecodedBlobIsUploadedBottomRowFirstInBlueGreenRedOrder) {
    // Rows of 30 * 3 bytes are not a multiple of 4: the upload must not skew.
    const int width = 30;
    const int height = 20;
    const std::vector<std::uint8_t> picture = test::RampPicture(width, height);
    const auto frame = platform::EncodeMjpegFrame(width, height, picture, 1);
    const auto blob = MakeImageBlob(FourCharacterCode("MJPG"), width, height, frame);
    const std::unique_ptr<Texture> texture =
        DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(blob.size()), blob.data()});
    ASSERT_NE(texture, nullptr);

    glBindTexture(GL_TEXTURE_2D, texture->name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    DrawTexturedRectangle(32, 32);  // the texture's own power-of-two size

    const std::vector<std::uint8_t> drawn = test::ReadRgb(0, 0, 32, 32);
    auto at = [&](int x, int y, int channel) { return int(drawn[static_cast<std::size_t>((y * 32 + x) * 3 + channel)]); };
    EXPECT_LT(at(0, 0, 0), 24);    // bottom left: no red, no green
    EXPECT_LT(at(0, 0, 1), 24);
    EXPECT_GT(at(31, 0, 0), 230);  // bottom right: red
    EXPECT_LT(at(31, 0, 1), 24);
    EXPECT_GT(at(0, 31, 1), 230);  // top left: green
    EXPECT_LT(at(0, 31, 0), 24);
}

TEST_F(TextureUploadTest, RefusedBlobMakesNoTexture) {
    std::vector<std::uint8_t> blob = MakeImageBlob(FourCharacterCode("MJPG"), 4, 4, {});
    blob[0] = 'k';
    EXPECT_EQ(DecodeImageBlob(MemoryFile{0, static_cast<std::uint32_t>(blob.size()), blob.data()}), nullptr);
}

}  // namespace
}  // namespace zint
