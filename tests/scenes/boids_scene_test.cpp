#include "scenes/boids_scene.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "gfx/resources.h"
#include "scenes/random.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr int kTextWidth = 64;

std::unique_ptr<Texture> SolidTexture(unsigned char r, unsigned char g, unsigned char b) {
    std::vector<unsigned char> texels(16 * 16 * 3);
    for (std::size_t i = 0; i < texels.size(); i += 3) {
        texels[i] = r;
        texels[i + 1] = g;
        texels[i + 2] = b;
    }
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, 16, 16, GL_RGB, texels.data());
    return texture;
}

// Like the loader's text textures, the rows uploaded first are the text's
// bottom: here blue below, red on top.
std::unique_ptr<Texture> TwoToneTextTexture() {
    std::vector<unsigned char> texels(kTextWidth * 64 * 3, 0);
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < kTextWidth; ++column) {
            texels[(row * kTextWidth + column) * 3 + (row < 32 ? 2 : 0)] = 255;
        }
    }
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, kTextWidth, 64, GL_RGB, texels.data());
    return texture;
}

// Spheres red, floor green, texts 4 to 10 two-tone.
class BoidsSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set.font = std::make_unique<TextFont>();
        set.font->height = 32;
        set.textures[kGeneratedTexture1Slot] = SolidTexture(255, 0, 0);
        set.textures[kGeneratedTexture2Slot] = SolidTexture(0, 255, 0);
        for (int text = 4; text <= 10; ++text) {
            set.textures[kFirstTextSlot + text] = TwoToneTextTexture();
            set.textWidths[text] = kTextWidth;
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

    // Where the scene's camera shows a point, counted from the top left.
    std::array<int, 2> ScreenOf(const Vector3& point) const {
        std::array<double, 16> projection{};
        std::array<double, 16> modelView{};
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 4.0 / 3.0, 0.5, 32.0);
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const Vector3& eye = scene->eye;
        const Vector3& target = scene->target;
        const Vector3& up = scene->up;
        gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
        const std::array<GLint, 4> viewport = {0, 0, 640, 480};
        double x = 0;
        double y = 0;
        double z = 0;
        gluProject(point.x, point.y, point.z, modelView.data(), projection.data(), viewport.data(), &x, &y, &z);
        return {static_cast<int>(x), 480 - 1 - static_cast<int>(y)};
    }

    // The start's camera, which sees only floor in the bottom left corner.
    void LookFromTheStartWithBoidsOutOfTheWay() {
        scene->eye.Set(0.0f, 2.0f, 4.0f);
        scene->target.Clear();
        for (Boid& boid : scene->flock->boids) boid.position.Set(-1.0f, 1.0f, -3.0f);
    }

    static void ExpectSceneStateRestored() {
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }

    Resources set;
    std::unique_ptr<BoidsScene> scene;
};

TEST_F(BoidsSceneTest, ConstructionAndStartEachResetTheFlockFromTheSharedSequence) {
    EXPECT_TRUE(scene->floor->valid);
    EXPECT_TRUE(glIsList(scene->floor->listName));
    const int afterConstruction = Rand();
    SeedRand(1);
    for (int i = 0; i < 300; ++i) Rand();
    EXPECT_EQ(Rand(), afterConstruction);

    SeedRand(1);
    for (int i = 0; i < 300; ++i) Rand();
    scene->Start();
    const int afterStart = Rand();
    SeedRand(1);
    for (int i = 0; i < 600; ++i) Rand();
    EXPECT_EQ(Rand(), afterStart);
}

TEST_F(BoidsSceneTest, EachTextHasThreeHundredUpdatesThenTheOverlayStops) {
    scene->Start();
    EXPECT_EQ(scene->textIndex, 8);
    EXPECT_EQ(scene->lastTextIndex, 14);
    for (int update = 1; update <= 2100; ++update) {
        scene->Update(1.0f / 85.0f);
        const int expected = 8 + update / 300;
        if (scene->textIndex != expected || scene->textsDone != (update == 2100)) {
            ADD_FAILURE() << "after update " << update << ": text " << scene->textIndex << ", done "
                          << scene->textsDone;
            break;
        }
    }
    EXPECT_FALSE(scene->IsFinished()) << "about 24.7 s at 85 frames per second";
}

TEST_F(BoidsSceneTest, CameraCirclesHalfADegreePerFrameAndBobsWithTime) {
    scene->Start();
    const float step = 3.1415927f * (1.0f / 360.0f);
    float angle = 0.0f;
    int wrapsAt = 0;
    for (int update = 1; update <= 730; ++update) {
        scene->Update(update % 2 ? kFrame : 0.05f);  // the step ignores the frame time
        angle += step;
        if (angle > 6.2831855f) {
            angle -= 6.2831855f;
            wrapsAt = update;
        }
        ASSERT_EQ(scene->orbitAngle, angle) << "update " << update;
        const Vector3& eye = scene->eye;
        ASSERT_NEAR(std::hypot(eye.x, eye.z), 4.0f * std::sqrt(2.0f), 1e-5f);
        ASSERT_EQ(eye.y, std::cos(scene->elapsed) + 2.0f);
        ASSERT_EQ(scene->target.x, scene->flock->centre.x);
    }
    EXPECT_GE(wrapsAt, 720);
    EXPECT_LE(wrapsAt, 721);
    EXPECT_LT(scene->orbitAngle, 10 * step);
}

TEST_F(BoidsSceneTest, FinishesOnlyAfterMoreThanItsDuration) {
    scene->Start();
    scene->Update(32.0f);
    EXPECT_FALSE(scene->IsFinished());
    scene->Update(0.001f);
    EXPECT_TRUE(scene->IsFinished());
}

TEST_F(BoidsSceneTest, FirstFrameShowsGreyBackgroundFloorAndBoidsWithoutHeadings) {
    scene->Start();
    for (Boid& boid : scene->flock->boids) {
        boid.position.Set(0.0f, 1.0f, 1.0f);
        boid.red = 1.0f;
        boid.green = 0.5f;
        boid.blue = 0.5f;
    }
    scene->Render();
    ExpectSceneStateRestored();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const test::Rgb sky = PixelAt(320, 4);
    EXPECT_NEAR(sky.r, 128, 2);
    EXPECT_NEAR(sky.g, 128, 2);
    const test::Rgb floor = PixelAt(600, 360);
    EXPECT_LT(floor.r, 20);
    EXPECT_GT(floor.g, 235);
    const auto [x, y] = ScreenOf({0.0f, 1.0f, 1.0f});
    const test::Rgb boid = PixelAt(x, y);
    EXPECT_GT(boid.r, 240);
    EXPECT_NEAR(boid.g, 128, 3);
}

TEST_F(BoidsSceneTest, GrownSphereBlendsHalfOverTheFloorAndTheFirstTextIsUpright) {
    scene->Start();
    scene->Update(1.5f);
    const float radius = scene->flock->pulseA.radius;
    ASSERT_GT(radius, 1.4f);
    LookFromTheStartWithBoidsOutOfTheWay();
    scene->Render();
    ExpectSceneStateRestored();

    const Vector3& obstacle = scene->flock->obstacleA;
    const auto [x, y] = ScreenOf({obstacle.x, obstacle.y + radius / 2.0f, obstacle.z});
    const test::Rgb sphere = PixelAt(x, y);
    EXPECT_NEAR(sphere.r, 128, 8);
    EXPECT_NEAR(sphere.g, 128, 8);
    EXPECT_LT(sphere.b, 10);

    // The text quad covers x 16..80 and the rows 8..72 above the bottom
    // edge, added on the green floor.
    const test::Rgb textTop = PixelAt(48, 420);
    const test::Rgb textBottom = PixelAt(48, 460);
    EXPECT_GT(textTop.r, 240);
    EXPECT_LT(textTop.b, 20);
    EXPECT_GT(textBottom.b, 240);
    EXPECT_LT(textBottom.r, 20);
    for (const test::Rgb outside : {PixelAt(100, 440), PixelAt(48, 400), PixelAt(48, 477)}) {
        EXPECT_LT(outside.r, 20);
        EXPECT_LT(outside.b, 20);
        EXPECT_GT(outside.g, 200);
    }
}

TEST_F(BoidsSceneTest, NoTextOnceTheLastHasHadItsTurn) {
    scene->Start();
    for (int update = 0; update < 2100; ++update) scene->Update(1.0f / 85.0f);
    ASSERT_TRUE(scene->textsDone);
    scene->flock->pulseA.radius = 0.05f;
    scene->flock->pulseB.radius = 0.05f;
    LookFromTheStartWithBoidsOutOfTheWay();
    scene->Render();
    ExpectSceneStateRestored();
    const test::Rgb inTextBox = PixelAt(48, 420);
    EXPECT_LT(inTextBox.r, 20);
    EXPECT_LT(inTextBox.b, 20);
    EXPECT_GT(inTextBox.g, 200);
}

}  // namespace
}  // namespace zint
