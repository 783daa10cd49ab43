#pragma once
// Builds XM files byte by byte for the tests and the fuzzer's seeds. Every
// count and size the loader reads is written from the parts given, unless a
// test overrides it to build a broken file.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace zint::test {

using Bytes = std::vector<std::uint8_t>;

// Each value little-endian in `size` bytes.
inline void Put(Bytes& out, std::initializer_list<std::uint64_t> values, int size = 1) {
    for (std::uint64_t value : values) {
        for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    }
}
inline void PadTo(Bytes& out, std::size_t size) {
    if (out.size() < size) out.resize(size, 0);
}
inline void Append(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

inline Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct XmSample {
    std::optional<std::uint32_t> length{};  // in bytes; data.size() unless given
    std::uint32_t loopStart = 0;          // in bytes
    std::uint32_t loopLength = 0;         // in bytes
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t type = 0;  // bits 0-1 loop, bit 4 16-bit
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
    Bytes data{};  // as stored in the file (delta coded)
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
    std::optional<std::uint32_t> headerSize{};
    std::optional<std::uint16_t> sampleCount{};  // samples.size() unless given
    std::array<std::uint8_t, 96> sampleMap{};
    XmEnvelope volume{};
    XmEnvelope panning{};
    std::array<std::uint8_t, 4> vibrato{};  // type, sweep, depth, rate
    std::uint16_t fadeout = 0;
    std::vector<XmSample> samples{};

    void Write(Bytes& out) const {
        const std::size_t start = out.size();
        const std::uint32_t size = headerSize.value_or(samples.empty() ? 29 : 263);
        Put(out, {size}, 4);
        PadTo(out, start + 4 + 22 + 1);  // name, type
        Put(out, {sampleCount.value_or(samples.size())}, 2);
        if (!samples.empty()) {
            Put(out, {40}, 4);
            out.insert(out.end(), sampleMap.begin(), sampleMap.end());
            for (const XmEnvelope* envelope : {&volume, &panning}) {
                for (std::uint16_t value : envelope->points) Put(out, {value}, 2);
            }
            Put(out, {volume.pointCount, panning.pointCount, volume.sustainPoint, volume.loopStart, volume.loopEnd,
                      panning.sustainPoint, panning.loopStart, panning.loopEnd, volume.type, panning.type});
            out.insert(out.end(), vibrato.begin(), vibrato.end());
            Put(out, {fadeout}, 2);
        }
        PadTo(out, start + size);
        for (const XmSample& s : samples) {
            Put(out, {s.length.value_or(s.data.size()), s.loopStart, s.loopLength}, 4);
            Put(out, {s.volume, static_cast<std::uint8_t>(s.finetune), s.type, s.panning,
                      static_cast<std::uint8_t>(s.relativeNote)});
            PadTo(out, out.size() + 23);  // reserved, name
        }
        for (const XmSample& s : samples) Append(out, s.data);
    }
};

struct XmPattern {
    std::uint16_t rows = 64;
    Bytes packed{};                             // the packed cells
    std::optional<std::uint16_t> packedSize{};  // packed.size() unless given
};

struct XmModule {
    std::uint32_t headerSize = 276;
    std::uint16_t songLength = 1;
    std::uint16_t restartPosition = 0;
    std::uint16_t channelCount = 2;
    std::optional<std::uint16_t> instrumentCount{};  // instruments.size() unless given
    std::uint16_t flags = 1;
    std::uint16_t defaultSpeed = 6;
    std::uint16_t defaultBpm = 125;
    std::array<std::uint8_t, 256> orderTable{};
    std::vector<XmPattern> patterns{};
    std::vector<XmInstrument> instruments{};

    Bytes Build() const {
        const std::string magic = "Extended Module: ";
        Bytes out(magic.begin(), magic.end());
        PadTo(out, 37);  // the module's name
        Put(out, {0x1A});
        PadTo(out, 58);  // the tracker's name
        Put(out, {0x0104}, 2);
        Put(out, {headerSize}, 4);
        Put(out, {songLength, restartPosition, channelCount, patterns.size(),
                  instrumentCount.value_or(instruments.size()), flags, defaultSpeed, defaultBpm},
            2);
        out.insert(out.end(), orderTable.begin(), orderTable.end());
        PadTo(out, 60 + std::size_t{headerSize});
        for (const XmPattern& pattern : patterns) {
            Put(out, {9}, 4);  // header size
            Put(out, {0});     // packing type
            Put(out, {pattern.rows, pattern.packedSize.value_or(pattern.packed.size())}, 2);
            Append(out, pattern.packed);
        }
        for (const XmInstrument& instrument : instruments) instrument.Write(out);
        return out;
    }
};

// Delta-codes signed sample values as the file stores them: 8-bit, or
// 16-bit little-endian.
inline Bytes DeltaCode(const std::vector<int>& values, int bits = 8) {
    Bytes out;
    int previous = 0;
    for (int value : values) {
        Put(out, {static_cast<std::uint64_t>(value - previous)}, bits / 8);
        previous = value;
    }
    return out;
}

// A small module that uses every part of the format: two stored patterns
// (packed and plain cells, one empty), an order entry beyond them, an
// instrument without samples, 8-bit and 16-bit samples with every loop mode
// and both envelopes.
inline XmModule SmallModule() {
    XmModule module;
    module.songLength = 3;
    module.orderTable = {0, 1, 2};
    module.patterns.push_back({4,
                               {0x83, 0x31, 0x01,                  // note 49, instrument 1
                                0x80,                              // empty
                                0x31, 0x01, 0x20, 0x0A, 0x05,      // plain cell
                                0x9F, 97, 0x81, 0xC0, 0x0F, 0xFF,  // key-off, instrument 129
                                97, 0, 0, 0, 0,                    // plain key-off
                                0x88, 0x0E,                        // effect only
                                0x80,                              // empty
                                0x90, 0x42},                       // parameter only
                               std::nullopt});
    module.patterns.push_back({16, {}, std::nullopt});
    module.instruments.push_back({.headerSize = 40});

    XmInstrument instrument;
    instrument.sampleMap.fill(1);
    instrument.sampleMap[0] = 0;
    instrument.sampleMap[95] = 2;
    instrument.volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03};
    instrument.panning = {{0, 32, 8, 0, 16, 64, 24, 32}, 4, 0, 1, 3, 0x05};
    instrument.vibrato = {1, 2, 3, 4};
    instrument.fadeout = 0x800;
    instrument.samples = {{.data = DeltaCode({0, 40, 80, 40, 0, -40, -80, -40})},
                          {.loopStart = 2, .loopLength = 4, .type = 0x01,
                           .data = DeltaCode({10, 20, 30, 40, 50, 60, 70, 80})},
                          {.loopStart = 4, .loopLength = 8, .type = 0x12,
                           .data = DeltaCode({1000, -2000, 3000, -4000, 5000, -6000, 7000}, 16)}};
    module.instruments.push_back(instrument);
    return module;
}

}  // namespace zint::test
