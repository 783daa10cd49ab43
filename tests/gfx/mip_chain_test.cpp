#include "gfx/mip_chain.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstdint>
#include <tuple>
#include <vector>

#include "gfx/texture.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using MipChainTest = test::GlTest;

std::vector<std::uint8_t> Noise(std::size_t byteCount) {
    std::vector<std::uint8_t> bytes(byteCount);
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// Every level gluBuild2DMipmaps makes of the picture, read back packed; by
// channel count, sized formats, so the bytes come back exactly as GLU made them.
std::vector<MipLevel> GluChain(int channels, int width, int height, const std::vector<std::uint8_t>& pixels,
                               int alignment) {
    const GLenum format = std::array{GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA}[channels - 1];
    const GLint sized = std::array{GL_LUMINANCE8, GL_LUMINANCE8_ALPHA8, GL_RGB8, GL_RGBA8}[channels - 1];
    Texture texture;
    texture.Bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const GLint error = gluBuild2DMipmaps(GL_TEXTURE_2D, sized, width, height, format, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<MipLevel> chain;
    for (int level = 0; error == 0; ++level) {
        MipLevel mip;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &mip.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &mip.height);
        if (mip.width == 0) break;
        mip.pixels.resize(static_cast<std::size_t>(mip.width * mip.height * channels));
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, mip.pixels.data());
        chain.push_back(std::move(mip));
    }
    return chain;
}

// GLU uploads the first level it computes itself with the caller's unpack
// alignment although it packs it tightly; with alignment 4 the cases keep
// that level's rows a multiple of 4 bytes, where GLU's result is sound.
TEST_F(MipChainTest, LevelsMatchGluByteForByte) {
    const std::array<int, 4> cases[] = {
        // channels, width, height, alignment
        {3, 320, 240, 1},  // the pictures: shrunk across, grown up
        {3, 256, 256, 1},  // pictures and generated textures: halved only
        {3, 256, 256, 4},  {1, 5, 3, 1},  {4, 5, 3, 4},  {2, 1, 7, 1},  {3, 7, 3, 4},
        {3, 257, 1, 1},    // GLU leaves it black
        {1, 13, 3, 1},     {1, 13, 3, 4},  // rows of 13 bytes, padded to 16
        {3, 685, 613, 1},  // where the order of GLU's float sums shows, in one byte
    };
    for (const auto& [channels, width, height, alignment] : cases) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << " x " << channels << ", aligned " << alignment);
        const std::vector<std::uint8_t> pixels = Noise(static_cast<std::size_t>((width * channels + 3) * height));
        const std::vector<MipLevel> expected = GluChain(channels, width, height, pixels, alignment);
        const std::vector<MipLevel> chain = BuildMipChain(channels, width, height, pixels, alignment, 16384);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(chain.size(), expected.size());
        for (std::size_t level = 0; level < chain.size(); ++level) {
            const MipLevel& glu = expected[level];
            EXPECT_TRUE(std::tie(chain[level].width, chain[level].height, chain[level].pixels) ==
                        std::tie(glu.width, glu.height, glu.pixels))
                << "level " << level;
        }
    }
}

TEST(MipChain, RefusedInputGivesNoLevels) {
    const std::vector<std::uint8_t> pixels(4 * 4 * 3);
    EXPECT_TRUE(BuildMipChain(3, 0, 4, pixels, 1, 64).empty());
    EXPECT_TRUE(BuildMipChain(3, 4, -1, pixels, 1, 64).empty());
    EXPECT_TRUE(BuildMipChain(5, 4, 4, pixels, 1, 64).empty());
    EXPECT_TRUE(BuildMipChain(3, 4, 4, pixels, 3, 64).empty());
    EXPECT_TRUE(BuildMipChain(3, 4, 4, std::span(pixels).first(pixels.size() - 1), 1, 64).empty());
    EXPECT_TRUE(BuildMipChain(3, 4, 4, pixels, 1, 0).empty());
    EXPECT_EQ(BuildMipChain(3, 4, 4, pixels, 1, 64).size(), 3u);  // the same picture, whole, is taken
}

}  // namespace
}  // namespace zint
