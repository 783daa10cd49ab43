#include <SDL.h>

#include "platform/gl_functions.h"

namespace zint::platform {

GlFunction FindGlFunction(const char* name) { return reinterpret_cast<GlFunction>(SDL_GL_GetProcAddress(name)); }

}  // namespace zint::platform
