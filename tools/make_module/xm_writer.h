#pragma once
// A small writer for Extended Module files (format version 0x0104): the
// module is described as plain records and WriteXm lays out the bytes that a
// loader reads back, packing pattern cells and delta-encoding sample data.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zint::xm {

inline constexpr std::uint8_t kKeyOff = 97;  // the file's key-off note
inline constexpr int kMaxChannels = 32;
inline constexpr int kMaxSamplesPerInstrument = 16;
inline constexpr int kMaxEnvelopePoints = 12;

struct XmCell {
    std::uint8_t note = 0;  // 0 none, 1..96 (1 = C-0), 97 key-off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volume = 0;  // the volume-column byte
    std::uint8_t effect = 0;
    std::uint8_t param = 0;

    bool IsEmpty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

struct XmPattern {
    int rows = 64;
    int channels = 0;
    std::vector<XmCell> cells;  // row by row, channel by channel

    XmPattern() = default;
    XmPattern(int rowCount, int channelCount);
    XmCell& At(int row, int channel);
    const XmCell& At(int row, int channel) const;
};

struct XmEnvelopePoint {
    std::uint16_t x = 0;  // tick
    std::uint16_t y = 0;  // value 0..64
};

struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;
    bool sustain = false;
    std::uint8_t sustainPoint = 0;
    bool loop = false;
    std::uint8_t loopStart = 0;
    std::uint8_t loopEnd = 0;

    bool IsOn() const { return points.size() >= 2; }
};

enum class XmLoop : std::uint8_t { None, Forward, PingPong };

struct XmSample {
    std::string name;
    // Frames at 16-bit scale. An 8-bit sample stores the high byte of each
    // frame, so its frames should already be multiples of 256.
    std::vector<std::int16_t> frames;
    bool sixteenBit = false;
    XmLoop loop = XmLoop::None;
    std::uint32_t loopStart = 0;  // in frames
    std::uint32_t loopLength = 0;  // in frames
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;
    std::array<std::uint8_t, 96> sampleMap{};  // sample number per note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    std::uint8_t vibratoType = 0;
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0;  // the file's value
};

struct XmModule {
    std::string name;
    std::string trackerName;
    int channels = 32;
    bool linearFrequencies = true;
    int defaultSpeed = 6;
    int defaultBpm = 125;
    int restartPosition = 0;
    std::vector<std::uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// The module's bytes. Throws std::invalid_argument when the module breaks a
// limit of the format or of our loader (channels, samples, envelope points,
// loop ranges, cell values).
std::vector<std::uint8_t> WriteXm(const XmModule& module);

// Pattern data as stored in the file: a mask byte and the present fields, or
// all five bytes unmasked when every field is present.
std::vector<std::uint8_t> PackPattern(const XmPattern& pattern);

}  // namespace zint::xm
