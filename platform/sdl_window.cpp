#include "platform/sdl_window.h"

#include <cstdlib>
#include <cstring>

#include "platform/gl_functions.h"
#include "platform/refresh_rates.h"

namespace zint::platform {

namespace {

constexpr const char* kWindowTitle = "zint";
constexpr const char* kWindowClass = "GLIWindow";
constexpr int kFullScreenBitsPerPixel = 16;
constexpr Uint32 kRestoreDelayMs = 300;

void RequestContextAttributes(GlApi kind) {
    SDL_GL_ResetAttributes();
    if (kind == GlApi::Es3) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        // ES copies the frame into a texture only when the frame has every
        // channel the texture has.
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
}

// The desktop groups, names and matches the window by its class; SDL reads
// it from the environment when the video subsystem starts.
void NameWindowClass() {
    setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 1);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 1);
}

bool IsQuitEvent(const SDL_Event& event) {
    if (event.type == SDL_QUIT) return true;
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) return true;
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
}

}  // namespace

GlWindow::GlWindow(int width, int height, bool fullScreenWanted, GlApi preferred) : width(width), height(height) {
    NameWindowClass();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    videoInitialised = true;

    const GlApi other = preferred == GlApi::Es3 ? GlApi::Compatibility : GlApi::Es3;
    if (!Open(preferred, fullScreenWanted) && !Open(other, fullScreenWanted)) return;

    // Motions counted in frames assume the display's refresh paces the loop.
    SDL_GL_SetSwapInterval(1);
    // Without a display nothing paces the swaps, and a software renderer
    // would queue frames far ahead of the clock: wait for each one instead.
    const char* driver = SDL_GetCurrentVideoDriver();
    finishEachFrame = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
    FindGlFunction(finish, "glFinish");
    if (fullScreenWanted) {
        SDL_ShowCursor(SDL_DISABLE);
        cursorHidden = true;
    }
    created = true;
}

bool GlWindow::Open(GlApi kind, bool fullScreenWanted) {
    RequestContextAttributes(kind);
    // A full-screen window stays hidden until its mode is chosen, so the
    // desktop never shows it at the wrong size first.
    const Uint32 visibility = fullScreenWanted ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
    window = SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                              SDL_WINDOW_OPENGL | visibility);
    if (window == nullptr) return false;

    if (fullScreenWanted) {
        const auto walk = [&] {
            return WalkRefreshRates([&](int rate) {
                       return SetDisplayMode(width, height, kFullScreenBitsPerPixel, rate);
                   }) >= 0;
        };
        fullScreen = walk();
        SDL_ShowWindow(window);
        // A hidden window's mode change only happens as it is shown; where
        // the display refused it then, walk the rates again.
        if (fullScreen && !DisplayInMode(width, height)) fullScreen = walk();
    }

    context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        Close();
        return false;
    }
    api = kind;
    return true;
}

void GlWindow::Close() {
    if (context != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

GlWindow::~GlWindow() { Destroy(); }

bool GlWindow::SetDisplayMode(int modeWidth, int modeHeight, int bitsPerPixel, int rate) {
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) return false;

    // Prefer a mode of the asked depth; take any depth when none is listed.
    SDL_DisplayMode chosen{};
    bool found = false;
    const int modeCount = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < modeCount; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
        if (mode.w != modeWidth || mode.h != modeHeight) continue;
        if (rate != 0 && mode.refresh_rate != rate) continue;
        const bool exactDepth = static_cast<int>(SDL_BITSPERPIXEL(mode.format)) == bitsPerPixel;
        if (!found || exactDepth) {
            chosen = mode;
            found = true;
            if (exactDepth) break;
        }
    }
    if (!found) return false;
    if (SDL_SetWindowDisplayMode(window, &chosen) != 0) return false;
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

bool GlWindow::DisplayInMode(int modeWidth, int modeHeight) const {
    SDL_DisplayMode current{};
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &current) != 0) return false;
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 && current.w == modeWidth &&
           current.h == modeHeight;
}

WindowEvent GlWindow::PollEvent() {
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) return WindowEvent::None;
    return IsQuitEvent(event) ? WindowEvent::Quit : WindowEvent::Other;
}

void GlWindow::SwapBuffers() {
    if (window == nullptr) return;
    SDL_GL_SwapWindow(window);
    if (finishEachFrame && finish != nullptr) finish();
}

void GlWindow::Destroy() {
    if (cursorHidden) {
        SDL_ShowCursor(SDL_ENABLE);
        cursorHidden = false;
    }
    Close();
    if (videoInitialised) {
        // Give the display a moment before returning it to the desktop mode.
        if (fullScreen) SDL_Delay(kRestoreDelayMs);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoInitialised = false;
    }
    fullScreen = false;
    created = false;
}

}  // namespace zint::platform
