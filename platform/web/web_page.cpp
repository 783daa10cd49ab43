#include "platform/web/web_page.h"

#include <emscripten.h>

namespace {

// Each hook is optional, so that a page without one still runs the intro.
EM_JS(int, zint_page_stepped_frame_rate, (), { return Module['zintStep'] | 0; });

// The one place the program yields to the browser: the page wakes it for the
// next frame (at the display's pace, or at once when stepping).
EM_JS(void, zint_page_frame_finished, (double frame), {
    Asyncify.handleSleep(function(wakeUp) {
        if (Module['zintFrameFinished']) {
            Module['zintFrameFinished'](frame, wakeUp);
        } else {
            requestAnimationFrame(function() { wakeUp(); });
        }
    });
});

EM_JS(int, zint_page_quit_requested, (), { return Module['zintQuitRequested'] ? 1 : 0; });

EM_JS(void, zint_page_show_message, (const char* text), {
    const message = UTF8ToString(text);
    if (Module['zintShowMessage']) {
        Module['zintShowMessage'](message);
    } else {
        console.error(message);
    }
});

EM_JS(void, zint_page_show_ended, (), {
    if (Module['zintEnded']) Module['zintEnded']();
});

}  // namespace

namespace zint::platform::web {

int SteppedFrameRate() { return zint_page_stepped_frame_rate(); }
void FrameFinished(long frame) { zint_page_frame_finished(static_cast<double>(frame)); }
bool QuitRequested() { return zint_page_quit_requested() != 0; }
void ShowMessage(const char* text) { zint_page_show_message(text); }
void ShowEnded() { zint_page_show_ended(); }

}  // namespace zint::platform::web
