#include "platform/web/web_window.h"

#include <emscripten/html5.h>

#include "platform/web/web_page.h"

namespace zint::platform::web {

namespace {

constexpr const char* kCanvas = "#canvas";

}  // namespace

WebWindow::WebWindow(int width, int height, std::function<void()> afterSwap) : afterSwap(std::move(afterSwap)) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    // Alpha, because ES copies the frame into a texture only when the frame
    // has every channel the texture has; a depth buffer; no multisampling,
    // as on the desktop. The desktop's window shows colour alone, whatever
    // blending left in alpha: read as premultiplied over the page's black,
    // the canvas shows exactly its colour too, with no pass to make it opaque.
    attributes.alpha = EM_TRUE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_TRUE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.failIfMajorPerformanceCaveat = EM_FALSE;
    emscripten_set_canvas_element_size(kCanvas, width, height);
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE made = emscripten_webgl_create_context(kCanvas, &attributes);
    if (made <= 0) return;
    if (emscripten_webgl_make_context_current(made) != EMSCRIPTEN_RESULT_SUCCESS) {
        emscripten_webgl_destroy_context(made);
        return;
    }
    context = made;
}

WebWindow::~WebWindow() { Destroy(); }

WindowEvent WebWindow::PollEvent() {
    // The page handles its own keys (full screen and the like); only the
    // request to end reaches the loop.
    return QuitRequested() ? WindowEvent::Quit : WindowEvent::None;
}

void WebWindow::SwapBuffers() {
    if (context <= 0) return;
    if (afterSwap) afterSwap();
    FrameFinished(frames++);
}

void WebWindow::Destroy() {
    if (context <= 0) return;
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context);
    context = 0;
}

}  // namespace zint::platform::web
