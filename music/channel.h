#pragma once
// The per-channel playback state of the sequencer, one record per pattern
// channel. The player links channel i to voice i when playback starts; the
// tick engine keeps the rest of the record.
#include <cstdint>

namespace zint {

struct Voice;

// updateFlags bits: what UpdateVoice recomputes at the end of a tick.
inline constexpr std::uint8_t kFrequencyChanged = 0x01;
inline constexpr std::uint8_t kVolumeChanged = 0x02;
inline constexpr std::uint8_t kPanningChanged = 0x04;
inline constexpr std::uint8_t kTrigger = 0x08;
inline constexpr std::uint8_t kStop = 0x20;

// The values the volume and panning envelopes start from, and their scales.
inline constexpr int kFullEnvelopeVolume = 64;
inline constexpr int kCentreEnvelopePanning = 32;
inline constexpr int kFullFadeoutVolume = 65536;

struct Channel {
    std::uint8_t note = 0;  // 0-based, given without portamento; picks the sample
    std::uint8_t updateFlags = 0;
    Voice* voice = nullptr;  // the mixer voice this channel drives
    int index = 0;           // channel number, equal to the voice number
    int period = 0;          // linear or Amiga units
    int volume = 0;          // 0..64
    int panning = 0;         // 0..255, 128 = centre
    int volumeDelta = 0;     // tremolo or tremor offset, this tick only
    int periodDelta = 0;     // vibrato, arpeggio and auto-vibrato offset, this tick only

    int volumeEnvelopeTick = 0;
    int volumeEnvelopePoint = 0;
    int volumeEnvelopeValue = 0;  // 16.16
    int volumeEnvelopeSlope = 0;  // 16.16 per tick
    std::uint8_t volumeEnvelopeDone = 0;
    int envelopeVolume = 0;  // 0..64

    int panningEnvelopeTick = 0;
    int panningEnvelopePoint = 0;
    int panningEnvelopeValue = 0;
    int panningEnvelopeSlope = 0;
    std::uint8_t panningEnvelopeDone = 0;
    int envelopePanning = 0;  // 0..64, 32 = no change

    int fadeoutVolume = 0;  // 65536 at an instrument number, lowered after key-off
    int autoVibratoPosition = 0;  // 0..255
    int autoVibratoTicks = 0;     // capped at the instrument's vibratoSweep
    std::uint8_t keyOff = 0;
    std::uint8_t instrument = 0;  // 0-based
    std::uint8_t realNote = 0;    // cell note + relativeNote - 1, wrapping in 8 bits
    int notePeriod = 0;           // period of the last note given, portamento or not
    std::uint8_t lastEffect = 0;  // effect of the previous row
    int sampleOffset = 0;         // memory of effect 9

    std::uint8_t portaUpSpeed = 0;
    std::uint8_t portaDownSpeed = 0;
    std::uint8_t extraFinePortaUp = 0;
    std::uint8_t extraFinePortaDown = 0;
    std::uint8_t volumeSlide = 0;  // shared by effects A, 5 and 6
    std::uint8_t panningSlide = 0;
    std::uint8_t retrigVolumeChange = 0;
    std::uint8_t retrigInterval = 0;

    int portaTarget = 0;
    std::uint8_t portaSpeed = 0;
    std::int8_t vibratoPosition = 0;  // -32..31
    std::uint8_t vibratoSpeed = 0;
    std::uint8_t vibratoDepth = 0;
    std::int8_t tremoloPosition = 0;  // -32..31
    std::uint8_t tremoloSpeed = 0;
    std::uint8_t tremoloDepth = 0;
    std::uint8_t tremorCounter = 0;
    std::uint8_t tremorOnTicks = 0;
    std::uint8_t tremorOffTicks = 0;
};

}  // namespace zint
