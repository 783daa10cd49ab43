#pragma once
// The sound output and its player thread. One device plays one ring of 16-bit
// stereo frames in a loop; the thread re-renders each block the device has
// left, one ring (about two seconds) ahead of what is heard. All of it is
// process-wide: one device, one ring, one current song.
#include <cstdint>
#include <memory>
#include <span>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/song.h"
#include "platform/sound_device.h"

namespace zint {

// The sizes that follow from the sample rate.
struct OutputFormat {
    int sampleRate = 0;
    int blockFrames = 0;  // about 20 ms, a multiple of 4
    int bufferMs = 0;
    int ringFrames = 0;
    int blockCount = 0;
    int rampLength = 0;  // frames of a gain ramp
    float rampReciprocal = 0.0f;
};

inline constexpr int kBufferMs = 1000;
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 384000;

OutputFormat OutputFormatFor(int sampleRate);

// Opens `device` at sampleRate and resets the mixer, after closing what was
// open. False when the module file callbacks are not installed, when there is
// no device, the rate is outside kMinSampleRate..kMaxSampleRate, or the device
// refuses the format.
bool OpenSoundOutput(int sampleRate, std::unique_ptr<platform::SoundDevice> device);

// Stops playback if any, stops and closes the device and forgets every
// player state, voices and channels included.
void CloseSoundOutput();

// Starts the song from its beginning: renders the whole ring, starts the
// device and, for a real-time device, the player thread. False for no song
// or when no output is open.
bool StartPlayback(Song* song);

// Ends the player thread and releases the mix area; the device keeps looping
// the ring until CloseSoundOutput or the next StartPlayback. False for no
// song; harmless when nothing plays.
bool StopPlayback(Song* song);

// Sets the song's bpm and its frames per tick at the open sample rate.
void SetBpm(Song& song, int bpm);

// The player thread's body: refills the ring every 5 ms until asked to stop.
void PlayerThread();

// One poll of the player thread: asks the device how far it has played and
// renders the blocks it has left. An offline device's owner calls it after
// moving the play position.
void RefillRing();

// The ring block that holds the device's play position.
int PlayBlockAt(std::uint64_t playedBytes, const OutputFormat& format);

// Inspection for tests and tools. Touch the voices, channels, buses and the
// ring only while no player thread runs.
const OutputFormat& CurrentOutput();
std::span<Voice, kVoiceCount> Voices();
std::span<Channel, kMaxChannels> Channels();
std::span<MixBus, kBusCount> Buses();
std::span<const std::int16_t> Ring();
int WriteBlock();
const Song* CurrentSong();
bool PlayerThreadRunning();

}  // namespace zint
