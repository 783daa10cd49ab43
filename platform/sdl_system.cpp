#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl_window.h"
#include "platform/sound_device.h"
#include "platform/system.h"

namespace zint::platform {

namespace {

// ZINT_GL=es asks for the OpenGL ES 3.0 path; anything else, or nothing,
// for the compatibility profile. Either falls back to the other.
GlApi GlRequestFromEnvironment() {
    const char* wanted = std::getenv("ZINT_GL");
    return wanted != nullptr && std::strcmp(wanted, "es") == 0 ? GlApi::Es3 : GlApi::Compatibility;
}

class SdlClock final : public Clock {
public:
    std::int64_t Counter() override { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }
    std::int64_t Frequency() override { return static_cast<std::int64_t>(SDL_GetPerformanceFrequency()); }
};

class SdlSystem final : public System {
public:
    SdlSystem() { SDL_Init(0); }
    ~SdlSystem() override { SDL_Quit(); }

    std::unique_ptr<Window> CreateWindow(int width, int height, bool fullScreen) override {
        return std::make_unique<GlWindow>(width, height, fullScreen, GlRequestFromEnvironment());
    }

    Clock& GetClock() override { return clock; }

    std::unique_ptr<SoundDevice> CreateSoundDevice() override { return CreateSdlSoundDevice(); }

    void ShowError(Window* owner, std::string_view text) override {
        const std::string message(text);
        auto* glWindow = dynamic_cast<GlWindow*>(owner);
        SDL_Window* parent = glWindow != nullptr ? glWindow->Handle() : nullptr;
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "", message.c_str(), parent) != 0) {
            std::fprintf(stderr, "%s\n", message.c_str());
        }
    }

private:
    SdlClock clock;
};

}  // namespace

std::unique_ptr<System> CreateSdlSystem() { return std::make_unique<SdlSystem>(); }

}  // namespace zint::platform
