#include "scenes/boids_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scenes/random.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::Rgb;
using test::Xyz;

// Spheres red, floor green, texts 4 to 10 blue in their bottom half and red on top.
class BoidsSceneTest : public test::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        set.textures[kGeneratedTexture1Slot] = test::TwoTone({255, 0, 0}, {255, 0, 0}, 4);
        set.textures[kGeneratedTexture2Slot] = test::TwoTone({0, 255, 0}, {0, 255, 0}, 4);
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
    Rgb Seen(const Vector3& point) const {
        const auto [x, y] = test::ScreenOf(scene->eye, scene->target, point);
        return PixelAt(x, y);
    }
    // From the start's camera, which sees only floor in the bottom left corner.
    void RenderWithBoidsOutOfTheWay() {
        scene->eye.Set(0.0f, 2.0f, 4.0f);
        scene->target.Clear();
        for (Boid& boid : scene->flock->boids) boid.position.Set(-1.0f, 1.0f, -3.0f);
        scene->Render();
        EXPECT_TRUE(SceneStateRestored());
    }
    static bool Floor(Rgb c) { return c.r < 20 && c.b < 20 && c.g > 200; }

    std::unique_ptr<BoidsScene> scene;
};

TEST_F(BoidsSceneTest, ConstructionAndStartEachResetTheFlockFromTheSharedSequence) {
    EXPECT_TRUE(scene->floor->valid && glIsList(scene->floor->listName));
    const int afterConstruction = Rand();
    scene->Start();
    const int afterStart = Rand();
    SeedRand(1);
    for (int i = 0; i < 300; ++i) Rand();
    EXPECT_EQ(Rand(), afterConstruction) << "six draws for each of fifty boids";
    for (int i = 0; i < 300; ++i) Rand();
    EXPECT_EQ(Rand(), afterStart);
}

TEST_F(BoidsSceneTest, TextsAndOrbitArePacedByUpdatesAndTheSceneEndsPastItsDuration) {
    for (int run = 0; run < 2; ++run) {
        scene->Start();
        EXPECT_EQ(scene->orbitAngle, 0.0f) << "Start rewinds the orbit";
        for (int update = 1; update <= 2100; ++update) {
            scene->Update(update % 2 ? 1.0f / 60.0f : 1.0f / 170.0f);
            ASSERT_EQ(scene->textIndex, 8 + update / 300) << update;
            ASSERT_EQ(scene->textsDone, update == 2100) << update;
            // Half a degree per update, wrapping after a full turn.
            ASSERT_NEAR(std::remainder(scene->orbitAngle - update * 3.1415927f / 360.0f, 6.2831855f), 0.0f, 1e-3f);
            ASSERT_TRUE(scene->orbitAngle >= 0.0f && scene->orbitAngle <= 6.2831855f) << update;
            // A quarter turn takes the eye in x and z from (4, 4) to (-4, 4).
            if (update == 180) {
                EXPECT_TRUE(std::abs(scene->eye.x + 4.0f) + std::abs(scene->eye.z - 4.0f) < 1e-3f);
            }
        }
        EXPECT_EQ(Xyz(scene->target), Xyz(scene->flock->centre));
    }
    scene->Start();
    scene->Update(32.0f);
    EXPECT_FALSE(scene->IsFinished()) << "exactly the duration";
    scene->Update(0.001f);
    EXPECT_TRUE(scene->IsFinished());
}

TEST_F(BoidsSceneTest, FirstFrameShowsGreyBackgroundFloorAndBoidsWithoutHeadings) {
    scene->Start();
    for (Boid& boid : scene->flock->boids) {
        boid.position.Set(0.0f, 1.0f, 1.0f);
        boid.red = 1.0f;
        boid.green = boid.blue = 0.5f;
    }
    scene->Render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_NEAR(PixelAt(320, 4).r, 128, 2);
    EXPECT_NEAR(PixelAt(320, 4).g, 128, 2);
    EXPECT_TRUE(Floor(PixelAt(600, 360)));
    const Rgb boid = Seen({0.0f, 1.0f, 1.0f});
    EXPECT_TRUE(boid.r > 240 && std::abs(boid.g - 128) <= 3) << boid.r << " " << boid.g;
}

TEST_F(BoidsSceneTest, GrownSphereBlendsHalfOverTheFloorAndTheTextIsUprightUntilTheLastHasGone) {
    scene->Start();
    scene->Update(1.5f);
    const float radius = scene->flock->pulseA.radius;
    ASSERT_GT(radius, 1.4f);
    RenderWithBoidsOutOfTheWay();
    const Vector3& obstacle = scene->flock->obstacleA;
    const Rgb sphere = Seen({obstacle.x, obstacle.y + radius / 2.0f, obstacle.z});
    EXPECT_TRUE(std::abs(sphere.r - 128) <= 8 && std::abs(sphere.g - 128) <= 8 && sphere.b < 10)
        << sphere.r << " " << sphere.g << " " << sphere.b;
    // The text quad covers x 16..80 and the rows 8..72 above the bottom edge.
    EXPECT_TRUE(PixelAt(48, 420).r > 240 && PixelAt(48, 420).b < 20);
    EXPECT_TRUE(PixelAt(48, 460).b > 240 && PixelAt(48, 460).r < 20);
    for (const auto& [x, y] : {std::pair{100, 440}, {48, 400}, {48, 477}}) EXPECT_TRUE(Floor(PixelAt(x, y))) << x;

    for (int update = 0; update < 2100; ++update) scene->Update(1.0f / 85.0f);
    scene->flock->pulseA.radius = scene->flock->pulseB.radius = 0.05f;
    RenderWithBoidsOutOfTheWay();
    EXPECT_TRUE(Floor(PixelAt(48, 420))) << "no text once the last has had its turn";
}

}  // namespace
}  // namespace zint
