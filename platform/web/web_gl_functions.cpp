#include <emscripten/html5_webgl.h>

#include "platform/gl_functions.h"

namespace zint::platform {

GlFunction FindGlFunction(const char* name) {
    return reinterpret_cast<GlFunction>(emscripten_webgl_get_proc_address(name));
}

}  // namespace zint::platform
