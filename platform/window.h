#pragma once
// The program's single window with its OpenGL context, as the portable code
// sees it. The context is current on the creating thread for the window's life.
#include <memory>

namespace zint::platform {

// Which OpenGL the window's context speaks: the compatibility profile, or
// OpenGL ES 3.0 (what browsers offer as WebGL 2).
enum class GlApi { Compatibility, Es3 };

enum class WindowEvent {
    None,   // nothing was waiting
    Quit,   // Escape or the window's close request: the main loop ends
    Other,  // some other event was handled
};

class Window {
public:
    virtual ~Window() = default;

    // False when no OpenGL context could be made current; nothing else works then.
    virtual bool Created() const = 0;

    virtual GlApi Api() const { return GlApi::Compatibility; }

    // Handles at most one waiting event.
    virtual WindowEvent PollEvent() = 0;

    virtual void SwapBuffers() = 0;

    // Releases the context and the window and restores the display mode.
    // Safe to call more than once.
    virtual void Destroy() = 0;
};

}  // namespace zint::platform
