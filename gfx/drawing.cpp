#include "gfx/drawing.h"

namespace zint::gl {

namespace {

std::unique_ptr<Drawing> DrawingFor(platform::GlApi api) {
    if (api == platform::GlApi::Compatibility) {
        if (auto compatibility = CreateCompatibilityDrawing()) return compatibility;
    }
    return CreateEsDrawing();
}

// Made on first use, so that selecting one first makes no other.
std::unique_ptr<Drawing>& Selected() {
    static std::unique_ptr<Drawing> drawing;
    return drawing;
}

}  // namespace

void SelectDrawing(platform::GlApi api) {
    Selected() = DrawingFor(api);
}

Drawing& Current() {
    std::unique_ptr<Drawing>& drawing = Selected();
    if (!drawing) drawing = DrawingFor(platform::GlApi::Compatibility);
    return *drawing;
}

}  // namespace zint::gl
