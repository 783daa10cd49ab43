#pragma once
// A sound output without real time: nothing plays until the caller moves the
// play position. Rendering a song to a file through it runs the same ring,
// blocks and refill rule as playback on a real device.
#include <cstdint>
#include <span>

#include "platform/sound_device.h"

namespace zint {

class OfflineSoundDevice final : public platform::SoundDevice {
public:
    bool Open(int sampleRate) override;
    void Play(std::span<const std::int16_t> ring) override;
    void Reset() override;
    std::uint64_t PlayedBytes() const override { return playedBytes; }
    void RingWritten() override {}
    bool IsRealTime() const override { return false; }
    void RaiseThreadPriority() override {}

    // Moves the play position on by `frames`, as if the device had played
    // them while the writer slept.
    void Advance(std::uint64_t frames);

    // Copies what the ring holds from the play position on (wrapping around
    // its end) into `samples`, interleaved left and right; silence while
    // nothing plays. The play position stays.
    void Peek(std::span<std::int16_t> samples) const;

    // Plays the next samples.size() / 2 frames into `samples`: takes them from
    // the ring and lets the writer refill behind the play position, a block at
    // a time, as the player thread does on a real device.
    void Take(std::span<std::int16_t> samples);

    bool IsOpen() const { return sampleRate != 0; }
    bool IsPlaying() const { return !ring.empty(); }

private:
    int sampleRate = 0;
    std::span<const std::int16_t> ring;
    std::uint64_t playedBytes = 0;
};

}  // namespace zint
