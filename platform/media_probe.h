#pragma once
// Reading back what the video encoder wrote: the streams of a media file,
// decoded in full, and the pixels of a PNG.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/video_encoder.h"

namespace zint::platform {

struct MediaInfo {
    std::string videoCodec;  // short names as the decoders know them: "h264", "aac"
    int width = 0;
    int height = 0;
    int frameRateNumerator = 0;
    int frameRateDenominator = 0;
    std::int64_t videoFrames = 0;  // decoded pictures

    std::string audioCodec;
    int sampleRate = 0;
    int channels = 0;
    std::int64_t audioFrames = 0;        // decoded sample frames, encoder priming removed
    std::int64_t audioStatedFrames = 0;  // the length the container gives the sound
};

// Decodes every stream of the file; nullopt, with error set, when it cannot
// be opened or holds no video.
std::optional<MediaInfo> ProbeMedia(const std::string& path, std::string& error);

std::optional<RgbImage> DecodePng(std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace zint::platform
