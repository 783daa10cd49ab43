#include <SDL.h>

#include "platform/offscreen_video.h"

namespace zint::platform {

void ForceOffscreenVideo() { SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE); }

}  // namespace zint::platform
