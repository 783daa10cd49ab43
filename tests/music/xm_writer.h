#pragma once
// Builds XM files byte by byte for the tests and the fuzzer's seeds. Every
// count and size the loader reads is written from the parts given, unless a
// test overrides it to build a broken file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zint::test {

using Bytes = std::vector<std::uint8_t>;

inline void PutU8(Bytes& out, unsigned value) { out.push_back(static_cast<std::uint8_t>(value)); }
inline void PutU16(Bytes& out, unsigned value) {
    PutU8(out, value & 0xFF);
    PutU8(out, value >> 8 & 0xFF);
}
inline void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}
inline void PadTo(Bytes& out, std::size_t size) {
    if (out.size() < size) out.resize(size, 0);
}

struct XmSample {
    std::optional<std::uint32_t> length;  // in bytes; data.size() unless given
    std::uint32_t loopStart = 0;          // in bytes
    std::uint32_t loopLength = 0;         // in bytes
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t type = 0;  // bits 0-1 loop, bit 4 16-bit
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
    Bytes data;  // as stored in the file (delta coded)
};

struct XmEnvelope {
    std::array<std::uint16_t, 24> points{};  // x, y pairs
    std::uint8_t pointCount = 0;
    std::uint8_t sustainPoint = 0;
    std::uint8_t loopStart = 0;
    std::uint8_t loopEnd = 0;
    std::uint8_t type = 0;
};

struct XmInstrument {
    // The format's usual sizes: 263 with samples, 29 (up to the sample count) without.
    std::optional<std::uint32_t> headerSize;
    std::optional<std::uint16_t> sampleCount;  // samples.size() unless given
    std::array<std::uint8_t, 96> sampleMap{};
    XmEnvelope volume;
    XmEnvelope panning;
    std::uint8_t vibratoType = 0;
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0;
    std::vector<XmSample> samples;
};

struct XmPattern {
    std::uint16_t rows = 64;
    Bytes packed;                             // the packed cells
    std::optional<std::uint16_t> packedSize;  // packed.size() unless given
};

struct XmModule {
    std::string magic = "Extended Module: ";
    std::uint32_t headerSize = 276;
    std::uint16_t songLength = 1;
    std::uint16_t restartPosition = 0;
    std::uint16_t channelCount = 2;
    std::optional<std::uint16_t> patternCount;     // patterns.size() unless given
    std::optional<std::uint16_t> instrumentCount;  // instruments.size() unless given
    std::uint16_t flags = 1;
    std::uint16_t defaultSpeed = 6;
    std::uint16_t defaultBpm = 125;
    std::array<std::uint8_t, 256> orderTable{};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;

    Bytes Build() const {
        Bytes out(magic.begin(), magic.end());
        PadTo(out, 37);
        PutU8(out, 0x1A);
        PadTo(out, 58);
        PutU16(out, 0x0104);
        PutU32(out, headerSize);
        for (unsigned value : {unsigned{songLength}, unsigned{restartPosition}, unsigned{channelCount},
                               unsigned{patternCount.value_or(static_cast<std::uint16_t>(patterns.size()))},
                               unsigned{instrumentCount.value_or(static_cast<std::uint16_t>(instruments.size()))},
                               unsigned{flags}, unsigned{defaultSpeed}, unsigned{defaultBpm}}) {
            PutU16(out, value);
        }
        out.insert(out.end(), orderTable.begin(), orderTable.end());
        PadTo(out, 60 + std::size_t{headerSize});
        for (const XmPattern& pattern : patterns) WritePattern(out, pattern);
        for (const XmInstrument& instrument : instruments) WriteInstrument(out, instrument);
        return out;
    }

private:
    static void WritePattern(Bytes& out, const XmPattern& pattern) {
        PutU32(out, 9);
        PutU8(out, 0);
        PutU16(out, pattern.rows);
        PutU16(out, pattern.packedSize.value_or(static_cast<std::uint16_t>(pattern.packed.size())));
        out.insert(out.end(), pattern.packed.begin(), pattern.packed.end());
    }

    static void WriteEnvelopePoints(Bytes& out, const XmEnvelope& envelope) {
        for (std::uint16_t value : envelope.points) PutU16(out, value);
    }

    static void WriteInstrument(Bytes& out, const XmInstrument& instrument) {
        const std::size_t start = out.size();
        const bool hasSamples = !instrument.samples.empty();
        const std::uint32_t headerSize = instrument.headerSize.value_or(hasSamples ? 263 : 29);
        PutU32(out, headerSize);
        PadTo(out, start + 4 + 22);
        PutU8(out, 0);  // type
        PutU16(out, instrument.sampleCount.value_or(static_cast<std::uint16_t>(instrument.samples.size())));
        if (hasSamples) {
            PutU32(out, 40);
            out.insert(out.end(), instrument.sampleMap.begin(), instrument.sampleMap.end());
            WriteEnvelopePoints(out, instrument.volume);
            WriteEnvelopePoints(out, instrument.panning);
            for (unsigned value : {instrument.volume.pointCount, instrument.panning.pointCount,
                                   instrument.volume.sustainPoint, instrument.volume.loopStart,
                                   instrument.volume.loopEnd, instrument.panning.sustainPoint,
                                   instrument.panning.loopStart, instrument.panning.loopEnd, instrument.volume.type,
                                   instrument.panning.type, instrument.vibratoType, instrument.vibratoSweep,
                                   instrument.vibratoDepth, instrument.vibratoRate}) {
                PutU8(out, value);
            }
            PutU16(out, instrument.fadeout);
        }
        PadTo(out, start + headerSize);
        for (const XmSample& sample : instrument.samples) WriteSampleHeader(out, sample);
        for (const XmSample& sample : instrument.samples) out.insert(out.end(), sample.data.begin(), sample.data.end());
    }

    static void WriteSampleHeader(Bytes& out, const XmSample& sample) {
        const std::size_t start = out.size();
        PutU32(out, sample.length.value_or(static_cast<std::uint32_t>(sample.data.size())));
        PutU32(out, sample.loopStart);
        PutU32(out, sample.loopLength);
        PutU8(out, sample.volume);
        PutU8(out, static_cast<std::uint8_t>(sample.finetune));
        PutU8(out, sample.type);
        PutU8(out, sample.panning);
        PutU8(out, static_cast<std::uint8_t>(sample.relativeNote));
        PadTo(out, start + 40);
    }
};

// Delta-codes signed sample values as the file stores them: 8-bit, or
// 16-bit little-endian.
inline Bytes DeltaCode(const std::vector<int>& values, int bits) {
    Bytes out;
    int previous = 0;
    for (int value : values) {
        const unsigned delta = static_cast<unsigned>(value - previous);
        if (bits == 16) PutU16(out, delta & 0xFFFF);
        else PutU8(out, delta & 0xFF);
        previous = value;
    }
    return out;
}
inline Bytes DeltaCode8(const std::vector<int>& values) { return DeltaCode(values, 8); }
inline Bytes DeltaCode16(const std::vector<int>& values) { return DeltaCode(values, 16); }

// A small module that uses every part of the format: two stored patterns
// (packed and plain cells, one empty), an order entry beyond them, an
// instrument without samples, 8-bit and 16-bit samples with every loop mode
// and both envelopes.
inline XmModule SmallModule() {
    XmModule module;
    module.channelCount = 2;
    module.songLength = 3;
    module.orderTable[0] = 0;
    module.orderTable[1] = 1;
    module.orderTable[2] = 2;
    module.patterns.push_back({4,
                               {0x83, 0x31, 0x01,                    // note 49, instrument 1
                                0x80,                                // empty
                                0x31, 0x01, 0x20, 0x0A, 0x05,        // plain cell
                                0x9F, 97, 0x81, 0xC0, 0x0F, 0xFF,    // key-off, instrument 129
                                97, 0, 0, 0, 0,                      // plain key-off
                                0x88, 0x0E,                          // effect only
                                0x80,                                // empty
                                0x90, 0x42},                         // parameter only
                               std::nullopt});
    module.patterns.push_back({16, {}, std::nullopt});

    XmInstrument empty;
    empty.headerSize = 40;
    module.instruments.push_back(empty);

    XmInstrument instrument;
    instrument.sampleMap.fill(1);
    instrument.sampleMap[0] = 0;
    instrument.sampleMap[95] = 2;
    instrument.volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03};
    instrument.panning = {{0, 32, 8, 0, 16, 64, 24, 32}, 4, 0, 1, 3, 0x05};
    instrument.vibratoType = 1;
    instrument.vibratoSweep = 2;
    instrument.vibratoDepth = 3;
    instrument.vibratoRate = 4;
    instrument.fadeout = 0x800;
    XmSample unlooped;
    unlooped.data = DeltaCode8({0, 40, 80, 40, 0, -40, -80, -40});
    XmSample forward;
    forward.type = 0x01;
    forward.loopStart = 2;
    forward.loopLength = 4;
    forward.data = DeltaCode8({10, 20, 30, 40, 50, 60, 70, 80});
    XmSample pingPong;
    pingPong.type = 0x12;
    pingPong.loopStart = 4;
    pingPong.loopLength = 8;
    pingPong.data = DeltaCode16({1000, -2000, 3000, -4000, 5000, -6000, 7000});
    instrument.samples = {unlooped, forward, pingPong};
    module.instruments.push_back(instrument);
    return module;
}

}  // namespace zint::test
