// The production's line-up: which scenes, in which order, for how long.
#include "app/lineup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "scenes/boids_scene.h"
#include "scenes/grid_scene.h"
#include "scenes/loader_scene.h"
#include "scenes/tunnel_scene.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using Entry = std::pair<std::string, float>;  // the kind of scene and its duration

Entry EntryOf(Scene& scene) {
    if (auto* tunnel = dynamic_cast<TunnelScene*>(&scene)) return {"tunnel", tunnel->duration};
    if (auto* pause = dynamic_cast<PauseScene*>(&scene)) return {"pause", pause->duration};
    if (auto* boids = dynamic_cast<BoidsScene*>(&scene)) return {"boids", boids->duration};
    if (auto* grid = dynamic_cast<GridScene*>(&scene)) return {"grid", grid->duration};
    return {dynamic_cast<LoaderScene*>(&scene) != nullptr ? "loader" : "unknown", 0.0f};  // the loader is not timed
}

using LineUpTest = test::GlTest;

TEST_F(LineUpTest, LoaderTunnelPauseBoidsPauseGridForSeventySeconds) {
    SceneList scenes;
    BuildLineUp(scenes, *window);
    std::vector<Entry> lineUp;
    for (std::size_t i = 0; i < scenes.Count(); ++i) lineUp.push_back(EntryOf(scenes[i]));
    ASSERT_EQ(lineUp, (std::vector<Entry>{{"loader", 0.0f}, {"tunnel", 24.0f}, {"pause", 1.0f}, {"boids", 32.0f},
                                          {"pause", 1.0f}, {"grid", 12.0f}}));
    const auto& grid = dynamic_cast<GridScene&>(scenes[5]);
    EXPECT_EQ(std::vector<int>({grid.columns, grid.rows, grid.screenWidth, grid.screenHeight, grid.cellWidth,
                                grid.cellHeight}),
              std::vector<int>({21, 16, 640, 480, 32, 32}));
}

}  // namespace
}  // namespace zint
