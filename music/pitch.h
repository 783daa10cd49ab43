#pragma once
// The player's pitch arithmetic and the hand-over from the sequencer to the
// mixer: periods from notes, and the voice fields from a channel's state.
//
// Period units. Linear table: 64 a semitone, 768 an octave, 4608 = 8363 Hz;
// periodDelta is subtracted (a positive offset raises the pitch). Amiga
// table: the classic period, 1712 = 8363 Hz at C-4; periodDelta is added.
#include <cstdint>

namespace zint {

struct Channel;
struct Sample;
struct Song;

inline constexpr std::uint16_t kLinearFrequencyTable = 0x0001;  // songFlags bit
inline constexpr int kLinearUnitsPerSemitone = 64;

// The voice never steps slower than this.
inline constexpr int kMinStepFrequency = 100;

bool UsesLinearPeriods(const Song& song);

// realNote 0..255 (0 = C-0, 48 = C-4), finetune -128..127.
int NotePeriod(int realNote, int finetune, bool linear);

// The Amiga branch of NotePeriod; also takes the arpeggio's note + offset.
int AmigaPeriod(int note, int finetune);

// The highest frequency that keeps a voice's step below 256 frames per
// output frame at sampleRate.
int MaxVoiceFrequency(int sampleRate);

// The 32.32 step that plays `frequency` at sampleRate (never below 100 Hz).
std::uint64_t StepForFrequency(int frequency, int sampleRate);

// Turns the channel's updateFlags into its voice's fields: trigger, volume
// and gains, panning and gains, frequency and step, stop. `sample` is the
// one the channel resolved on this tick.
void UpdateVoice(Channel& channel, const Sample& sample, const Song& song);

}  // namespace zint
