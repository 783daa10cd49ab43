#pragma once
// Small modules written cell by cell, loaded and stepped through the tick
// engine one tick at a time on an offline output.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "music/channel.h"
#include "music/loader.h"
#include "music/player.h"
#include "music/tick_engine.h"
#include "tests/music/loader_test_support.h"
#include "tests/music/player_test_support.h"

namespace zint::test {

struct Cell {
    std::uint8_t note = 0;  // 1..96, 97 key-off
    std::uint8_t instrument = 0;
    std::uint8_t volume = 0;  // the volume column
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
};
using Row = std::vector<Cell>;  // one cell per channel, missing ones empty

inline constexpr std::uint8_t kC4 = 49;  // the cell note of C-4
inline constexpr std::uint8_t kNoteOff = 97;

// A pattern of plain five-byte cells.
inline XmPattern PatternOf(const std::vector<Row>& rows, int channels) {
    XmPattern pattern;
    pattern.rows = static_cast<std::uint16_t>(rows.size());
    for (const Row& row : rows) {
        for (int c = 0; c < channels; ++c) {
            const Cell cell = c < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(c)] : Cell{};
            pattern.packed.insert(pattern.packed.end(),
                                  {cell.note, cell.instrument, cell.volume, cell.effect, cell.param});
        }
    }
    return pattern;
}

// An instrument of one looped 8-bit sample of `frames` frames holding a constant value.
inline XmInstrument ToneInstrument(std::uint8_t volume = 64, std::uint8_t panning = 128, std::int8_t finetune = 0,
                                   std::int8_t relativeNote = 0, std::uint32_t frames = 64) {
    XmInstrument instrument;
    XmSample sample;
    sample.volume = volume;
    sample.panning = panning;
    sample.finetune = finetune;
    sample.relativeNote = relativeNote;
    sample.type = 0x01;
    sample.loopStart = 0;
    sample.loopLength = frames;
    sample.data = DeltaCode8(std::vector<int>(frames, 32));
    instrument.samples.push_back(sample);
    return instrument;
}

// A module of one pattern per entry in `patterns`, played in that order.
inline XmModule ModuleOf(const std::vector<std::vector<Row>>& patterns, int channels = 2,
                         std::vector<XmInstrument> instruments = {ToneInstrument()}) {
    XmModule module;
    module.channelCount = static_cast<std::uint16_t>(channels);
    module.songLength = static_cast<std::uint16_t>(patterns.size());
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        module.orderTable[i] = static_cast<std::uint8_t>(i);
        module.patterns.push_back(PatternOf(patterns[i], channels));
    }
    module.instruments = std::move(instruments);
    return module;
}

// The song loaded and started on the offline output, without a tick run yet:
// the test calls SongTick itself.
class TickTest : public OfflinePlayerTest {
protected:
    void Load(const XmModule& module) {
        LoadResult loaded = LoadFromBytes(module.Build());
        ASSERT_NE(loaded.song, nullptr);
        song = std::move(loaded.song);
        ASSERT_EQ(song->tickHandler, SongTick);
        song->tickHandler = nullptr;  // the first ring renders without ticks
        ASSERT_TRUE(StartPlayback(song.get()));
        song->tickHandler = SongTick;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) SongTick(*song);
    }
    // Runs `count` ticks and returns a field of channel 0 after each.
    std::vector<int> FieldOverTicks(int count, int Channel::*field) {
        std::vector<int> values;
        for (int i = 0; i < count; ++i) values.push_back(Tick().*field);
        return values;
    }
    // Runs one tick and returns the channel after it.
    const Channel& Tick(int index = 0) {
        SongTick(*song);
        return channel(index);
    }
    Channel& channel(int index = 0) { return Channels()[static_cast<std::size_t>(index)]; }
    Voice& voice(int index = 0) { return Voices()[static_cast<std::size_t>(index)]; }
    const Sample& FirstSample(int instrument = 0) const {
        return song->instruments[static_cast<std::size_t>(instrument)].ownedSamples[0];
    }

    std::unique_ptr<Song> song;
};

}  // namespace zint::test
