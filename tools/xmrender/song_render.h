#pragma once
// Renders a loaded song through the offline sound device: the same ring,
// blocks and refill rule as playback on a real device, handed on in the
// order the blocks would be heard.
#include <cstdint>
#include <functional>
#include <span>

#include "music/song.h"

namespace zint::xmrender {

// Takes the next interleaved stereo samples; false ends the render.
using SampleSink = std::function<bool(std::span<const std::int16_t>)>;

struct RenderLength {
    std::uint64_t maxFrames = 0;
    // End earlier, at the first frame of the tick where the order sequence
    // first comes back to a position it has already played.
    bool stopWhereOrderRepeats = false;
};

enum class RenderStatus { kRendered, kNoOutput, kSinkRefused };

struct RenderResult {
    RenderStatus status = RenderStatus::kRendered;
    std::uint64_t frames = 0;  // handed to the sink
};

// Opens the offline output at sampleRate (the module file callbacks must be
// installed), plays the song from its start into sink and closes the output
// again. The song's tick handler is its own again afterwards.
RenderResult RenderSong(Song& song, int sampleRate, const RenderLength& length, const SampleSink& sink);

std::uint64_t FramesIn(double seconds, int sampleRate);

}  // namespace zint::xmrender
