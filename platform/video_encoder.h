#pragma once
// Offline encoding of rendered frames and their sound, as the portable code
// sees it: H.264 video with AAC sound in one file, and PNG stills. The
// output depends only on what is fed in, so two runs give identical bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zint::platform {

// Packed 8-bit RGB, rows from top to bottom, no padding between rows.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

struct VideoSettings {
    std::string path;  // the container follows the name's extension
    int width = 0;     // both even: 4:2:0 chroma
    int height = 0;
    int framesPerSecond = 0;
    int sampleRate = 0;  // of the interleaved signed 16-bit stereo sound
    int constantRateFactor = 18;  // H.264 quality, 0 (lossless) to 51
};

class VideoEncoder {
public:
    virtual ~VideoEncoder() = default;

    // One frame of width x height packed RGB pixels, rows top-down.
    virtual bool AddFrame(std::span<const std::uint8_t> rgb) = 0;

    // Interleaved signed 16-bit stereo samples, left first; any count of
    // whole frames, cut into the sound encoder's frames internally.
    virtual bool AddAudio(std::span<const std::int16_t> samples) = 0;

    // Encodes what is still pending and completes the file. Without it the
    // file stays incomplete.
    virtual bool Finish() = 0;

    // Why the last call that returned false failed.
    virtual const std::string& Error() const = 0;
};

// Empty when the file name's extension names a container that holds H.264
// video with AAC sound; otherwise why not. Creates nothing.
std::string ContainerProblem(const std::string& path);

// Creates the file and both encoders; null, with error set, when the
// container does not fit, the H.264 or AAC encoder is missing or the file
// cannot be written.
std::unique_ptr<VideoEncoder> OpenVideoEncoder(const VideoSettings& settings, std::string& error);

}  // namespace zint::platform
