#pragma once
// OpenGL functions looked up by name, for those that not every OpenGL
// library exports (buffer objects and the like): the same lookup serves a
// compatibility-profile and an OpenGL ES context.

namespace zint::platform {

using GlFunction = void (*)();

// The function of the current context's library; null when there is none.
GlFunction FindGlFunction(const char* name);

// The same, typed: function becomes null when the library lacks it.
template <typename Function>
void FindGlFunction(Function& function, const char* name) {
    function = reinterpret_cast<Function>(FindGlFunction(name));
}

}  // namespace zint::platform
