#pragma once
// Turns one compressed video frame into pixels. The codec is named by the
// four-character code of a video file's stream (read as a little-endian
// 32-bit value, "MJPG" being 'M' | 'J' << 8 | 'P' << 16 | 'G' << 24).
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace zint::platform {

class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    // Decodes the frame, which must come out at exactly width x height, into
    // packed 24-bit blue-green-red, bottom row first, width * 3 bytes a row.
    // False when no decoder knows the code or the frame does not decode.
    virtual bool Decode(std::uint32_t codec, int width, int height, std::span<const std::uint8_t> frame,
                        std::vector<std::uint8_t>& pixels) = 0;
};

// The decoder the intro uses: libavcodec, chosen by the code through the
// table of video tags of RIFF files.
std::unique_ptr<ImageDecoder> CreateLibavImageDecoder();

// The decoder of the platform built: libavcodec's on the desktop, the
// browser's own in the page.
std::unique_ptr<ImageDecoder> CreateImageDecoder();

}  // namespace zint::platform
