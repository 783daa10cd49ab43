#pragma once
#include <memory>

#include "platform/sound_device.h"

namespace zint::platform::web {

// Web Audio through a script processor on the page's one thread: each time
// the browser asks for more sound, the output copies the next frames of the
// ring and then calls refill, so that the player renders behind it.
std::unique_ptr<SoundDevice> CreateWebSoundDevice(void (*refill)());

}  // namespace zint::platform::web
