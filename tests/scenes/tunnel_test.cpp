#include "scenes/tunnel_scene.h"

#include <gtest/gtest.h>

#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::Xyz;

constexpr int kFogGrey = 64;  // 0.25 of full scale

// Blue walls and a corner picture whose bottom half is dark red and top half dark green.
class TunnelSceneTest : public test::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        set.textures[kGeneratedTexture2Slot] = test::Plain({0, 0, 255});
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
        // The middle of the segment from key `from`; key 31 is key 0 again.
        const auto middle = [&](std::uint32_t from, int grey) {
            const Vector3& a = keys[from % 31].position;
            const Vector3& b = keys[(from + 1) % 31].position;
            const auto [x, y] = test::ScreenOf(eye, {}, {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2});
            return test::ExpectedPixel{x, y, {grey, grey, grey}, 4};
        };
        EXPECT_EQ(test::Misses({middle(current + 29, 0), middle(current + 30, kFogGrey),
                                middle(current + 13, kFogGrey), middle(current + 14, 0)}),
                  "")
            << current;
    }
}

TEST_F(TunnelSceneTest, CornerPictureFadesOutUprightInTheBottomRightSquareAsTheWallsFadeIn) {
    scene.Start();
    for (const float seconds : {0.0f, 24.0f}) {
        scene.Update(seconds);
        set.textures[kPicture2Slot] = test::Plain({0, 0, 0});
        scene.Render();
        const test::BackBuffer without;
        set.textures[kPicture2Slot] = test::TwoTone({128, 0, 0}, {0, 128, 0}, 4);
        scene.Render();
        const test::BackBuffer with;
        EXPECT_TRUE(SceneStateRestored());
        if (seconds > 0) {
            EXPECT_EQ(without.rgb, with.rgb) << "at full fade the corner adds nothing";
            int blue = 0;
            for (std::size_t i = 0; i < with.rgb.size(); i += 3) blue += with.rgb[i + 2] > with.rgb[i] + 60;
            EXPECT_GT(blue, 640 * 480 / 10) << "near walls carry the texture; the fog greys the far ones";
            continue;
        }
        const auto added = [&](int x, int y) {
            return std::pair{with.At(x, y).r - without.At(x, y).r, with.At(x, y).g - without.At(x, y).g};
        };
        // Upright within x 384.. and y 224..: the image's first rows at the bottom of the screen.
        EXPECT_LE(std::abs(added(500, 415).first - 128) + added(500, 415).second, 4);
        EXPECT_LE(added(500, 287).first + std::abs(added(500, 287).second - 128), 4);
        // Its edges blend red with green; outside it adds nothing.
        for (const auto& [x, y, sum] : {std::array{384, 479, 128}, {384, 224, 128}, {639, 300, 128}, {383, 379, 0},
                                        {500, 223, 0}, {100, 100, 0}}) {
            EXPECT_NEAR(added(x, y).first + added(x, y).second, sum, sum ? 4 : 0) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace zint
