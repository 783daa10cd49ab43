#include "platform/web/web_window.h"

#include <GLES3/gl3.h>
#include <emscripten/html5.h>

#include "platform/web/web_page.h"

namespace zint::platform::web {

namespace {

constexpr const char* kCanvas = "#canvas";

// The page composites the canvas with its alpha, while the desktop's window
// shows colour alone; the frame's alpha (which blending leaves below 1 in
// places) is set to 1 before the page sees it, all other state kept.
void MakeFrameOpaque() {
    GLfloat clearColour[4];
    GLboolean mask[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    if (scissor) glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

}  // namespace

WebWindow::WebWindow(int width, int height, std::function<void()> afterSwap) : afterSwap(std::move(afterSwap)) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    // Alpha, because ES copies the frame into a texture only when the frame
    // has every channel the texture has; a depth buffer; no multisampling,
    // as on the desktop.
    attributes.alpha = EM_TRUE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
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
    MakeFrameOpaque();
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
