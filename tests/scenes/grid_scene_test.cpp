#include "scenes/grid_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/resources.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

GridScene MakeProductionGrid() { return GridScene(21, 16, 640, 480, 32, 32, 12.0f); }

TEST(GridScene, VerticesCoverTheScreenByRepeatedAddition) {
    const GridScene grid = MakeProductionGrid();
    ASSERT_EQ(grid.vertices.size(), 21u * 16u);
    float v = 0.0f;
    for (int i = 0; i < 16; ++i, v += 1.0f / 16.0f) {
        float u = 0.0f;
        for (int j = 0; j < 21; ++j, u += 1.0f / 21.0f) {
            const GridVertex& vertex = grid.Vertex(i, j);
            EXPECT_EQ((std::array{vertex.x, vertex.y, vertex.u, vertex.v}), (std::array{32.0f * j, 32.0f * i, u, v}));
        }
    }
}

TEST(GridScene, FadeStartsAtOneAndTheSceneEndsStrictlyAfterItsDuration) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    EXPECT_EQ(grid.fade, 1.0f);
    grid.Update(12.0f);
    EXPECT_FALSE(grid.IsFinished());
    grid.Update(0.001f);
    EXPECT_TRUE(grid.IsFinished());
    EXPECT_NEAR(grid.fade, 0.0f, 1e-6f) << "the update at t = 12 fades to black";
}

// Over the whole run at 60 frames a second the picture is spanned once
// across and once down (20 and 15 cells, not 21 and 16), every coordinate
// swinging at most an eighth of the picture about its place, and the first
// update, which ripples with the time before it, at the swing's peak.
TEST(GridScene, TextureCoordinatesStayAboutTheirPlaceOverTheWholeRun) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    grid.Update(6.0f);
    for (int j = 0; j < 21; ++j) EXPECT_NEAR(grid.Vertex(0, j).u, j / 20.0f + 0.125f, 1e-6f) << j;
    grid.Start();
    grid.Update(1.0f / 60.0f);
    float lowest = 1.0f;
    float highest = -1.0f;
    for (int frame = 1; !grid.IsFinished(); ++frame) {
        for (int i = 0; i < 16; ++i) {
            for (int j = 0; j < 21; ++j) {
                const float du = grid.Vertex(i, j).u - j / 20.0f;
                const float dv = grid.Vertex(i, j).v - i / 15.0f;
                ASSERT_LE(std::max(std::abs(du), std::abs(dv)), 0.125f + 1e-5f) << frame << ": " << i << "," << j;
                lowest = std::min({lowest, du, dv});
                highest = std::max({highest, du, dv});
            }
        }
        EXPECT_EQ(grid.Vertex(0, 0).v, 0.0f);
        grid.Update(1.0f / 60.0f);
    }
    EXPECT_LT(lowest, -0.12f) << "the ripple swings both ways";
    EXPECT_GT(highest, 0.12f);
}

// A picture red in its bottom half (the rows uploaded first) and blue on
// top, and white text textures, drawn through the scene.
class GridSceneFrame : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set.font = std::make_unique<TextFont>();
        set.font->height = 32;
        set.textures[kPicture1Slot] = test::MakeTexture(64, 64, [](int, int row) {
            return row < 32 ? test::Rgb{255, 0, 0} : test::Rgb{0, 0, 255};
        });
        for (int text = 1; text <= 3; ++text) {
            set.textures[kFirstTextSlot + text] = test::SolidTexture({255, 255, 255});
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
    EXPECT_TRUE(top.b > 200 && top.r < 50) << top.r << " " << top.b;
    EXPECT_TRUE(bottom.r > 200 && bottom.b < 50) << bottom.r << " " << bottom.b;
    EXPECT_GT(PixelAt(639, 479).r, 200) << "the strips reach the bottom-right corner";
    EXPECT_GT(PixelAt(470, 400).g, 200) << "credit 1, added on top of the picture";
    EXPECT_LT(PixelAt(330, 340).g, 50) << "credit 3, still black";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
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
