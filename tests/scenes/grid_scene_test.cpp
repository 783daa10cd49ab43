#include "scenes/grid_scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "gfx/resources.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

GridScene MakeProductionGrid() { return GridScene(21, 16, 640, 480, 32, 32, 12.0f); }

TEST(GridScene, VerticesCoverTheScreenByRepeatedAddition) {
    const GridScene grid = MakeProductionGrid();
    ASSERT_EQ(grid.vertices.size(), 21u * 16u);
    float u = 0.0f;
    float v = 0.0f;
    for (int i = 0; i < 16; ++i, v += 1.0f / 16.0f) {
        u = 0.0f;
        for (int j = 0; j < 21; ++j, u += 1.0f / 21.0f) {
            const GridVertex& vertex = grid.Vertex(i, j);
            EXPECT_EQ(vertex.x, 32.0f * j);
            EXPECT_EQ(vertex.y, 32.0f * i);
            EXPECT_EQ(vertex.u, u);
            EXPECT_EQ(vertex.v, v);
        }
    }
    EXPECT_EQ(grid.Vertex(15, 20).x, 640.0f);
    EXPECT_EQ(grid.Vertex(15, 20).y, 480.0f);
}

TEST(GridScene, FadeStartsAtOneAndTheSceneEndsStrictlyAfterItsDuration) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    EXPECT_EQ(grid.fade, 1.0f);
    EXPECT_FALSE(grid.IsFinished());
    grid.Update(12.0f);
    EXPECT_EQ(grid.elapsed, 12.0f);
    EXPECT_FALSE(grid.IsFinished());
    grid.Update(0.001f);
    EXPECT_TRUE(grid.IsFinished());
    EXPECT_NEAR(grid.fade, 0.0f, 1e-6f) << "the update at t = 12 fades to black";
}

TEST(GridScene, FirstUpdateSpansThePictureOnceWithTheRippleAtItsPeak) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    grid.Update(0.02f);
    float v = 0.0f;
    for (int i = 0; i < 16; ++i, v += 1.0f / 15.0f) {
        float u = 0.0f;
        for (int j = 0; j < 21; ++j, u += 1.0f / 20.0f) {
            EXPECT_EQ(grid.Vertex(i, j).u, u + 0.125f);
            EXPECT_EQ(grid.Vertex(i, j).v, v);
        }
    }
    // Positions never move.
    EXPECT_EQ(grid.Vertex(3, 4).x, 128.0f);
    EXPECT_EQ(grid.Vertex(3, 4).y, 96.0f);
}

TEST(GridScene, RippleUsesTheTimeBeforeTheUpdate) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    grid.Update(6.0f);
    grid.Update(0.0f);
    const float t = 6.0f;
    const float expectedU = 0.25f + 0.125f * std::cos(5.0f * 3.1415927f * t * 0.011111111f);
    EXPECT_NEAR(grid.Vertex(0, 5).u, expectedU, 1e-6f);
    EXPECT_NEAR(grid.fade, std::cos(t * 1.5707964f / 12.0f), 1e-7f);
}

// A picture whose bottom half (the rows uploaded first) is red and top half
// blue, and white text textures, drawn through the scene.
class GridSceneFrame : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::vector<unsigned char> picture(64 * 64 * 3);
        for (int row = 0; row < 64; ++row) {
            for (int column = 0; column < 64; ++column) {
                unsigned char* texel = &picture[(row * 64 + column) * 3];
                texel[0] = row < 32 ? 255 : 0;
                texel[2] = row < 32 ? 0 : 255;
            }
        }
        const std::vector<unsigned char> white(64 * 64 * 3, 255);
        set.font = std::make_unique<TextFont>();
        set.font->height = 32;
        set.textures[kPicture1Slot] = std::make_unique<Texture>();
        set.textures[kPicture1Slot]->Upload(3, 64, 64, GL_RGB, picture.data());
        for (int text = 1; text <= 3; ++text) {
            set.textures[kFirstTextSlot + text] = std::make_unique<Texture>();
            set.textures[kFirstTextSlot + text]->Upload(3, 64, 64, GL_RGB, white.data());
            set.textWidths[text] = 64;
        }
        resources = &set;
    }

    void TearDown() override {
        resources = nullptr;
        GlTest::TearDown();
    }

    Resources set;
};

TEST_F(GridSceneFrame, ShowsThePictureUprightWithTheFirstCreditsAtFullBrightness) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    grid.Render();

    const test::Rgb top = PixelAt(100, 100);
    const test::Rgb bottom = PixelAt(100, 420);
    EXPECT_GT(top.b, 200);
    EXPECT_LT(top.r, 50);
    EXPECT_GT(bottom.r, 200);
    EXPECT_LT(bottom.b, 50);
    EXPECT_GT(PixelAt(639, 479).r, 200) << "the strips reach the bottom-right corner";

    const test::Rgb credit = PixelAt(470, 400);  // credit 1, added on top of the picture
    EXPECT_GT(credit.g, 200);
    const test::Rgb hidden = PixelAt(330, 340);  // credit 3, still black
    EXPECT_LT(hidden.g, 50);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GridSceneFrame, AtTheEndOnlyTheLastCreditShows) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    grid.Update(12.0f);
    grid.Update(0.0f);  // fade from t = 12
    grid.Render();

    EXPECT_LT(PixelAt(100, 100).b, 5);
    EXPECT_LT(PixelAt(470, 400).g, 5);
    EXPECT_GT(PixelAt(330, 340).g, 250);
}

}  // namespace
}  // namespace zint
