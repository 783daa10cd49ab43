#include "scenes/boids_scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/resources.h"
#include "scenes/random.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::Rgb;

// Spheres red, floor green, texts 4 to 10 blue in their bottom half (the
// rows uploaded first, as the loader's are) and red on top.
class BoidsSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set.font = std::make_unique<TextFont>();
        set.font->height = 32;
        set.textures[kGeneratedTexture1Slot] = test::SolidTexture({255, 0, 0});
        set.textures[kGeneratedTexture2Slot] = test::SolidTexture({0, 255, 0});
        for (int text = 4; text <= 10; ++text) {
            set.textures[kFirstTextSlot + text] =
                test::MakeTexture(64, 64, [](int, int row) { return row < 32 ? Rgb{0, 0, 255} : Rgb{255, 0, 0}; });
            set.textWidths[text] = 64;
        }
        resources = &set;
        SeedRand(1);
        scene = std::make_unique<BoidsScene>(32.0f, &set);
    }
    void TearDown() override {
        scene.reset();
        resources = nullptr;
        GlTest::TearDown();
    }
    std::array<int, 2> Seen(const Vector3& point) const {
        return test::ScreenOf(60.0, scene->eye, scene->target, scene->up, point);
    }
    // The start's camera, which sees only floor in the bottom left corner.
    void RenderFromTheStartWithBoidsOutOfTheWay() {
        scene->eye.Set(0.0f, 2.0f, 4.0f);
        scene->target.Clear();
        for (Boid& boid : scene->flock->boids) boid.position.Set(-1.0f, 1.0f, -3.0f);
        scene->Render();
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
    }
    static bool Floor(Rgb c) { return c.r < 20 && c.b < 20 && c.g > 200; }

    Resources set;
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

TEST_F(BoidsSceneTest, EachTextHasThreeHundredUpdatesThenTheOverlayStops) {
    scene->Start();
    for (int update = 1; update <= 2100; ++update) {
        scene->Update(1.0f / 85.0f);
        if (scene->textIndex != 8 + update / 300 || scene->textsDone != (update == 2100)) {
            ADD_FAILURE() << "after update " << update << ": text " << scene->textIndex << ", done "
                          << scene->textsDone;
            break;
        }
    }
    scene->Update(32.0f - 2100.0f / 85.0f);
    EXPECT_FALSE(scene->IsFinished()) << "exactly the duration";
    scene->Update(0.001f);
    EXPECT_TRUE(scene->IsFinished());
}

TEST_F(BoidsSceneTest, CameraCirclesHalfADegreePerFrameWhateverTheFrameTime) {
    scene->Start();
    const float step = 3.1415927f * (1.0f / 360.0f);
    float angle = 0.0f;
    for (int update = 1; update <= 730; ++update) {
        scene->Update(update % 2 ? 1.0f / 60.0f : 0.05f);
        angle += step;
        if (angle > 6.2831855f) angle -= 6.2831855f;
        ASSERT_EQ(scene->orbitAngle, angle) << "update " << update;
        ASSERT_NEAR(std::hypot(scene->eye.x, scene->eye.z), 4.0f * std::sqrt(2.0f), 1e-5f);
        ASSERT_EQ(scene->target.x, scene->flock->centre.x);
    }
    EXPECT_LT(scene->orbitAngle, 10 * step) << "wrapped once";
    scene->Start();
    EXPECT_EQ(scene->orbitAngle, 0.0f) << "Start rewinds the orbit";
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
    const auto [x, y] = Seen({0.0f, 1.0f, 1.0f});
    EXPECT_GT(PixelAt(x, y).r, 240);
    EXPECT_NEAR(PixelAt(x, y).g, 128, 3);
}

TEST_F(BoidsSceneTest, GrownSphereBlendsHalfOverTheFloorAndTheTextIsUprightUntilTheLastHasGone) {
    scene->Start();
    scene->Update(1.5f);
    const float radius = scene->flock->pulseA.radius;
    ASSERT_GT(radius, 1.4f);
    RenderFromTheStartWithBoidsOutOfTheWay();
    const Vector3& obstacle = scene->flock->obstacleA;
    const auto [x, y] = Seen({obstacle.x, obstacle.y + radius / 2.0f, obstacle.z});
    const Rgb sphere = PixelAt(x, y);
    EXPECT_TRUE(std::abs(sphere.r - 128) <= 8 && std::abs(sphere.g - 128) <= 8 && sphere.b < 10)
        << sphere.r << " " << sphere.g << " " << sphere.b;
    // The text quad covers x 16..80 and the rows 8..72 above the bottom edge.
    EXPECT_TRUE(PixelAt(48, 420).r > 240 && PixelAt(48, 420).b < 20);
    EXPECT_TRUE(PixelAt(48, 460).b > 240 && PixelAt(48, 460).r < 20);
    for (const auto& [outsideX, outsideY] : {std::pair{100, 440}, {48, 400}, {48, 477}}) {
        EXPECT_TRUE(Floor(PixelAt(outsideX, outsideY))) << outsideX << "," << outsideY;
    }

    for (int update = 0; update < 2100; ++update) scene->Update(1.0f / 85.0f);
    scene->flock->pulseA.radius = scene->flock->pulseB.radius = 0.05f;
    RenderFromTheStartWithBoidsOutOfTheWay();
    EXPECT_TRUE(Floor(PixelAt(48, 420))) << "no text once the last has had its turn";
}

}  // namespace
}  // namespace zint
