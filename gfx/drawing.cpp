#include "gfx/drawing.h"

namespace zint::gl {

namespace {

std::unique_ptr<Drawing> DrawingFor(platform::GlApi api) {
    if (api == platform::GlApi::Compatibility) {
        if (auto compatibility = CreateCompatibilityDrawing()) return compatibility;
    }
    return CreateEsDrawing();
}

std::unique_ptr<Drawing>& Selected() {
    static std::unique_ptr<Drawing> drawing = DrawingFor(platform::GlApi::Compatibility);
    return drawing;
}

}  // namespace

void SelectDrawing(platform::GlApi api) {
    Selected() = DrawingFor(api);
}

Drawing& Current() { return *Selected(); }

}  // namespace zint::gl
