#include "app/lineup.h"

namespace zint {

namespace {

// Until the loader exists, a pause of negative length stands in for it: it
// is finished as soon as it has started, which is the loading verdict "ok".
constexpr float kLoaderStandInDuration = -1.0f;
constexpr float kPauseDuration = 1.0f;

}  // namespace

void BuildLineUp(SceneList& scenes, platform::Window&) {
    scenes.Append(std::make_unique<PauseScene>(kLoaderStandInDuration));
    scenes.Append(std::make_unique<PauseScene>(kPauseDuration));
    scenes.Append(std::make_unique<PauseScene>(kPauseDuration));
}

}  // namespace zint
