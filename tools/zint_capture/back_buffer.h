#pragma once
#include <cstdint>
#include <vector>

namespace zint::capture {

// The finished frame in the current context's back buffer, as packed RGB
// rows from the top (OpenGL counts rows from the bottom). Works on a
// compatibility-profile and an OpenGL ES 3 context alike and leaves their
// pack state as it was; rgb is left empty when the frame cannot be read.
void ReadBackBuffer(int width, int height, std::vector<std::uint8_t>& rgb);

}  // namespace zint::capture
