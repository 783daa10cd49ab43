#pragma once
// Where the intro's picture goes in a bigger video frame: scaled up by the
// largest whole factor that fits, each pixel repeated (so edges stay sharp and
// 4:2:0 chroma does not smear thin coloured lines), centred on black.
#include <cstdint>
#include <span>
#include <vector>

namespace zint::capture {

struct Framing {
    int sourceWidth = 0;
    int sourceHeight = 0;
    int width = 0;  // of the video frame
    int height = 0;
    int factor = 1;
    int left = 0;  // of the scaled picture in the frame
    int top = 0;

    bool IsIdentity() const { return width == sourceWidth && height == sourceHeight; }
};

// The frame must be at least as big as the source.
Framing FitInto(int sourceWidth, int sourceHeight, int width, int height);

// rgb: the source's packed RGB rows from the top; out becomes the frame's.
void PlaceFrame(const Framing& framing, std::span<const std::uint8_t> rgb, std::vector<std::uint8_t>& out);

}  // namespace zint::capture
