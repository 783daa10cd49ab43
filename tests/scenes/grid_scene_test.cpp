#include "scenes/grid_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using GridSceneTest = test::SceneTest;

// A picture red in its bottom half (the rows uploaded first) and blue on top,
// and white credits, through the production grid. Over the whole run at 60
// frames a second the picture is spanned once across and once down (20 and 15
// cells, not 21 and 16), every coordinate swinging at most an eighth of the
// picture about its place, and the first update, which ripples with the time
// before it, at the swing's peak.
TEST_F(GridSceneTest, ShowsThePictureUprightWrapsItsCoordinatesOverTheRunAndFadesToTheLastCredit) {
    set.textures[kPicture1Slot] = test::TwoTone({255, 0, 0}, {0, 0, 255});
    for (int text = 1; text <= 3; ++text) set.textures[kFirstTextSlot + text] = test::Plain({255, 255, 255});
    GridScene grid(21, 16, 640, 480, 32, 32, 12.0f);
    grid.Start();
    EXPECT_EQ(grid.fade, 1.0f);
    grid.Render();
    EXPECT_TRUE(SceneStateRestored());
    // Upright to the bottom-right corner; credit 1 added on top, credit 3 still black.
    EXPECT_EQ(test::Misses({{100, 100, {0, 0, 255}}, {100, 420, {255, 0, 0}}, {639, 479, {255, 0, 0}},
                            {470, 400, {255, 255, 255}}, {330, 340, {255, 0, 0}}}),
              "");

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

    grid.Update(0.0f);  // the fade from past the end
    grid.Render();
    EXPECT_EQ(test::Misses({{100, 100, {0, 0, 0}, 4}, {470, 400, {0, 0, 0}, 4}, {330, 340, {255, 255, 255}, 4}}), "");
}

}  // namespace
}  // namespace zint
