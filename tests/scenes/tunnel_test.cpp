#include "scenes/tunnel_scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::Frame;
using test::Rgb;
using test::Xyz;

constexpr int kFogGrey = 64;  // 0.25 of full scale

bool Near(int value, int expected) { return std::abs(value - expected) <= 4; }

// Blue walls and a corner picture whose bottom half is dark red and top half dark green.
class TunnelSceneTest : public test::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        set.textures[kGeneratedTexture2Slot] = test::TwoTone({0, 0, 255}, {0, 0, 255}, 4);
        set.textures[kPicture2Slot] = test::TwoTone({128, 0, 0}, {0, 128, 0}, 4);
    }
    const std::array<PathKey, kTunnelKeyCount> keys = MakeTunnelPathKeys();
    TunnelScene scene{keys, kTunnelDuration};
};

TEST_F(TunnelSceneTest, TrailsThePathOneFrameBehindEndsPastItsDurationAndStartRewinds) {
    Path reference(keys, true);
    for (int run = 0; run < 2; ++run) {
        scene.Start();
        EXPECT_EQ(std::pair(Xyz(scene.eye), Xyz(scene.path.point)), std::pair(Xyz({0, 2, 4}), Xyz(keys[0].position)));
        reference.Reset();
        reference.AdvancePath();
        scene.Update(0.5f);
        EXPECT_EQ(std::pair(Xyz(scene.eye), Xyz(scene.target)), std::pair(Xyz({}), Xyz(reference.point)));
        scene.Update(11.5f);
        EXPECT_EQ(Xyz(scene.eye), Xyz(reference.point)) << "the eye takes the last target";
        scene.Update(12.0f);
        EXPECT_FALSE(scene.IsFinished()) << "exactly 24 s is not past the duration";
        EXPECT_EQ(scene.fade, 1.0f);
        scene.Update(0.001f);
        EXPECT_TRUE(scene.IsFinished());
    }
}

// Seen from far along the loop plane's normal every segment is side-on, so
// its middle shows the fogged far wall (fade 0: no texture) exactly when it is drawn.
TEST_F(TunnelSceneTest, TubeRunsFromTheKeyBeforeTheCameraSegmentFifteenKeysOn) {
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
            const auto [x, y] = test::ScreenOf(eye, {}, {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2});
            return frame.At(x, y);
        };
        const int c = static_cast<int>(current);
        // Key 31 is key 0 again, so the key before key 0 is key 30.
        EXPECT_EQ(shade(c + 29).g, 0) << current;
        for (int from : {c + 30, c + 13}) {
            const Rgb wall = shade(from);
            EXPECT_TRUE(Near(wall.r, kFogGrey) && Near(wall.g, kFogGrey) && Near(wall.b, kFogGrey)) << from;
        }
        EXPECT_EQ(shade(c + 14).g, 0) << current;
    }
}

TEST_F(TunnelSceneTest, CornerPictureFadesOutUprightInTheBottomRightSquareAsTheWallsFadeIn) {
    scene.Start();
    for (const float seconds : {0.0f, 24.0f}) {
        scene.Update(seconds);
        set.textures[kPicture2Slot] = test::TwoTone({0, 0, 0}, {0, 0, 0}, 4);
        scene.Render();
        const Frame without;
        set.textures[kPicture2Slot] = test::TwoTone({128, 0, 0}, {0, 128, 0}, 4);
        scene.Render();
        const Frame with;
        EXPECT_TRUE(SceneStateRestored());
        const auto added = [&](int x, int y) {
            return std::array{with.At(x, y).r - without.At(x, y).r, with.At(x, y).g - without.At(x, y).g};
        };
        if (seconds > 0) {
            EXPECT_EQ(without.rgb, with.rgb) << "at full fade the corner adds nothing";
            int blue = 0;
            for (std::size_t i = 0; i < with.rgb.size(); i += 3) blue += with.rgb[i + 2] > with.rgb[i] + 60;
            EXPECT_GT(blue, 640 * 480 / 10) << "near walls carry the texture; the fog greys the far ones";
            continue;
        }
        // Upright within x 384.. and y 224..: the image's first rows at the bottom of the screen.
        EXPECT_TRUE(Near(added(500, 415)[0], 128) && added(500, 415)[1] == 0);
        EXPECT_TRUE(added(500, 287)[0] == 0 && Near(added(500, 287)[1], 128));
        for (const auto& [x, y] : {std::pair{384, 479}, {384, 224}, {639, 300}}) {
            EXPECT_TRUE(Near(added(x, y)[0] + added(x, y)[1], 128)) << x << "," << y;
        }
        for (const auto& [x, y] : {std::pair{383, 379}, {500, 223}, {100, 100}}) {
            EXPECT_EQ(added(x, y), (std::array{0, 0})) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace zint
