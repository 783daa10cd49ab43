#pragma once
// Voices, samples and songs for the player's tests; a fixture that opens the
// output on an offline device; small modules written cell by cell.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/offline_sound_device.h"
#include "music/player.h"
#include "music/tick_engine.h"
#include "tests/music/loader_test_support.h"

namespace zint::test {

inline constexpr int kRate = 44100;
inline constexpr std::uint64_t kHalf = kFixedOne / 2;

// `count` values from `from`, `by` apart.
inline std::vector<std::int16_t> Ramp(std::size_t count, int from, int by = 0) {
    std::vector<std::int16_t> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = static_cast<std::int16_t>(from + by * static_cast<int>(i));
    return values;
}

// A sample as the loader leaves it: the frames, then the zeroed guard frames,
// the first of them a copy for the loop's interpolation.
inline Sample MakeSample(std::vector<std::int16_t> frames, std::uint8_t loopMode = kNoLoop,
                         std::uint32_t loopStart = 0, std::uint32_t loopLength = 0) {
    const auto length = static_cast<std::uint32_t>(frames.size());
    const bool looped = loopMode != kNoLoop;
    Sample sample{.data = std::move(frames), .length = length, .loopStart = looped ? loopStart : 0,
                  .loopLength = looped ? loopLength : length, .loopMode = loopMode};
    sample.data.resize(length + kGuardFrames, 0);
    const std::uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (loopMode == kForwardLoop) sample.data[loopEnd] = sample.data[sample.loopStart];
    if (loopMode == kPingPongLoop) sample.data[loopEnd] = sample.data[loopEnd - 1];
    return sample;
}

// A voice playing `sample` from `position` at `gain` on both sides, no ramp pending.
inline Voice& PlayVoice(int index, const Sample& sample, std::uint64_t position, std::uint64_t step,
                        std::uint8_t gain = 255) {
    Voice& voice = Voices()[static_cast<std::size_t>(index)];
    voice.sample = &sample;
    voice.position = position;
    voice.step = step;
    voice.direction = kForward;
    voice.targetLeft = voice.targetRight = voice.currentLeft = voice.currentRight = gain;
    voice.rampTargetLeft = voice.rampTargetRight = gain;
    voice.rampFramesLeft = 0;
    return voice;
}

inline Song MakeSong(int bpm = 125) {
    Song song;
    song.channelCount = 4;
    song.defaultSpeed = 6;
    song.defaultBpm = static_cast<std::int16_t>(bpm);
    song.initialGlobalVolume = 64;
    return song;
}

// The output open on an offline device at 44100 Hz; closed again afterwards.
class OfflinePlayerTest : public testing::Test {
protected:
    void SetUp() override {
        UseMemoryFileCallbacks();
        auto owned = std::make_unique<OfflineSoundDevice>();
        device = owned.get();
        ASSERT_TRUE(OpenSoundOutput(kRate, std::move(owned)));
    }
    void TearDown() override { CloseSoundOutput(); }

    OfflineSoundDevice* device = nullptr;
};

// A cell as the file writes it (note 97 is key-off).
using Row = std::vector<PatternCell>;  // one cell per channel, missing ones empty
using Rows = std::vector<Row>;

inline constexpr std::uint8_t kC4 = 49;  // the cell note of C-4
inline constexpr std::uint8_t kNoteOff = 97;

inline Rows EmptyRows(int count) { return Rows(static_cast<std::size_t>(count)); }

// An instrument of one looped 8-bit sample of `frames` frames holding a constant value.
inline XmInstrument ToneInstrument(std::uint8_t volume = 64, std::uint8_t panning = 128,
                                   std::int8_t relativeNote = 0, std::uint32_t frames = 64) {
    return {.samples = {{.loopLength = frames, .volume = volume, .type = 0x01, .panning = panning,
                         .relativeNote = relativeNote, .data = DeltaCode(std::vector<int>(frames, 32))}}};
}

// A module of one pattern per entry in `patterns`, played in that order.
inline XmModule ModuleOf(const std::vector<Rows>& patterns, int channels = 2,
                         std::vector<XmInstrument> instruments = {ToneInstrument()}, int speed = 6) {
    XmModule module{.songLength = static_cast<std::uint16_t>(patterns.size()),
                    .channelCount = static_cast<std::uint16_t>(channels),
                    .defaultSpeed = static_cast<std::uint16_t>(speed),
                    .instruments = std::move(instruments)};
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        module.orderTable[i] = static_cast<std::uint8_t>(i);
        XmPattern& pattern = module.patterns.emplace_back(XmPattern{static_cast<std::uint16_t>(patterns[i].size())});
        for (const Row& row : patterns[i]) {
            for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
                const PatternCell cell = c < row.size() ? row[c] : PatternCell{};
                pattern.packed.insert(pattern.packed.end(),
                                      {cell.note, cell.instrument, cell.volumeColumn, cell.effect, cell.effectParam});
            }
        }
    }
    return module;
}

}  // namespace zint::test
