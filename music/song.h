#pragma once
// The song records the loader builds and the player works on. They do not
// change after loading, apart from the Song's playback fields.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zint {

inline constexpr int kMaxChannels = 32;
inline constexpr int kOrderTableSize = 256;
inline constexpr int kMaxSamplesPerInstrument = 16;
inline constexpr int kNoteCount = 96;
inline constexpr int kEnvelopePoints = 12;
// The mixer interpolates towards the frame after the current one: every
// sample's data ends with this many spare frames (16 bytes), zero at first.
inline constexpr int kGuardFrames = 8;

inline constexpr std::uint8_t kKeyOffNote = 255;

// Sample loopMode values.
inline constexpr std::uint8_t kNoLoop = 1;
inline constexpr std::uint8_t kForwardLoop = 2;
inline constexpr std::uint8_t kPingPongLoop = 4;

// Envelope flag bits (the file's envelope type).
inline constexpr std::uint8_t kEnvelopeOn = 0x01;
inline constexpr std::uint8_t kEnvelopeSustain = 0x02;
inline constexpr std::uint8_t kEnvelopeLoop = 0x04;

struct PatternCell {
    std::uint8_t note = 0;        // 0 none, 1..96 (1 = C-0), 255 key-off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volumeColumn = 0;
    std::uint8_t effect = 0;
    std::uint8_t effectParam = 0;

    bool operator==(const PatternCell&) const = default;
};
static_assert(sizeof(PatternCell) == 5);

struct Pattern {
    int rowCount = 0;
    std::vector<PatternCell> cells;  // rowCount x channelCount, row by row; empty for "no cells"
};

struct Sample {
    // `length` frames, then kGuardFrames spare frames; empty when length is 0.
    std::vector<std::int16_t> data;
    std::uint32_t length = 0;
    std::uint32_t loopStart = 0;
    std::uint32_t loopLength = 0;
    std::uint8_t volume = 0;
    std::int8_t finetune = 0;
    int panning = 0;
    std::uint8_t loopMode = 0;
    std::int8_t relativeNote = 0;
};

// Shared by every empty instrument slot; a voice that starts it stops at once.
inline const Sample emptySample{};

struct EnvelopePoint {
    std::uint16_t x = 0;  // tick
    std::uint16_t y = 0;  // value, 0..64
};
using Envelope = std::array<EnvelopePoint, kEnvelopePoints>;

struct Instrument {
    Instrument() { samples.fill(&emptySample); }
    // `samples` points into `ownedSamples`: moving keeps the pointers valid, copying would not.
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;
    Instrument(Instrument&&) noexcept = default;
    Instrument& operator=(Instrument&&) noexcept = default;

    int sampleCount = 0;
    // Entries from sampleCount on refer to emptySample.
    std::array<const Sample*, kMaxSamplesPerInstrument> samples{};
    std::array<std::uint8_t, kNoteCount> sampleMap{};
    Envelope volumeEnvelope{};
    Envelope panningEnvelope{};
    std::uint8_t volumePointCount = 0;
    std::uint8_t panningPointCount = 0;
    std::uint8_t volumeSustainPoint = 0;
    std::uint8_t volumeLoopStart = 0;
    std::uint8_t volumeLoopEnd = 0;
    std::uint8_t panningSustainPoint = 0;
    std::uint8_t panningLoopStart = 0;
    std::uint8_t panningLoopEnd = 0;
    std::uint8_t volumeEnvelopeFlags = 0;
    std::uint8_t panningEnvelopeFlags = 0;
    std::uint8_t vibratoType = 0;
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0;  // twice the file's value

    std::vector<Sample> ownedSamples;  // the sampleCount samples the instrument owns
};

struct Song;
using TickHandler = void (*)(Song& song);

// Hands out a sample's raw bytes instead of the stream: destination, byte
// count, bit depth (8 or 16), instrument and sample number (both from 0).
using SampleDataSource = std::function<void(std::uint8_t* destination, std::uint32_t byteCount, int bitDepth,
                                            int instrumentIndex, int sampleIndex)>;

struct Song {
    std::vector<Pattern> patterns;  // patternSlotCount entries
    std::vector<Instrument> instruments;  // instrumentCount entries
    int tickFramesLeft = 0;
    int samplesPerTick = 0;
    std::int16_t songLength = 0;
    std::int16_t restartPosition = 0;
    std::int16_t channelCount = 0;
    int usedPatternCount = 0;
    int patternSlotCount = 0;
    std::int16_t instrumentCount = 0;
    std::uint16_t songFlags = 0;  // bit 0: linear frequency table
    std::int16_t defaultSpeed = 0;
    std::int16_t defaultBpm = 0;
    std::array<std::uint8_t, kOrderTableSize> orderTable{};
    std::uint8_t initialGlobalVolume = 0;

    // Playback state, set by StartPlayback and advanced tick by tick.
    int globalVolume = 0;
    std::uint8_t globalVolumeSlide = 0;
    int tick = 0;
    int speed = 0;
    int bpm = 0;
    int row = 0;
    int orderPosition = 0;
    int nextRow = 0;
    int nextOrderPosition = 0;
    TickHandler tickHandler = nullptr;
    SampleDataSource sampleDataSource;
};

}  // namespace zint
