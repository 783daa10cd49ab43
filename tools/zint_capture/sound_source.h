#pragma once
// Where the capture's sound comes from, one video frame's worth at a time.
#include <cstdint>
#include <span>

namespace zint::capture {

inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;

// Sample frames of sound belonging to video frame `frame`. The sound of
// frames 0 to n-1 is exactly floor(n x rate / fps) sample frames, in whole
// numbers, so picture and sound never drift apart over a long capture.
constexpr std::int64_t SoundFramesOfVideoFrame(std::int64_t frame, int framesPerSecond) {
    return ((frame + 1) * kSampleRate) / framesPerSecond - (frame * kSampleRate) / framesPerSecond;
}

class SoundSource {
public:
    virtual ~SoundSource() = default;
    // Fills the buffer with the next interleaved signed 16-bit stereo samples.
    virtual void Render(std::span<std::int16_t> samples) = 0;
};

}  // namespace zint::capture
