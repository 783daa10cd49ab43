#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/items.h"
#include "gfx/texture.h"
#include "platform/system.h"
#include "scenes/random.h"
#include "scenes/texture_generator.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

class TextureUpload : public test::GlTest {
protected:
    static int LevelWidth(const Texture& texture, int level) {
        texture.Bind();
        GLint width = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        return width;
    }

    static std::vector<std::uint8_t> LevelZero(const Texture& texture) {
        texture.Bind();
        std::vector<std::uint8_t> texels(kGeneratorSize * kGeneratorSize * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    static std::vector<std::uint8_t> LayerBytes(const TextureGenerator& g, int layer) {
        return {g.Layer(layer).begin(), g.Layer(layer).end()};
    }
};

MemoryFile Record(const std::vector<std::uint8_t>& bytes) {
    return {0, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
}

TEST_F(TextureUpload, EmbeddedScriptUploadsItsLayerWithMipmapsRowZeroFirst) {
    TextureGenerator g;
    Texture texture;
    SeedRand(1);
    const auto* script = data::textureScript1;
    ASSERT_TRUE(RunTextureScript(
        g, {0, static_cast<std::uint32_t>(data::ItemSize(script)), data::ItemBytes(script)}, texture));
    EXPECT_EQ(LevelZero(texture), LayerBytes(g, 1));
    EXPECT_EQ(LevelWidth(texture, 8), 1) << "a full mipmap chain";
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUpload, LastUploadWinsAndARejectedScriptUploadsNothing) {
    TextureGenerator g;
    Texture texture;
    std::vector<std::uint8_t> script = {
        0x94, 0x3C, 0, 0, 4, 4,     //
        7, 0, 128, 64, 32, 0, 0, 0,  // RadialGlow 0
        0, 0, 0, 0, 0, 0, 0, 0,      // UploadLayer 0
        13, 0, 1, 0, 0, 0, 0, 0,     // InvertLayer 0 -> 1
        0, 1, 0, 0, 0, 0, 0, 0,      // UploadLayer 1
    };
    ASSERT_TRUE(RunTextureScript(g, Record(script), texture));
    EXPECT_EQ(LevelZero(texture), LayerBytes(g, 1));
    EXPECT_NE(LayerBytes(g, 0), LayerBytes(g, 1));

    Texture untouched;
    script[4] = 5;
    EXPECT_FALSE(RunTextureScript(g, Record(script), untouched));
    EXPECT_EQ(LevelWidth(untouched, 0), 0);
}

}  // namespace
}  // namespace zint
