#pragma once
// Compresses one picture into a single frame: for the picture generator and
// for tests that need frames to decode.
#include <cstdint>
#include <span>
#include <vector>

namespace zint::platform {

enum class ImageCodec {
    Mjpeg,  // one Motion JPEG frame, full-range 4:4:4
    Png,    // a PNG file, for looking at pictures
};

// quality: for Motion JPEG the quantiser scale, 1 (best) to 31; ignored for PNG.
// pixels: packed blue-green-red, bottom row first, as the decoder delivers.
// Empty on failure.
std::vector<std::uint8_t> EncodeImage(ImageCodec codec, int width, int height,
                                      std::span<const std::uint8_t> pixels, int quality);

}  // namespace zint::platform
