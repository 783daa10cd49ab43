#pragma once
// The sound output as the music player sees it: a signed 16-bit stereo output
// that plays one buffer (the ring) in an endless loop and tells how far it has
// played. The player writes the ring behind the play position and never ahead
// of it.
#include <cstdint>
#include <memory>
#include <span>

namespace zint::platform {

class SoundDevice {
public:
    virtual ~SoundDevice() = default;  // stops and closes the output

    // Opens the output for signed 16-bit stereo frames at sampleRate; false
    // when no output takes that format.
    virtual bool Open(int sampleRate) = 0;

    // Starts looping `ring` (interleaved left, right samples) from its first
    // frame; the play position starts again at 0. The ring must stay alive
    // until Reset or the device's end.
    virtual void Play(std::span<const std::int16_t> ring) = 0;

    // Stops the output and lets go of the ring. Harmless when nothing plays.
    virtual void Reset() = 0;

    // Bytes the output has taken from the ring since Play, 4 per frame.
    virtual std::uint64_t PlayedBytes() const = 0;

    // The writer has finished more of the ring; the output sees those samples
    // from now on.
    virtual void RingWritten() = 0;

    // True when the output plays on its own clock, so that a thread must keep
    // the ring filled; false when the caller moves the play position.
    virtual bool IsRealTime() const = 0;

    // Raises the calling thread's priority as far as the system allows;
    // refusal is ignored.
    virtual void RaiseThreadPriority() = 0;
};

// The default audio device through SDL. The SDL library must be initialised
// (any subsystem) for as long as the device lives.
std::unique_ptr<SoundDevice> CreateSdlSoundDevice();

}  // namespace zint::platform
