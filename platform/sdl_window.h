#pragma once
// SDL2 implementation of the window: one window titled "zint" with a
// double-buffered RGBA context and a 16-bit depth buffer, optionally switched
// to a 640 x 480 full-screen mode. The context is the compatibility profile
// or OpenGL ES 3.0, whichever is preferred, else the other one.
#include <SDL.h>

#include "platform/window.h"

namespace zint::platform {

class GlWindow final : public Window {
public:
    GlWindow(int width, int height, bool fullScreenWanted, GlApi preferred = GlApi::Compatibility);
    ~GlWindow() override;

    bool Created() const override { return created; }
    GlApi Api() const override { return api; }
    WindowEvent PollEvent() override;
    void SwapBuffers() override;
    void Destroy() override;

    SDL_Window* Handle() const { return window; }

private:
    // The window and a current context of that kind; false leaves neither.
    bool Open(GlApi kind, bool fullScreenWanted);
    void Close();
    // One attempt at a full-screen mode of the given size; rate 0 means any.
    bool SetDisplayMode(int modeWidth, int modeHeight, int bitsPerPixel, int rate);
    bool DisplayInMode(int modeWidth, int modeHeight) const;

    int width;
    int height;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GlApi api = GlApi::Compatibility;
    void (*finish)() = nullptr;
    bool videoInitialised = false;
    bool finishEachFrame = false;
    bool cursorHidden = false;
    bool created = false;
    bool fullScreen = false;
};

}  // namespace zint::platform
