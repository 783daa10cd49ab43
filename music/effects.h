#pragma once
// What moves within a row: the later-tick effects, and the modulators that
// the first tick and the later ticks share (envelopes with fadeout, slides,
// vibrato, tremolo, tremor, tone portamento and the automatic vibrato). They
// leave their results in the channel and its updateFlags for UpdateVoice.
#include <cstdint>

#include "music/song.h"

namespace zint {

struct Channel;

// The effect numbers of the pattern cells that do something.
enum Effect : std::uint8_t {
    kArpeggio = 0,
    kPortamentoUp = 1,
    kPortamentoDown = 2,
    kTonePortamento = 3,
    kVibrato = 4,
    kTonePortamentoVolumeSlide = 5,
    kVibratoVolumeSlide = 6,
    kTremolo = 7,
    kSetPanning = 8,
    kSampleOffset = 9,
    kVolumeSlide = 10,
    kPositionJump = 11,
    kSetVolume = 12,
    kPatternBreak = 13,
    kSetSpeed = 15,
    kSetGlobalVolume = 16,
    kGlobalVolumeSlide = 17,
    kKeyOff = 20,
    kEnvelopePosition = 21,
    kPanningSlide = 25,
    kMultiRetrigger = 27,
    kTremor = 29,
    kExtraFinePortamento = 33,
};
inline constexpr int kEffectCount = 34;  // every number from here on does nothing

// Volume-column commands, by the byte's high nibble (the low nibble is x).
enum VolumeColumnCommand : int {
    kColumnSlideDown = 0x6,
    kColumnSlideUp = 0x7,
    kColumnFineSlideDown = 0x8,
    kColumnFineSlideUp = 0x9,
    kColumnVibratoSpeed = 0xA,
    kColumnVibratoDepth = 0xB,
    kColumnSetPanning = 0xC,
    kColumnPanningLeft = 0xD,
    kColumnPanningRight = 0xE,
    kColumnTonePortamento = 0xF,
};

inline constexpr int kMaxChannelVolume = 64;
inline constexpr int kMaxPanning = 255;
inline constexpr int kMaxGlobalVolume = 64;
inline constexpr int kPortamentoUpLimit = 56;  // effect 1 stops at this period

// Slides that have no musical limit (effect 2, effect X, the volume column's
// panning slides) stop this far out: far beyond anything audible, near
// enough that no later sum overflows an int.
inline constexpr int kUnlimitedSlideBound = 1 << 24;
int SlideUnlimited(int value, int by);

inline int HighNibble(std::uint8_t value) { return value >> 4; }
inline int LowNibble(std::uint8_t value) { return value & 0x0F; }

// The vibrato and tremolo waveform W: |sin| scaled to 0..255, by position
// mod 32 (positions run -32..31, the sign picks the half wave).
int VibratoWave(int position);

// The automatic vibrato's waveform value at position 0..255 for the
// instrument's vibratoType 0..3 (sine, square, ramp down, ramp up); 0 for
// other types.
int AutoVibratoWave(int type, int position);

// The work of every tick of a row but the first, for every channel.
void ProcessTickEffects(Song& song);

// One envelope of an instrument, and the channel fields that walk it.
struct EnvelopeShape {
    const Envelope& points;
    int pointCount;
    std::uint8_t flags;
    int sustainPoint;
    int loopStart;
    int loopEnd;
};
struct EnvelopeWalker {
    int& tick;
    int& point;
    int& value;  // 16.16
    int& slope;  // 16.16 per tick
    std::uint8_t& done;
    int& output;
};
EnvelopeShape VolumeEnvelopeOf(const Instrument& instrument);
EnvelopeShape PanningEnvelopeOf(const Instrument& instrument);
EnvelopeWalker VolumeWalkerOf(Channel& channel);
EnvelopeWalker PanningWalkerOf(Channel& channel);

// One tick of one envelope; flagBit is set in updateFlags.
void StepEnvelope(Channel& channel, const EnvelopeShape& shape, const EnvelopeWalker& walker, std::uint8_t flagBit);

// One tick of each envelope that is on and not finished.
void StepEnvelopes(Channel& channel, const Instrument& instrument);

// Effect L: moves the volume envelope (when on) to tick `position`.
void SetVolumeEnvelopePosition(Channel& channel, const Instrument& instrument, int position);

// After key-off, lowers fadeoutVolume by the instrument's fadeout.
void StepFadeout(Channel& channel, const Instrument& instrument);

// The shared volume slide of effects A, 5 and 6.
void SlideVolume(Channel& channel);

// Moves the volume by `by`, within 0..64, and the panning by `by` without a
// limit of its own (the volume column's slides).
void MoveVolume(Channel& channel, int by);
void MovePanning(Channel& channel, int by);

void StepTonePortamento(Channel& channel);
void ApplyVibrato(Channel& channel);
void AdvanceVibrato(Channel& channel);
void ApplyTremolo(Channel& channel);
void ApplyTremor(Channel& channel);
void ApplyAutoVibrato(Channel& channel, const Instrument& instrument);

}  // namespace zint
