#include "scenes/tunnel_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gfx/resources.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::Frame;
using test::Rgb;
using test::Xyz;

constexpr int kFogGrey = 64;  // 0.25 of full scale
constexpr Rgb kBlack{0, 0, 0};

bool Near(int value, int expected) { return std::abs(value - expected) <= 4; }
bool InCorner(int x, int y) { return x >= 384 && y >= 224; }  // the bottom-right 256 x 256
int Sum(Rgb c) { return c.r + c.g + c.b; }

TEST(TunnelKeys, CircleTheOriginOnceInSinglePrecision) {
    const auto keys = MakeTunnelPathKeys();
    EXPECT_EQ(Xyz(keys[0].position), (std::array{1.0f, 1.0f, 1.5f}));
    // The single-precision angle overshoots a full turn a little.
    EXPECT_NEAR(keys[31].position.x, 0.9999989f, 2e-7f);
    EXPECT_NE(keys[31].position.x, keys[0].position.x);
    for (int i = 0; i < kTunnelKeyCount; ++i) {
        const PathKey& key = keys[i];
        EXPECT_EQ(key.time, 50u * static_cast<std::uint32_t>(i));
        EXPECT_NEAR(std::hypot(key.position.x, key.position.y), std::sqrt(2.0f), 1e-5f) << i;
        EXPECT_NEAR(key.position.z, 0.75f * (key.position.x + key.position.y), 1e-5f) << i;
        EXPECT_EQ(key.tension + key.continuity + key.bias + key.easeTo + key.easeFrom, 0.0f) << i;
    }
}

TEST(TunnelRingFrame, GivesUnitAxesWithUpNearestTheWorldsUp) {
    const RingAxes level = TunnelScene::RingFrame({1, 2, 3}, {1, 2, 1});
    EXPECT_EQ(Xyz(level.forward), (std::array{0.0f, 0.0f, -1.0f}));
    EXPECT_EQ(Xyz(level.up), (std::array{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(Xyz(level.side), (std::array{1.0f, 0.0f, 0.0f}));
    const RingAxes climbing = TunnelScene::RingFrame({0, 0, 0}, {2, 2, 0});
    const float half = std::sqrt(0.5f);
    const std::array<std::array<float, 3>, 3> expected{{{half, half, 0}, {-half, half, 0}, {0, 0, 1}}};
    const std::array<Vector3, 3> got{climbing.forward, climbing.up, climbing.side};
    for (int axis = 0; axis < 3; ++axis) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(Xyz(got[axis])[c], expected[axis][c], 1e-6f) << axis << c;
    }
}

class TunnelSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shared.textures[kGeneratedTexture2Slot] = test::SolidTexture({0, 0, 255});
        UsePicture({128, 0, 0}, {0, 128, 0});
        resources = &shared;
    }
    void TearDown() override {
        resources = nullptr;
        GlTest::TearDown();
    }
    // The corner picture: its first two rows (the image's bottom) one colour, the rest another.
    void UsePicture(Rgb bottom, Rgb top) {
        shared.textures[kPicture2Slot] = test::MakeTexture(4, 4, [=](int, int row) { return row < 2 ? bottom : top; });
    }
    // The scene's current state drawn with a black corner picture and with the two-tone one.
    std::pair<Frame, Frame> RenderWithoutAndWithPicture() {
        UsePicture(kBlack, kBlack);
        scene.Render();
        Frame without;
        UsePicture({128, 0, 0}, {0, 128, 0});
        scene.Render();
        return {without, Frame()};
    }
    std::array<int, 2> Seen(const Vector3& eye, const Vector3& point) const {
        return test::ScreenOf(60.0, eye, {}, {0, 1, 0}, point);
    }

    Resources shared;
    const std::array<PathKey, kTunnelKeyCount> keys = MakeTunnelPathKeys();
    TunnelScene scene{keys, kTunnelDuration};
};

TEST_F(TunnelSceneTest, StartsAtTheFixedCameraThenTrailsThePathOneFrameBehind) {
    scene.Start();
    EXPECT_EQ(Xyz(scene.eye), (std::array{0.0f, 2.0f, 4.0f}));
    EXPECT_EQ(scene.fade, 0.0f);
    Path reference(keys, true);
    reference.Reset();
    reference.AdvancePath();
    const Vector3 first = reference.point;
    scene.Update(0.01f);
    EXPECT_EQ(Xyz(scene.eye), (std::array{0.0f, 0.0f, 0.0f})) << "the start's target";
    EXPECT_EQ(Xyz(scene.target), Xyz(first));
    scene.Update(0.01f);
    reference.AdvancePath();
    EXPECT_EQ(Xyz(scene.eye), Xyz(first));
    EXPECT_EQ(Xyz(scene.target), Xyz(reference.point));
    EXPECT_EQ(Xyz(scene.up), (std::array{0.0f, 1.0f, 0.0f}));
    EXPECT_FLOAT_EQ(scene.fade, std::sin(1.5707964f * 0.02f / 24.0f));
}

TEST_F(TunnelSceneTest, EndsOnTheFirstUpdatePastItsDurationAndStartRewinds) {
    scene.Start();
    scene.Update(12.0f);
    scene.Update(12.0f);
    EXPECT_FALSE(scene.IsFinished()) << "exactly 24 s is not past the duration";
    EXPECT_EQ(scene.fade, 1.0f);
    scene.Update(0.001f);
    EXPECT_TRUE(scene.IsFinished());
    scene.Start();
    EXPECT_FALSE(scene.IsFinished());
    EXPECT_EQ(scene.path.frameCounter, 0u);
    EXPECT_EQ(Xyz(scene.path.point), Xyz(keys[0].position));
}

TEST_F(TunnelSceneTest, FirstFrameShowsTheLoopFromOutsideInFogGreyOnBlack) {
    scene.Start();
    scene.Render();
    const Frame frame;
    EXPECT_EQ(Sum(frame.At(320, 240)), 0) << "the camera looks into the loop's hole";
    // The tube runs from key 30 over key 0 to key 14; at fade 0 only the fog shows it.
    for (int key : {1, 5, 10}) {
        const auto [x, y] = Seen(scene.eye, keys[key].position);
        const Rgb wall = frame.At(x, y);
        EXPECT_TRUE(Near(wall.r, kFogGrey) && Near(wall.g, kFogGrey) && Near(wall.b, kFogGrey)) << key;
    }
    const auto [x, y] = Seen(scene.eye, keys[22].position);
    EXPECT_EQ(Sum(frame.At(x, y)), 0);
    int grey = 0;
    for (int py = 0; py < 480; ++py) {
        for (int px = 0; px < 640; ++px) {
            if (InCorner(px, py)) continue;
            const Rgb pixel = frame.At(px, py);
            ASSERT_LE(std::max({pixel.r, pixel.g, pixel.b}), kFogGrey + 4) << px << "," << py;
            ASSERT_LE(std::abs(pixel.b - pixel.r), 4) << "walls black, not blue, at fade 0: " << px << "," << py;
            grey += Near(pixel.r, kFogGrey);
        }
    }
    EXPECT_GT(grey, 2000);
}

TEST_F(TunnelSceneTest, TubeRunsFromTheKeyBeforeTheCameraSegmentFifteenKeysOn) {
    // Seen from far along the loop plane's normal every segment is side-on,
    // so its middle shows the fogged far wall exactly when it is drawn.
    Vector3 eye{-0.75f, -0.75f, 1.0f};
    eye.Normalize();
    eye.Scale(10.0f);
    scene.Start();
    for (std::uint32_t current : {0u, 5u}) {
        while (scene.path.current != current) scene.Update(0.0f);
        scene.eye = eye;
        scene.target.Clear();
        scene.Render();
        const Frame frame;
        const auto shade = [&](int from) {
            const Vector3& a = keys[from % 31].position;
            const Vector3& b = keys[(from + 1) % 31].position;
            const auto [x, y] = Seen(eye, {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2});
            return frame.At(x, y).g;
        };
        const int c = static_cast<int>(current);
        // Key 31 is key 0 again, so the key before key 0 is key 30.
        EXPECT_EQ(shade(c + 29), 0) << current;
        EXPECT_TRUE(Near(shade(c + 30), kFogGrey)) << current;
        EXPECT_TRUE(Near(shade(c + 13), kFogGrey)) << current;
        EXPECT_EQ(shade(c + 14), 0) << current;
    }
}

TEST_F(TunnelSceneTest, CornerPictureAddsAtFullBrightnessAtFirstUprightInTheBottomRightSquare) {
    scene.Start();
    const auto [without, with] = RenderWithoutAndWithPicture();
    for (int y = 0; y < 480; y += 3) {
        for (int x = 0; x < 640; x += 3) {
            const Rgb before = without.At(x, y);
            const Rgb after = with.At(x, y);
            const int added = after.r - before.r + after.g - before.g;
            ASSERT_TRUE(InCorner(x, y) ? Near(added, 128) : added == 0) << x << "," << y << ": " << added;
            ASSERT_EQ(after.b, before.b) << x << "," << y;
        }
    }
    for (int y : {479, 224}) EXPECT_NE(Sum(with.At(384, y)), Sum(without.At(384, y))) << "the square's edge";
    EXPECT_EQ(Sum(with.At(383, 379)), Sum(without.At(383, 379)));
    EXPECT_EQ(Sum(with.At(500, 223)), Sum(without.At(500, 223)));
    // The image's first rows are at the bottom of the screen.
    EXPECT_TRUE(Near(with.At(500, 415).r - without.At(500, 415).r, 128));
    EXPECT_EQ(with.At(500, 415).g, without.At(500, 415).g);
    EXPECT_TRUE(Near(with.At(500, 287).g - without.At(500, 287).g, 128));
    EXPECT_EQ(with.At(500, 287).r, without.At(500, 287).r);
}

TEST_F(TunnelSceneTest, AtFullFadeTheWallsShowTheirTextureAndTheCornerAddsNothing) {
    scene.Start();
    scene.Update(12.0f);
    scene.Update(12.0f);
    const auto [without, with] = RenderWithoutAndWithPicture();
    EXPECT_EQ(without.rgb, with.rgb);
    int blue = 0;
    for (std::size_t i = 0; i < with.rgb.size(); i += 3) blue += with.rgb[i + 2] > with.rgb[i] + 60;
    EXPECT_GT(blue, 640 * 480 / 10) << "near walls carry the texture; the fog greys the far ones";
}

TEST_F(TunnelSceneTest, LeavesDepthTestAndCullingOnAndBlendingTexturingAndFogOff) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    scene.Start();
    scene.Update(0.5f);
    scene.Render();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_FOG));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace zint
