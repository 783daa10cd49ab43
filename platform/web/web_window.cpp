#include "platform/web/web_window.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/web/web_page.h"

namespace zint::platform::web {

namespace {

constexpr const char* kCanvas = "#canvas";

// The page composites the canvas with its alpha, while the desktop's window
// shows colour alone; the frame's alpha (which blending leaves below 1 in
// places) is set to 1 before the page sees it. Asking WebGL for the state to
// restore would wait for the frame to be drawn, so the context notes the
// clear colour, colour mask and scissor test as they are set instead.
EM_JS(void, zint_note_frame_state, (), {
    const gl = GLctx;
    const state = {clearColour: [0, 0, 0, 0], mask: [true, true, true, true], scissor: false};
    const clearColor = gl.clearColor, colorMask = gl.colorMask, enable = gl.enable, disable = gl.disable;
    gl.clearColor = function(r, g, b, a) { state.clearColour = [r, g, b, a]; clearColor.call(gl, r, g, b, a); };
    gl.colorMask = function(r, g, b, a) { state.mask = [r, g, b, a]; colorMask.call(gl, r, g, b, a); };
    gl.enable = function(cap) { if (cap === gl.SCISSOR_TEST) state.scissor = true; enable.call(gl, cap); };
    gl.disable = function(cap) { if (cap === gl.SCISSOR_TEST) state.scissor = false; disable.call(gl, cap); };
    gl.zintFrameState = state;
    gl.zintRaw = {clearColor: clearColor, colorMask: colorMask, enable: enable, disable: disable};
});

EM_JS(void, zint_make_frame_opaque, (), {
    const gl = GLctx;
    const state = gl.zintFrameState;
    const raw = gl.zintRaw;
    if (state.scissor) raw.disable.call(gl, gl.SCISSOR_TEST);
    raw.colorMask.call(gl, false, false, false, true);
    raw.clearColor.call(gl, 0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    raw.colorMask.apply(gl, state.mask);
    raw.clearColor.apply(gl, state.clearColour);
    if (state.scissor) raw.enable.call(gl, gl.SCISSOR_TEST);
});

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
    zint_note_frame_state();
}

WebWindow::~WebWindow() { Destroy(); }

WindowEvent WebWindow::PollEvent() {
    // The page handles its own keys (full screen and the like); only the
    // request to end reaches the loop.
    return QuitRequested() ? WindowEvent::Quit : WindowEvent::None;
}

void WebWindow::SwapBuffers() {
    if (context <= 0) return;
    zint_make_frame_opaque();
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
