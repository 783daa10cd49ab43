#pragma once
// The software mixer: renders one ring block at a time from the voices the
// tick engine sets up, with linear interpolation, 32.32 fixed-point positions,
// forward and ping-pong loops and short gain ramps.
#include <array>
#include <cstdint>
#include <vector>

#include "music/song.h"

namespace zint {

inline constexpr int kVoiceCount = kMaxChannels;
inline constexpr int kBusCount = 16;
inline constexpr int kBusEffectSlots = 4;

// Voice direction values.
inline constexpr int kForward = 1;
inline constexpr int kBackward = 2;

// 32.32 fixed point: frames in the high half, the fraction in the low half.
inline constexpr std::uint64_t kFixedOne = std::uint64_t{1} << 32;

// A gain byte g stands for g x kGainUnit, in single precision.
inline constexpr float kGainUnit = 1.0f / 255.0f;

// One sample player. The tick engine writes the playing fields; the mixer
// reads them and owns the ramp fields.
struct Voice {
    int index = 0;
    int frequency = 0;
    int volume = 0;
    int panning = 0;
    std::uint32_t startOffset = 0;
    const Sample* sample = nullptr;  // null: silent
    std::uint8_t targetLeft = 0;
    std::uint8_t targetRight = 0;
    std::uint64_t position = 0;  // 32.32 into sample->data
    std::uint64_t step = 0;      // 32.32 source frames per output frame
    int direction = 0;           // kBackward only while a ping-pong loop runs down
    std::uint8_t rampTargetLeft = 0;
    std::uint8_t rampTargetRight = 0;
    std::uint8_t currentLeft = 0;
    std::uint8_t currentRight = 0;
    float rampStepLeft = 0.0f;
    float rampStepRight = 0.0f;
    int rampFramesLeft = 0;
    int bus = 0;
};

// An effect a bus may run over its block; none is installed in the program.
struct BusEffect {
    bool enabled = false;
    void (*process)(float* buffer, int sampleCount, void* argument) = nullptr;
};

struct BusEffectSlot {
    BusEffect* effect = nullptr;
    void* argument = nullptr;
};

struct MixBus {
    int busEnabled = 0;
    std::array<BusEffectSlot, kBusEffectSlots> effects{};
    std::vector<float> buffer;  // blockFrames stereo frames, left then right
};

// Renders the ring block at writeBlock for the current song and advances
// writeBlock. Does nothing while no song plays.
void FillBlock();

// Adds `frames` stereo frames of every voice on `bus` into buffer.
void MixVoices(float* buffer, int frames, int bus);

// Rounds to nearest (ties to even) and clamps each of the 2 x frames samples.
// The samples must be finite and within int range, as any mix of the voices is
// (32 voices of 16-bit frames at gains up to 1).
void ConvertToPcm16(std::int16_t* destination, const float* source, int frames);

}  // namespace zint
