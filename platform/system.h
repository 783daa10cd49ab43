#pragma once
// Everything the start-up asks of the platform, behind one interface so that
// the intro runs against SDL, against fakes in tests and against an offline
// clock in the capture tool.
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "platform/sound_device.h"
#include "platform/window.h"

namespace zint::platform {

class System {
public:
    virtual ~System() = default;

    // Always yields a window object; the caller checks Created().
    virtual std::unique_ptr<Window> CreateWindow(int width, int height, bool fullScreen) = 0;

    virtual Clock& GetClock() = 0;

    // A modal error message without caption; owner may be null. Falls back to
    // standard error where no message box can be shown.
    virtual void ShowError(Window* owner, std::string_view text) = 0;

    // The sound output, not yet opened; null where the system has none.
    virtual std::unique_ptr<SoundDevice> CreateSoundDevice() { return nullptr; }
};

// The real platform: SDL2 window and OpenGL context, SDL's performance counter,
// SDL's audio device.
std::unique_ptr<System> CreateSdlSystem();

// The browser's platform: a WebGL 2 canvas, the page's clock (or, in its
// stepping mode, one that advances a fixed step per frame) and Web Audio.
// The page has no threads, so the sound output calls refillSound each time
// it has taken more of the ring, for the player to render behind it.
std::unique_ptr<System> CreateWebSystem(void (*refillSound)());

}  // namespace zint::platform
