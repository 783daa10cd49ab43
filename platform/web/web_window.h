#pragma once
// The page's canvas with a WebGL 2 context, which the ES 3.0 drawing path
// draws on. Swapping hands the frame to the page and yields to the browser
// until the next frame is due.
#include <emscripten/html5_webgl.h>

#include <functional>

#include "platform/window.h"

namespace zint::platform::web {

class WebWindow final : public Window {
public:
    // afterSwap runs once per finished frame, before the page is handed it.
    WebWindow(int width, int height, std::function<void()> afterSwap);
    ~WebWindow() override;

    bool Created() const override { return context > 0; }
    GlApi Api() const override { return GlApi::Es3; }
    WindowEvent PollEvent() override;
    void SwapBuffers() override;
    void Destroy() override;

private:
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    std::function<void()> afterSwap;
    long frames = 0;
};

}  // namespace zint::platform::web
