#pragma once
#include "app/scene_list.h"
#include "platform/window.h"

namespace zint {

// The production's scenes, in running order.
void BuildLineUp(SceneList& scenes, platform::Window& window);

}  // namespace zint
