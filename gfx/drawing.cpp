#include "gfx/drawing.h"

namespace zint::gl {

namespace {

std::unique_ptr<Drawing>& Selected() {
    static std::unique_ptr<Drawing> drawing = CreateCompatibilityDrawing();
    return drawing;
}

}  // namespace

void SelectDrawing(platform::GlApi api) {
    Selected() = api == platform::GlApi::Es3 ? CreateEsDrawing() : CreateCompatibilityDrawing();
}

Drawing& Current() { return *Selected(); }

}  // namespace zint::gl
