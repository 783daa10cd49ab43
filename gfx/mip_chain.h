#pragma once
// The mipmap levels the desktop path gets from GLU, computed on the CPU for
// drawing paths that have no GLU (OpenGL ES 3.0, WebGL 2): byte for byte
// GLU's levels, with two exceptions. GLU uploads the first level it computes
// itself with the caller's unpack alignment though it packs it tightly, so
// with an alignment above 1 and such a level's rows not a multiple of it GLU
// reads past its buffer; these levels are what GLU meant to upload. And when
// the power-of-two size exceeds maxSide, only the sizes are GLU's.
#include <cstdint>
#include <span>
#include <vector>

namespace zint {

// One level: tightly packed rows, bottom row first, channels in the order given.
struct MipLevel {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// The power-of-two side GLU resamples a side to: the nearer power of two,
// rounding up from one and a half times the lower one (240 -> 256, 320 -> 256).
int MipBaseSide(int side);

// Every level from the base down to 1 x 1 for an image of `channels` (1..4)
// bytes per pixel whose rows start at multiples of `rowAlignment` (1, 2, 4 or
// 8) bytes: the image resampled to MipBaseSide of each side (both sides halved
// together while either exceeds `maxSide`), then halved level by level.
// Sizes, channels or alignments out of range, or too few pixels: no levels.
std::vector<MipLevel> BuildMipChain(int channels, int width, int height, std::span<const std::uint8_t> pixels,
                                    int rowAlignment, int maxSide);

}  // namespace zint
