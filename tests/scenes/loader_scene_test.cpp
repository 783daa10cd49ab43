#include "scenes/loader_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/items.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

// Level 0 of a texture, RGBA, row 0 first.
struct TexelImage {
    explicit TexelImage(const Texture& texture) {
        texture.Bind();
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        rgba.resize(static_cast<std::size_t>(width * height * 4));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    const std::uint8_t* At(int column, int row) const {
        return &rgba[static_cast<std::size_t>((row * width + column) * 4)];
    }
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// The lowest and highest row and the leftmost and rightmost column of the
// texels that are not black, and how many of those are not white.
std::array<int, 5> LitExtent(const TexelImage& texels) {
    std::array<int, 5> extent{texels.height, -1, texels.width, -1, 0};
    for (int row = 0; row < texels.height; ++row) {
        for (int column = 0; column < texels.width; ++column) {
            const std::uint8_t* texel = texels.At(column, row);
            if ((texel[0] | texel[1] | texel[2]) == 0) continue;
            extent = {std::min(extent[0], row), std::max(extent[1], row), std::min(extent[2], column),
                      std::max(extent[3], column), extent[4] + ((texel[0] & texel[1] & texel[2]) != 255)};
        }
    }
    return extent;
}

// The loader draws to the fixture, which passes every call on to the real
// window and keeps each frame as it is swapped.
class LoaderSceneTest : public test::SceneTest, public platform::Window {
protected:
    bool Created() const override { return window->Created(); }
    platform::WindowEvent PollEvent() override { return window->PollEvent(); }
    void SwapBuffers() override {
        frames.emplace_back();
        window->SwapBuffers();
    }
    void Destroy() override { window->Destroy(); }
    std::unique_ptr<LoaderScene> MakeLoader(PictureBlobs pictures = EmbeddedPictures()) {
        return std::make_unique<LoaderScene>(*this, pictures);
    }
    std::vector<test::BackBuffer> frames;
};

TEST(PowerOfTwoAtLeast, RoundsUpToThePowerOfTwoAndNeverBelowOne) {
    for (const auto& [pixels, side] : {std::pair{256, 256}, {257, 512}, {3, 4}, {2, 2}, {1, 1}, {0, 1}, {-7, 1}}) {
        EXPECT_EQ(PowerOfTwoAtLeast(pixels), side) << pixels;
    }
}

TEST_F(LoaderSceneTest, ShowsABlackFrameThenText0At340FillsTheFifteenSlotsAndLeavesTheSceneState) {
    auto loader = MakeLoader();
    ASSERT_TRUE(resources != nullptr && resources != &set) << "construction publishes its own set";
    EXPECT_FALSE(loader->IsFinished()) << "nothing is loaded before Start";
    EXPECT_TRUE(loader->Start());
    EXPECT_TRUE(loader->IsFinished() && resources->loaded);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(SceneStateRestored());
    std::vector<GLint> values;
    for (const GLenum name : {GL_CULL_FACE_MODE, GL_MATRIX_MODE, GL_LIST_BASE, GL_MODELVIEW_STACK_DEPTH,
                              GL_PROJECTION_STACK_DEPTH}) {
        glGetIntegerv(name, &values.emplace_back());
    }
    EXPECT_EQ(values, (std::vector<GLint>{GL_BACK, GL_MODELVIEW, 0, 1, 1}));
    std::array<GLfloat, 16> projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    // Top-left pixel origin, y growing downwards.
    EXPECT_EQ((std::array{projection[0], projection[5], projection[12], projection[13]}),
              (std::array{2.0f / 640.0f, -2.0f / 480.0f, -1.0f, 1.0f}));

    std::vector<GLuint> names;
    for (const auto& texture : resources->textures) names.push_back(texture ? texture->name : 0);
    std::ranges::sort(names);
    EXPECT_TRUE(names[0] != 0 && std::ranges::adjacent_find(names) == names.end()) << "fifteen distinct textures";
    EXPECT_EQ(resources->generator, nullptr) << "the freed generator is not left behind";
    // Each embedded script uploads a whole layer.
    for (const int slot : {kGeneratedTexture1Slot, kGeneratedTexture2Slot}) {
        EXPECT_EQ(TexelImage(*resources->textures[slot]).width, 256) << slot;
    }
    for (int k = 0; k < kScrollerTextCount; ++k) {
        const int advances = resources->font->TextWidth(ScrollerTexts[k]);
        const int width = resources->textWidths[k];
        ASSERT_GT(advances, 1) << "the font must give the texts a width";
        EXPECT_TRUE(width >= advances && width / 2 < advances && (width & (width - 1)) == 0) << k << ": " << width;
        const TexelImage texels(*resources->textures[kFirstTextSlot + k]);
        EXPECT_EQ(std::pair(texels.width, texels.height), std::pair(width, 64)) << k;
    }

    ASSERT_EQ(frames.size(), 2u) << "a black frame, then the loading screen";
    EXPECT_TRUE(std::ranges::all_of(frames[0].rgb, [](std::uint8_t v) { return v == 0; }));
    // Text 0 at one texel per pixel in the box from (340, 340), its first row
    // at the bottom (row 76 + row counted from the bottom), white on black.
    const TexelImage text(*resources->textures[kFirstTextSlot]);
    std::vector<std::uint8_t> expected(640 * 480 * 3, 0);
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < resources->textWidths[0]; ++column) {
            const auto at = expected.begin() + ((76 + row) * 640 + 340 + column) * 3;
            std::fill(at, at + 3, text.At(column, row)[0]);
        }
    }
    EXPECT_TRUE(frames[1].rgb == expected);
    EXPECT_GT(std::ranges::count(expected, 255), 600) << "the loading line is visible";
    loader.reset();
    EXPECT_EQ(resources, nullptr) << "destroying the scene withdraws the shared set";
}

TEST_F(LoaderSceneTest, TextSitsOnItsBaselineAtTheLeftInWhiteAndIsBlackBeyondTheWindow) {
    const auto loader = MakeLoader();  // creates the font
    const TextFont& font = *resources->font;
    int width = 0;
    const TexelImage texels(*BuildTextTexture(font, "HHH", width));
    EXPECT_EQ(width, PowerOfTwoAtLeast(3 * font.advances['H']));
    const auto [lowest, highest, leftmost, rightmost, grey] = LitExtent(texels);
    EXPECT_EQ(grey, 0) << "white on black";
    EXPECT_EQ(lowest, 16) << "the baseline is half the font height above the bottom";
    EXPECT_TRUE(highest > 32 && highest < 64) << "capitals rise well above the baseline";
    EXPECT_LT(leftmost, 4) << "the text starts at the left edge";
    EXPECT_EQ(PixelAt(leftmost, 479 - lowest).r, 0) << "the buffer is cleared after";

    // Beyond the window the copy reaches nothing: those texels start black.
    const TexelImage wide(*BuildTextTexture(font, std::string(640 / std::max(1, font.advances['W']) + 2, 'W'), width));
    ASSERT_EQ(width, 1024);
    const std::array<int, 5> extent = LitExtent(wide);
    EXPECT_TRUE(extent[3] >= 0 && extent[3] < 640) << "lit only where the window reaches: " << extent[3];
}

// A copy of an embedded picture whose magic no longer reads "KNOT" stops the
// build where it stands; the loading screen was already shown.
TEST_F(LoaderSceneTest, BrokenPictureStopsTheBuildKeepingWhatCameBefore) {
    for (const unsigned char* item : {data::picture1, data::picture2}) {
        std::vector<std::uint8_t> broken(data::ItemSpan(item).begin(), data::ItemSpan(item).end());
        broken[0] = 'X';
        PictureBlobs pictures = EmbeddedPictures();
        const bool first = item == data::picture1;
        (first ? pictures.picture1 : pictures.picture2) = {0, static_cast<std::uint32_t>(broken.size()), broken.data()};
        frames.clear();
        const auto loader = MakeLoader(pictures);
        EXPECT_FALSE(loader->Start() || loader->IsFinished() || resources->loaded);
        EXPECT_EQ(resources->textures[kPicture1Slot] == nullptr, first);
        for (int slot = kPicture2Slot; slot < kTextureSlots; ++slot) {
            EXPECT_EQ(resources->textures[slot] == nullptr, slot < kFirstTextSlot) << "slot " << slot;
        }
        EXPECT_EQ(frames.size(), 2u);
    }
}

}  // namespace
}  // namespace zint
