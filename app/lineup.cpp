#include "app/lineup.h"

#include "data/items.h"
#include "gfx/draw_state.h"
#include "gfx/resources.h"
#include "scenes/boids_scene.h"
#include "scenes/grid_scene.h"
#include "scenes/loader_scene.h"
#include "scenes/tunnel_scene.h"

namespace zint {

namespace {

constexpr float kPauseDuration = 1.0f;
constexpr float kBoidsDuration = 32.0f;

constexpr int kGridColumns = 21;
constexpr int kGridRows = 16;
constexpr int kGridCellSize = 32;
constexpr float kGridDuration = 12.0f;

}  // namespace

void BuildLineUp(SceneList& scenes, platform::Window& window) {
    scenes.Append(std::make_unique<LoaderScene>(window));
    scenes.Append(std::make_unique<TunnelScene>(MakeTunnelPathKeys(), kTunnelDuration));
    scenes.Append(std::make_unique<PauseScene>(kPauseDuration));
    scenes.Append(std::make_unique<BoidsScene>(kBoidsDuration, resources));
    scenes.Append(std::make_unique<PauseScene>(kPauseDuration));
    scenes.Append(std::make_unique<GridScene>(kGridColumns, kGridRows, kScreenWidth, kScreenHeight, kGridCellSize,
                                              kGridCellSize, kGridDuration));
}

Production ThisProduction() { return {BuildLineUp, data::ItemSpan(data::musicModule)}; }

}  // namespace zint
