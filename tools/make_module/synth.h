#pragma once
// Sound synthesis for the module's samples: every sound is computed here from
// oscillators and a fixed-seed noise source, so the generator's output is the
// same on every run.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zint::compose {

using Wave = std::vector<float>;  // -1..1 at the sample's own rate

inline constexpr double kMiddleC = 261.6255653;  // Hz of note C-4
inline constexpr double kBaseRate = 8363.0;  // playback rate of C-4 with no tuning

// Small xorshift generator: our only source of randomness.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed ? seed : 1) {}
    std::uint32_t Next();
    float Bipolar();  // uniform in -1..1

private:
    std::uint32_t state_;
};

// Relative note and finetune that make note C-4 play at `rate` frames per second.
struct Tuning {
    std::int8_t relativeNote = 0;
    std::int8_t finetune = 0;
};
Tuning TuneForRate(double rate);

// The rate an 8363 Hz base raised by whole semitones, so samples made at it need no finetune.
double SemitoneRate(int semitones);

// One period of `frames` frames built from sine harmonics with the given
// amplitudes (amplitudes[0] is the fundamental); starts at a zero crossing
// and peaks just below full scale.
Wave HarmonicCycle(std::size_t frames, const std::vector<float>& amplitudes);

// Harmonic amplitudes of a saw limited to `count` harmonics, rolled off above `soften`.
std::vector<float> SawHarmonics(int count, float soften);
// Harmonic amplitudes of a pulse with the given duty cycle.
std::vector<float> PulseHarmonics(int count, float duty, float soften);

Wave KickDrum(double rate);
Wave SnareDrum(double rate, Rng& rng);
Wave HatNoise(std::size_t frames, Rng& rng);
Wave CymbalNoise(double rate, std::size_t frames, Rng& rng);
// Three detuned saws at `pitch` Hz with free-running phases: a chorus for ping-pong looping.
Wave DetunedPad(double rate, double pitch, std::size_t frames, Rng& rng);

void FadeIn(Wave& wave, std::size_t frames);
void FadeOut(Wave& wave, std::size_t frames);
void Normalize(Wave& wave, float peak);

// The frame i nearest to `around` (within `radius`) where the wave is flat
// between frames i and i + 1: a ping-pong loop that starts at i or ends at
// i + 1 turns without a kink, so the turn does not crackle.
std::size_t FlatSpotNear(const Wave& wave, std::size_t around, std::size_t radius);

// Frames at 16-bit scale; To8Bit rounds each to the nearest multiple of 256.
std::vector<std::int16_t> To16Bit(const Wave& wave);
std::vector<std::int16_t> To8Bit(const Wave& wave);

}  // namespace zint::compose
