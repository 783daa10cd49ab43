#include "scenes/grid_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

GridScene MakeProductionGrid() { return GridScene(21, 16, 640, 480, 32, 32, 12.0f); }

// Over the whole run at 60 frames a second the picture is spanned once
// across and once down (20 and 15 cells, not 21 and 16), every coordinate
// swinging at most an eighth of the picture about its place, and the first
// update, which ripples with the time before it, at the swing's peak.
TEST(GridScene, TextureCoordinatesWrapAboutTheirPlaceOverTheWholeRunThenTheSceneEnds) {
    GridScene grid = MakeProductionGrid();
    grid.Start();
    EXPECT_EQ(grid.fade, 1.0f);
    grid.Update(6.0f);
    for (int j = 0; j < 21; ++j) EXPECT_NEAR(grid.Vertex(0, j).u, j / 20.0f + 0.125f, 1e-6f) << j;
    grid.Start();
    grid.Update(1.0f / 60.0f);
    float lowest = 1.0f;
    float highest = -1.0f;
    for (int frame = 1; !grid.IsFinished(); ++frame) {
        for (int i = 0; i < 16; ++i) {
            for (int j = 0; j < 21; ++j) {
                const GridVertex& vertex = grid.Vertex(i, j);
                ASSERT_EQ(std::pair(vertex.x, vertex.y), std::pair(32.0f * j, 32.0f * i));
                const float du = vertex.u - j / 20.0f;
                const float dv = vertex.v - i / 15.0f;
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
    EXPECT_NEAR(grid.elapsed, 12.0f, 0.02f) << "ends on the first update past the duration";
}

// A picture red in its bottom half (the rows uploaded first) and blue on
// top, and white credits, drawn through the scene at its start and its end.
using GridSceneFrame = test::SceneTest;

TEST_F(GridSceneFrame, ShowsThePictureUprightAndFadesItOutWithTheFirstCreditsAsTheLastFadesIn) {
    set.textures[kPicture1Slot] = test::TwoTone({255, 0, 0}, {0, 0, 255});
    for (int text = 1; text <= 3; ++text) {
        set.textures[kFirstTextSlot + text] = test::TwoTone({255, 255, 255}, {255, 255, 255}, 4);
    }
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
    EXPECT_TRUE(SceneStateRestored());

    grid.Update(12.0f);
    grid.Update(0.0f);  // fade from t = 12
    grid.Render();
    EXPECT_LT(PixelAt(100, 100).b, 5);
    EXPECT_LT(PixelAt(470, 400).g, 5);
    EXPECT_GT(PixelAt(330, 340).g, 250);
}

}  // namespace
}  // namespace zint
