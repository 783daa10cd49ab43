#include "gfx/drawing.h"

namespace zint::gl {

// A build without the compatibility profile (the browser's) draws through
// the emulation alone.
std::unique_ptr<Drawing> CreateCompatibilityDrawing() { return nullptr; }

}  // namespace zint::gl
