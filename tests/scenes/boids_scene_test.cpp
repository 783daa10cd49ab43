#include "scenes/boids_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scenes/random.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

constexpr test::Rgb kFloor{0, 255, 0};

// Spheres red, floor green, texts 4 to 10 blue in their bottom half and red on top.
class BoidsSceneTest : public test::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        set.textures[kGeneratedTexture1Slot] = test::Plain({255, 0, 0});
        set.textures[kGeneratedTexture2Slot] = test::Plain(kFloor);
        for (int text = 4; text <= 10; ++text) {
            set.textures[kFirstTextSlot + text] = test::TwoTone({0, 0, 255}, {255, 0, 0});
        }
        SeedRand(1);
        scene = std::make_unique<BoidsScene>(32.0f, &set);
    }
    void TearDown() override {
        scene.reset();
        SceneTest::TearDown();
    }
    test::ExpectedPixel Seen(const Vector3& point, test::Rgb colour, int tolerance) const {
        const auto [x, y] = test::ScreenOf(scene->eye, scene->target, point);
        return {x, y, colour, tolerance};
    }
    // From the start's camera, which sees only floor in the bottom left corner.
    void RenderWithBoidsOutOfTheWay() {
        scene->eye.Set(0.0f, 2.0f, 4.0f);
        scene->target.Clear();
        for (Boid& boid : scene->flock->boids) boid.position.Set(-1.0f, 1.0f, -3.0f);
        scene->Render();
        EXPECT_TRUE(SceneStateRestored());
    }

    std::unique_ptr<BoidsScene> scene;
};

TEST_F(BoidsSceneTest, ConstructionAndStartResetTheFlockAndUpdatesPaceTheTextsAndOrbitUntilPastTheDuration) {
    EXPECT_TRUE(scene->floor->valid && glIsList(scene->floor->listName));
    const int afterConstruction = Rand();
    scene->Start();
    const int afterStart = Rand();
    SeedRand(1);
    for (int i = 0; i < 300; ++i) Rand();
    EXPECT_EQ(Rand(), afterConstruction) << "six draws for each of fifty boids";
    for (int i = 0; i < 300; ++i) Rand();
    EXPECT_EQ(Rand(), afterStart);
    for (int run = 0; run < 2; ++run) {
        scene->Start();
        EXPECT_EQ(scene->orbitAngle, 0.0f) << "Start rewinds the orbit";
        for (int update = 1; update <= 2100; ++update) {
            scene->Update(update % 2 ? 1.0f / 60.0f : 1.0f / 170.0f);
            ASSERT_EQ(std::pair(scene->textIndex, scene->textsDone), std::pair(8 + update / 300, update == 2100))
                << update;
            // Half a degree per update, wrapping after a full turn.
            ASSERT_NEAR(std::remainder(scene->orbitAngle - update * 3.1415927f / 360.0f, 6.2831855f), 0.0f, 1e-3f);
            ASSERT_TRUE(scene->orbitAngle >= 0.0f && scene->orbitAngle <= 6.2831855f) << update;
            // A quarter turn takes the eye in x and z from (4, 4) to (-4, 4).
            EXPECT_TRUE(update != 180 || std::abs(scene->eye.x + 4.0f) + std::abs(scene->eye.z - 4.0f) < 1e-3f);
        }
        EXPECT_EQ(test::Xyz(scene->target), test::Xyz(scene->flock->centre));
    }
    scene->Start();
    scene->Update(32.0f);
    EXPECT_FALSE(scene->IsFinished()) << "exactly the duration";
    scene->Update(0.001f);
    EXPECT_TRUE(scene->IsFinished());
}

TEST_F(BoidsSceneTest, DrawsBoidsWithoutHeadingsAHalfBlendedSphereAndTheTextUprightUntilTheLastHasGone) {
    scene->Start();
    for (Boid& boid : scene->flock->boids) {
        boid.position.Set(0.0f, 1.0f, 1.0f);
        boid.red = 1.0f;
        boid.green = boid.blue = 0.5f;
    }
    scene->Render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Grey background, floor, and the boid's colour where it stands.
    EXPECT_EQ(test::Misses({{320, 4, {128, 128, 128}, 2}, {600, 360, kFloor, 20},
                            Seen({0.0f, 1.0f, 1.0f}, {255, 128, 128}, 3)}),
              "");

    scene->Update(1.5f);
    const float radius = scene->flock->pulseA.radius;
    ASSERT_GT(radius, 1.4f);
    RenderWithBoidsOutOfTheWay();
    const Vector3& obstacle = scene->flock->obstacleA;
    // Half the sphere's red over the floor; the text quad covers x 16..80 and
    // the rows 8..72 above the bottom edge, red above blue.
    EXPECT_EQ(test::Misses({Seen({obstacle.x, obstacle.y + radius / 2.0f, obstacle.z}, {128, 128, 0}, 8),
                            {48, 420, {255, 255, 0}, 20}, {48, 460, {0, 255, 255}, 20}, {100, 440, kFloor, 20},
                            {48, 400, kFloor, 20}, {48, 477, kFloor, 20}}),
              "");

    for (int update = 0; update < 2100; ++update) scene->Update(1.0f / 85.0f);
    scene->flock->pulseA.radius = scene->flock->pulseB.radius = 0.05f;
    RenderWithBoidsOutOfTheWay();
    EXPECT_EQ(test::Misses({{48, 420, kFloor, 20}}), "") << "no text once the last has had its turn";
}

}  // namespace
}  // namespace zint
