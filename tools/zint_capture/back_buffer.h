#pragma once
#include <cstdint>
#include <vector>

namespace zint::capture {

// The finished frame in the current context's back buffer, as packed RGB
// rows from the top (OpenGL counts rows from the bottom).
void ReadBackBuffer(int width, int height, std::vector<std::uint8_t>& rgb);

}  // namespace zint::capture
