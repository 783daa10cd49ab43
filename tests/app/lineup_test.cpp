// The production's line-up: which scenes, in which order, for how long.
#include "app/lineup.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "scenes/boids_scene.h"
#include "scenes/grid_scene.h"
#include "scenes/loader_scene.h"
#include "scenes/tunnel_scene.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

float DurationOf(Scene& scene) {
    if (auto* tunnel = dynamic_cast<TunnelScene*>(&scene)) return tunnel->duration;
    if (auto* pause = dynamic_cast<PauseScene*>(&scene)) return pause->duration;
    if (auto* boids = dynamic_cast<BoidsScene*>(&scene)) return boids->duration;
    if (auto* grid = dynamic_cast<GridScene*>(&scene)) return grid->duration;
    return 0.0f;  // the loader is not timed
}

using LineUpTest = test::GlTest;

TEST_F(LineUpTest, LoaderTunnelPauseBoidsPauseGridForSeventySeconds) {
    SceneList scenes;
    BuildLineUp(scenes, *window);
    const std::vector<const std::type_info*> kinds{&typeid(LoaderScene), &typeid(TunnelScene),
                                                   &typeid(PauseScene),  &typeid(BoidsScene),
                                                   &typeid(PauseScene),  &typeid(GridScene)};
    ASSERT_EQ(scenes.Count(), kinds.size());
    std::vector<float> durations;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(typeid(scenes[i]), *kinds[i]) << "scene " << i;
        durations.push_back(DurationOf(scenes[i]));
    }
    EXPECT_EQ(durations, (std::vector<float>{0.0f, 24.0f, 1.0f, 32.0f, 1.0f, 12.0f}));
    const auto& grid = dynamic_cast<GridScene&>(scenes[5]);
    EXPECT_EQ(std::vector<int>({grid.columns, grid.rows, grid.screenWidth, grid.screenHeight, grid.cellWidth,
                                grid.cellHeight}),
              std::vector<int>({21, 16, 640, 480, 32, 32}));
}

}  // namespace
}  // namespace zint
