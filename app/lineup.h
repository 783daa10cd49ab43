#pragma once
#include "app/scene_list.h"
#include "app/startup.h"
#include "platform/window.h"

namespace zint {

// The production's six scenes in running order: loader, tunnel, pause,
// boids, pause, grid. Constructing the loader creates the shared resources;
// constructing the boids draws random numbers before the loader generates
// its textures, which fixes where the shared sequence stands for them.
void BuildLineUp(SceneList& scenes, platform::Window& window);

// The line-up with the embedded module.
Production ThisProduction();

}  // namespace zint
