#pragma once
// The faces every font rasterizer tries, in order, when the asked face is
// missing, so that the desktop and the browser fall back alike.
#include <array>

namespace zint::platform {

struct FaceRequest {
    const char* family;
    int weight;  // 100 to 900
    double setWidth;  // glyph width relative to the face's own
};

// Condensed heavy sans faces from the font packages the set-up installs. The
// asked face is far narrower than either, so they are drawn narrower still:
// the long texts then fit the screen as they were written to.
inline constexpr std::array<FaceRequest, 2> kStandIns{{
    {"Liberation Sans Narrow", 700, 0.88},
    {"DejaVu Sans Condensed", 700, 0.8},
}};

}  // namespace zint::platform
