#pragma once
// Still pictures: one Motion JPEG frame for the picture generator and for
// tests that need frames to decode, and lossless PNG for stills and previews.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zint::platform {

// quality: the quantiser scale, 1 (best) to 31. pixels: packed
// blue-green-red, bottom row first, as the decoder delivers. Empty on failure.
std::vector<std::uint8_t> EncodeMjpegFrame(int width, int height, std::span<const std::uint8_t> pixels,
                                           int quality);

// A PNG of width x height packed red-green-blue pixels, rows top-down;
// nullopt, with error set, on failure.
std::optional<std::vector<std::uint8_t>> EncodePng(int width, int height, std::span<const std::uint8_t> rgb,
                                                  std::string& error);

}  // namespace zint::platform
