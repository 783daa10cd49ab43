#include "tools/zint_capture/framing.h"

#include <algorithm>

namespace zint::capture {

Framing FitInto(int sourceWidth, int sourceHeight, int width, int height) {
    Framing framing{sourceWidth, sourceHeight, width, height};
    framing.factor = std::max(1, std::min(width / sourceWidth, height / sourceHeight));
    // Even offsets keep the picture's edge on the 2 x 2 chroma grid.
    framing.left = ((width - framing.factor * sourceWidth) / 2) & ~1;
    framing.top = ((height - framing.factor * sourceHeight) / 2) & ~1;
    return framing;
}

void PlaceFrame(const Framing& framing, std::span<const std::uint8_t> rgb, std::vector<std::uint8_t>& out) {
    const auto frameRowBytes = static_cast<std::size_t>(framing.width) * 3;
    const auto sourceRowBytes = static_cast<std::size_t>(framing.sourceWidth) * 3;
    const auto factor = static_cast<std::size_t>(framing.factor);
    // The border is black from the first frame on and never drawn over.
    out.resize(frameRowBytes * static_cast<std::size_t>(framing.height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(framing.sourceHeight); ++y) {
        const std::uint8_t* source = rgb.data() + y * sourceRowBytes;
        std::uint8_t* first = out.data() + (static_cast<std::size_t>(framing.top) + y * factor) * frameRowBytes +
                              static_cast<std::size_t>(framing.left) * 3;
        std::uint8_t* to = first;
        for (std::size_t x = 0; x < static_cast<std::size_t>(framing.sourceWidth); ++x, source += 3) {
            for (std::size_t copy = 0; copy < factor; ++copy, to += 3) std::copy(source, source + 3, to);
        }
        for (std::size_t copy = 1; copy < factor; ++copy) {
            std::copy(first, first + factor * sourceRowBytes, first + copy * frameRowBytes);
        }
    }
}

}  // namespace zint::capture
