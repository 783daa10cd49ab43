// A script's uploads reach the texture row 0 first; the sampling state and
// the mipmaps every upload gets are checked in tests/gfx/texture_gl_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/texture.h"
#include "scenes/texture_generator.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes LevelZero(const Texture& texture) {
    texture.Bind();
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    Bytes texels(static_cast<std::size_t>(width * width * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

using TextureUpload = test::GlTest;

TEST_F(TextureUpload, LastUploadWinsAndARejectedScriptUploadsNothing) {
    TextureGenerator g;
    Texture texture;
    Bytes script = {
        0x94, 0x3C, 0, 0, 4, 4,      //
        7, 0, 128, 64, 32, 0, 0, 0,  // RadialGlow 0
        0, 0, 0, 0, 0, 0, 0, 0,      // UploadLayer 0
        13, 0, 1, 0, 0, 0, 0, 0,     // InvertLayer 0 -> 1
        0, 1, 0, 0, 0, 0, 0, 0,      // UploadLayer 1
    };
    ASSERT_TRUE(RunTextureScript(g, {0, static_cast<std::uint32_t>(script.size()), script.data()}, texture));
    const auto layer1 = g.Layer(1);
    EXPECT_EQ(LevelZero(texture), Bytes(layer1.begin(), layer1.end()));
    EXPECT_NE(g.Layer(0)[0], layer1[0]);

    Texture untouched;
    script[4] = 5;
    EXPECT_FALSE(RunTextureScript(g, {0, static_cast<std::uint32_t>(script.size()), script.data()}, untouched));
    EXPECT_TRUE(LevelZero(untouched).empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace zint
