#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "gfx/resources.h"
#include "tests/support/gl_window.h"
#include "scenes/tunnel_scene.h"

namespace zint {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFogGrey = 64;  // 0.25 of full scale
constexpr int kTolerance = 4;

using test::Rgb;

// The back buffer, before any swap; rows bottom-up as OpenGL counts them.
class Frame {
public:
    Frame() : pixels(kWidth * kHeight * 4) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * kWidth + x) * 4];
        return {p[0], p[1], p[2]};
    }

private:
    std::vector<std::uint8_t> pixels;
};

bool InCorner(int x, int y) { return x >= kWidth - 256 && y < 256; }

// A 4 x 4 RGB texture whose first two rows (the bottom of the image) have one
// colour and the last two another.
std::unique_ptr<Texture> TwoToneTexture(Rgb bottom, Rgb top) {
    std::array<std::uint8_t, 4 * 4 * 3> texels{};
    for (int row = 0; row < 4; ++row) {
        const Rgb colour = row < 2 ? bottom : top;
        for (int column = 0; column < 4; ++column) {
            std::uint8_t* texel = &texels[(row * 4 + column) * 3];
            texel[0] = static_cast<std::uint8_t>(colour.r);
            texel[1] = static_cast<std::uint8_t>(colour.g);
            texel[2] = static_cast<std::uint8_t>(colour.b);
        }
    }
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, 4, 4, GL_RGB, texels.data());
    return texture;
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWallBlue{0, 0, 255};
constexpr Rgb kPictureBottom{128, 0, 0};
constexpr Rgb kPictureTop{0, 128, 0};

class TunnelSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glViewport(0, 0, kWidth, kHeight);
        shared.textures[kGeneratedTexture2Slot] = TwoToneTexture(kWallBlue, kWallBlue);
        UsePicture(kPictureBottom, kPictureTop);
        resources = &shared;
    }

    void TearDown() override {
        resources = nullptr;
        GlTest::TearDown();
    }

    void UsePicture(Rgb bottom, Rgb top) { shared.textures[kPicture2Slot] = TwoToneTexture(bottom, top); }

    // Renders the scene's current state once with a black corner picture and
    // once with the two-tone one.
    std::pair<Frame, Frame> RenderWithoutAndWithPicture() {
        UsePicture(kBlack, kBlack);
        scene.Render();
        Frame without;
        UsePicture(kPictureBottom, kPictureTop);
        scene.Render();
        return {without, Frame()};
    }

    Resources shared;
    const std::array<PathKey, kTunnelKeyCount> keys = MakeTunnelPathKeys();
    TunnelScene scene{keys, kTunnelDuration};
};

// Where a point lands on screen, seen from eye towards the origin.
std::array<int, 2> ProjectOnScreen(const Vector3& eye, const Vector3& point) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 4.0 / 3.0, 0.1, 666.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    std::array<GLdouble, 16> modelview{};
    std::array<GLdouble, 16> projection{};
    std::array<GLint, 4> viewport{};
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    GLdouble x = 0, y = 0, z = 0;
    gluProject(point.x, point.y, point.z, modelview.data(), projection.data(), viewport.data(), &x, &y, &z);
    return {static_cast<int>(x), static_cast<int>(y)};
}

constexpr Vector3 kStartEye{0.0f, 2.0f, 4.0f};

Vector3 Midpoint(const Vector3& a, const Vector3& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

bool Near(int value, int expected) { return std::abs(value - expected) <= kTolerance; }

TEST(TunnelKeys, CircleTheOriginOnceInSinglePrecision) {
    const auto keys = MakeTunnelPathKeys();
    EXPECT_EQ(keys[0].position.x, 1.0f);
    EXPECT_EQ(keys[0].position.y, 1.0f);
    EXPECT_EQ(keys[0].position.z, 1.5f);
    // The single-precision angle overshoots a full turn a little.
    EXPECT_NEAR(keys[31].position.x, 0.9999989f, 2e-7f);
    EXPECT_NEAR(keys[31].position.y, 1.0000011f, 2e-7f);
    EXPECT_EQ(keys[31].position.z, 1.5f);
    EXPECT_NE(keys[31].position.x, keys[0].position.x);
    for (int i = 0; i < kTunnelKeyCount; ++i) {
        const PathKey& key = keys[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(key.time, 50u * static_cast<std::uint32_t>(i));
        EXPECT_NEAR(std::hypot(key.position.x, key.position.y), std::sqrt(2.0f), 1e-5f);
        EXPECT_NEAR(key.position.z, 0.75f * (key.position.x + key.position.y), 1e-5f);
        EXPECT_EQ(key.tension, 0.0f);
        EXPECT_EQ(key.continuity, 0.0f);
        EXPECT_EQ(key.bias, 0.0f);
        EXPECT_EQ(key.easeTo, 0.0f);
        EXPECT_EQ(key.easeFrom, 0.0f);
    }
    // Key 8 is a quarter turn on: angle 16 pi / 31.
    const float angle = 16.0f * 3.14159265f / 31.0f;
    EXPECT_NEAR(keys[8].position.x, std::cos(angle) - std::sin(angle), 1e-5f);
}

TEST(TunnelRingFrame, GivesUnitAxesWithUpNearestTheWorldsUp) {
    const RingAxes level = TunnelScene::RingFrame({1, 2, 3}, {1, 2, 1});
    EXPECT_FLOAT_EQ(level.forward.z, -1.0f);
    EXPECT_FLOAT_EQ(level.up.y, 1.0f);
    EXPECT_FLOAT_EQ(level.side.x, 1.0f);

    const RingAxes climbing = TunnelScene::RingFrame({0, 0, 0}, {2, 2, 0});
    const float half = std::sqrt(0.5f);
    EXPECT_FLOAT_EQ(climbing.forward.x, half);
    EXPECT_FLOAT_EQ(climbing.forward.y, half);
    EXPECT_FLOAT_EQ(climbing.up.x, -half);
    EXPECT_FLOAT_EQ(climbing.up.y, half);
    EXPECT_NEAR(climbing.up.z, 0.0f, 1e-7f);
    EXPECT_NEAR(climbing.side.x, 0.0f, 1e-7f);
    EXPECT_NEAR(climbing.side.y, 0.0f, 1e-7f);
    EXPECT_FLOAT_EQ(climbing.side.z, 1.0f);
}

TEST_F(TunnelSceneTest, StartsAtTheFixedCameraAndFollowsThePathFromTheFirstUpdate) {
    scene.Start();
    EXPECT_EQ(scene.eye.z, 4.0f);
    EXPECT_EQ(scene.eye.y, 2.0f);
    EXPECT_EQ(scene.up.y, 1.0f);
    EXPECT_EQ(scene.fade, 0.0f);

    scene.Update(0.01f);
    Path reference(keys, true);
    reference.Reset();
    reference.AdvancePath();
    const Vector3 firstPoint = reference.point;
    EXPECT_EQ(scene.eye.x, 0.0f);  // the start target
    EXPECT_EQ(scene.eye.y, 0.0f);
    EXPECT_EQ(scene.eye.z, 0.0f);
    EXPECT_EQ(scene.target.x, firstPoint.x);
    EXPECT_EQ(scene.target.y, firstPoint.y);
    EXPECT_EQ(scene.target.z, firstPoint.z);

    scene.Update(0.01f);
    reference.AdvancePath();
    EXPECT_EQ(scene.eye.x, firstPoint.x);
    EXPECT_EQ(scene.eye.y, firstPoint.y);
    EXPECT_EQ(scene.eye.z, firstPoint.z);
    EXPECT_EQ(scene.target.x, reference.point.x);
    EXPECT_EQ(scene.target.y, reference.point.y);
    EXPECT_EQ(scene.target.z, reference.point.z);
    EXPECT_EQ(scene.up.y, 1.0f);
    EXPECT_FLOAT_EQ(scene.fade, std::sin(1.5707964f * 0.02f / 24.0f));
}

TEST_F(TunnelSceneTest, EndsOnTheFirstUpdatePastItsDuration) {
    scene.Start();
    scene.Update(12.0f);
    EXPECT_FALSE(scene.IsFinished());
    scene.Update(12.0f);
    EXPECT_EQ(scene.elapsed, 24.0f);
    EXPECT_FALSE(scene.IsFinished()) << "exactly 24 s is not past the duration";
    EXPECT_EQ(scene.fade, 1.0f);
    scene.Update(0.001f);
    EXPECT_TRUE(scene.IsFinished());

    scene.Start();
    EXPECT_FALSE(scene.IsFinished());
    EXPECT_EQ(scene.path.frameCounter, 0u);
    scene.Update(30.0f);
    EXPECT_TRUE(scene.IsFinished());
}

TEST_F(TunnelSceneTest, FirstFrameShowsTheLoopFromOutsideInFogGreyOnBlack) {
    scene.Start();
    scene.Render();
    const Frame frame;

    // The camera looks at the origin, in the loop's hole.
    const Rgb centre = frame.At(kWidth / 2, kHeight / 2);
    EXPECT_EQ(centre.r + centre.g + centre.b, 0);

    // The tube runs from key 30 over key 0 to key 14; its walls are black at
    // fade 0, so only the fog's grey shows where it is.
    for (int key : {1, 5, 10}) {
        const auto [x, y] = ProjectOnScreen(kStartEye, keys[key].position);
        const Rgb wall = frame.At(x, y);
        SCOPED_TRACE(key);
        EXPECT_TRUE(Near(wall.r, kFogGrey) && Near(wall.g, kFogGrey) && Near(wall.b, kFogGrey))
            << wall.r << " " << wall.g << " " << wall.b;
    }
    const auto [x, y] = ProjectOnScreen(kStartEye, keys[22].position);
    const Rgb undrawn = frame.At(x, y);
    EXPECT_EQ(undrawn.r + undrawn.g + undrawn.b, 0);

    int greyPixels = 0;
    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            if (InCorner(px, py)) continue;
            const Rgb pixel = frame.At(px, py);
            ASSERT_LE(std::max({pixel.r, pixel.g, pixel.b}), kFogGrey + kTolerance) << px << "," << py;
            ASSERT_LE(std::abs(pixel.b - pixel.r), kTolerance) << px << "," << py;
            if (Near(pixel.r, kFogGrey)) ++greyPixels;
        }
    }
    EXPECT_GT(greyPixels, 2000);
}

TEST_F(TunnelSceneTest, AtNoFadeTheNearWallsAreBlackAndOnlyTheFogShows) {
    scene.Start();
    scene.Update(0.0f);
    scene.Update(0.0f);  // now inside the tube, still at fade 0
    ASSERT_EQ(scene.fade, 0.0f);
    scene.Render();
    const Frame frame;
    int darkPixels = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (InCorner(x, y)) continue;
            const Rgb pixel = frame.At(x, y);
            ASSERT_TRUE(pixel.r == pixel.g && pixel.g == pixel.b) << x << "," << y;
            ASSERT_LE(pixel.r, kFogGrey + kTolerance) << x << "," << y;
            if (pixel.r < kFogGrey / 2) ++darkPixels;
        }
    }
    EXPECT_GT(darkPixels, kWidth * kHeight / 10);
}

TEST_F(TunnelSceneTest, TubeRunsFromTheKeyBeforeTheCameraSegmentFifteenKeysOn) {
    // Seen from far along the loop plane's normal every segment is side-on,
    // so its middle shows the fogged far wall exactly when it is drawn.
    Vector3 normal{-0.75f, -0.75f, 1.0f};
    normal.Normalize();
    Vector3 eye;
    normal.Scaled(eye, 10.0f);

    scene.Start();
    for (std::uint32_t current : {0u, 5u}) {
        while (scene.path.current != current) scene.Update(0.0f);
        scene.eye = eye;
        scene.target.Clear();
        scene.Render();
        const Frame frame;
        const auto shade = [&](int from, int to) {
            const auto [x, y] = ProjectOnScreen(eye, Midpoint(keys[from % 31].position, keys[to % 31].position));
            return frame.At(x, y).g;
        };
        const int c = static_cast<int>(current);
        SCOPED_TRACE(current);
        // Key 31 is key 0 again, so the key before key 0 is key 30.
        EXPECT_EQ(shade(c + 29, c + 30), 0);
        EXPECT_TRUE(Near(shade(c + 30, c + 31), kFogGrey));
        EXPECT_TRUE(Near(shade(c + 13, c + 14), kFogGrey));
        EXPECT_EQ(shade(c + 14, c + 15), 0);
    }
}

TEST_F(TunnelSceneTest, CornerPictureAddsAtFullBrightnessAtFirstUprightInTheBottomRightSquare) {
    scene.Start();
    const auto [without, with] = RenderWithoutAndWithPicture();
    for (int y = 0; y < kHeight; y += 3) {
        for (int x = 0; x < kWidth; x += 3) {
            const Rgb before = without.At(x, y);
            const Rgb after = with.At(x, y);
            const int added = (after.r - before.r) + (after.g - before.g);
            if (InCorner(x, y)) {
                ASSERT_TRUE(Near(added, 128)) << x << "," << y << ": " << added;
            } else {
                ASSERT_EQ(added, 0) << x << "," << y;
            }
            ASSERT_EQ(after.b, before.b) << x << "," << y;
        }
    }
    // The square's edges exactly.
    for (int y : {0, 255})
        EXPECT_NE(with.At(384, y).r + with.At(384, y).g, without.At(384, y).r + without.At(384, y).g);
    EXPECT_EQ(with.At(383, 100).r, without.At(383, 100).r);
    EXPECT_EQ(with.At(500, 256).g, without.At(500, 256).g);

    // The image's first rows are at the bottom of the screen.
    const Rgb low = with.At(500, 64);
    const Rgb lowBefore = without.At(500, 64);
    EXPECT_TRUE(Near(low.r - lowBefore.r, 128)) << low.r - lowBefore.r;
    EXPECT_EQ(low.g, lowBefore.g);
    const Rgb high = with.At(500, 192);
    const Rgb highBefore = without.At(500, 192);
    EXPECT_TRUE(Near(high.g - highBefore.g, 128)) << high.g - highBefore.g;
    EXPECT_EQ(high.r, highBefore.r);
}

TEST_F(TunnelSceneTest, AtFullFadeTheWallsShowTheirTextureAndTheCornerAddsNothing) {
    scene.Start();
    scene.Update(12.0f);
    scene.Update(12.0f);
    ASSERT_EQ(scene.fade, 1.0f);
    const auto [without, with] = RenderWithoutAndWithPicture();

    int blueWalls = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb before = without.At(x, y);
            const Rgb after = with.At(x, y);
            ASSERT_TRUE(after.r == before.r && after.g == before.g && after.b == before.b) << x << "," << y;
            if (after.b > after.r + 60) ++blueWalls;
        }
    }
    // Near walls carry the texture; the fog greys the far ones.
    EXPECT_GT(blueWalls, kWidth * kHeight / 10);
}

TEST_F(TunnelSceneTest, LeavesDepthTestAndCullingOnAndBlendingTexturingAndFogOff) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    scene.Start();
    scene.Update(0.5f);
    scene.Render();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace zint
