#pragma once
#include "app/scene_list.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace zint {

enum class LoopEnd {
    LastSceneFinished,
    QuitRequested,
};

// Runs the scenes from the first, which the start-up has already started.
// Each pass handles one waiting window event and draws nothing, or renders
// the current scene, swaps, and updates it with the seconds since the
// previous frame; a finished scene hands over to the next at once.
LoopEnd RunMainLoop(SceneList& scenes, platform::Window& window, platform::Clock& clock);

}  // namespace zint
