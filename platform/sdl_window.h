#pragma once
// SDL2 implementation of the window: one window titled "zint" with a
// double-buffered RGBA compatibility context and a 16-bit depth buffer,
// optionally switched to a 640 x 480 full-screen mode.
#include <SDL.h>

#include "platform/window.h"

namespace zint::platform {

class GlWindow final : public Window {
public:
    GlWindow(int width, int height, bool fullScreenWanted);
    ~GlWindow() override;

    bool Created() const override { return created; }
    WindowEvent PollEvent() override;
    void SwapBuffers() override;
    void Destroy() override;

    SDL_Window* Handle() const { return window; }

private:
    // One attempt at a full-screen mode of the given size; rate 0 means any.
    bool SetDisplayMode(int modeWidth, int modeHeight, int bitsPerPixel, int rate);

    int width;
    int height;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool videoInitialised = false;
    bool finishEachFrame = false;
    bool cursorHidden = false;
    bool created = false;
    bool fullScreen = false;
};

}  // namespace zint::platform
