#pragma once
// What the web platform asks of the page (index.html) around it, in one
// place: the page owns the canvas, the start gesture, the keys and the
// messages, and in its stepping mode paces the frames itself.

namespace zint::platform::web {

// Frames per second of production time in the page's stepping mode (each
// frame then advances the show by exactly 1/rate seconds); 0 when the page
// runs on the real clock.
int SteppedFrameRate();

// Hands the finished frame (number `frame`, counted from the first swap) to
// the page and waits there until the next one may be drawn.
void FrameFinished(long frame);

// True once the viewer has asked the show to end (Escape).
bool QuitRequested();

void ShowMessage(const char* text);

// The intro has returned; the page may say so.
void ShowEnded();

}  // namespace zint::platform::web
