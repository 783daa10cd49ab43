#pragma once
// Offline rendering: the windows made after this call are offscreen, with a
// real OpenGL context and no display, whatever the environment asks for.

namespace zint::platform {

void ForceOffscreenVideo();

}  // namespace zint::platform
