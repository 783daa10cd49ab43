// Row processing: the order of rows and jumps, tempo, notes and instrument
// numbers on ordinary and portamento rows, key-off, sample offsets and the
// volume commands of the first tick.
#include "music/tick_engine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "music/mixer.h"
#include "music/pitch.h"
#include "tests/music/tick_test_support.h"

namespace zint {
namespace {

using test::Cell;
using test::kC4;
using test::kNoteOff;
using test::ModuleOf;
using test::Row;
using test::ToneInstrument;

using Position = std::pair<int, int>;  // order position, row

std::vector<Row> EmptyRows(int count) { return std::vector<Row>(static_cast<std::size_t>(count)); }

class SequencingTest : public test::TickTest {
protected:
    // Runs `rows` rows of one tick each, recording where each one played.
    std::vector<Position> PlayRows(int rows) {
        std::vector<Position> played;
        for (int i = 0; i < rows; ++i) {
            SongTick(*song);
            played.emplace_back(song->orderPosition, song->row);
        }
        return played;
    }
};

TEST_F(SequencingTest, RowsLastSpeedTicksAndTheSongWrapsToItsRestartPosition) {
    test::XmModule module = ModuleOf({EmptyRows(2), EmptyRows(3)});
    module.songLength = 3;
    module.orderTable[2] = 0;
    module.restartPosition = 1;
    module.defaultSpeed = 2;
    Load(module);
    std::vector<Position> played;
    for (int i = 0; i < 8; ++i) {
        SongTick(*song);
        played.emplace_back(song->orderPosition, song->row);
        EXPECT_EQ(song->tick, 1);
        SongTick(*song);
        EXPECT_EQ(song->tick, 0);
        EXPECT_EQ(played.back(), Position(song->orderPosition, song->row));
    }
    EXPECT_EQ(played, (std::vector<Position>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {1, 0}}));
}

TEST_F(SequencingTest, SpeedAndTempo) {
    Load(ModuleOf({{{{0, 0, 0, 0xF, 0x1F}}, {{0, 0, 0, 0xF, 0x20}}, {{0, 0, 0, 0xF, 0x00}}, {}, {}}}));
    SongTick(*song);
    EXPECT_EQ(song->speed, 31);  // F1F
    Ticks(30);
    EXPECT_EQ(song->row, 0);
    SongTick(*song);
    EXPECT_EQ(song->row, 1);
    EXPECT_EQ(song->bpm, 32);  // F20
    EXPECT_EQ(song->samplesPerTick, 3445);
    EXPECT_EQ(song->speed, 31);
    Ticks(31);
    EXPECT_EQ(song->row, 2);  // F00: every tick is a row from here on
    EXPECT_EQ(song->speed, 0);
    EXPECT_EQ(song->tick, 0);
    SongTick(*song);
    EXPECT_EQ(song->row, 3);
    SongTick(*song);
    EXPECT_EQ(song->row, 4);
}

TEST_F(SequencingTest, PatternBreakRowsAreDecimalAndAbove63MeanRowZero) {
    std::vector<Row> first = EmptyRows(16), second = EmptyRows(16), third = EmptyRows(16);
    first[0] = {{0, 0, 0, 0xD, 0x64}};   // row 64: too far, row 0
    second[0] = {{0, 0, 0, 0xD, 0x10}};  // row 10
    third[10] = {{0, 0, 0, 0xD, 0x05}};  // from the last entry: back to entry 0
    test::XmModule module = ModuleOf({first, second, third});
    module.defaultSpeed = 1;
    Load(module);
    EXPECT_EQ(PlayRows(4), (std::vector<Position>{{0, 0}, {1, 0}, {2, 10}, {0, 5}}));
}

TEST_F(SequencingTest, JumpAndBreakInOneRowFollowTheChannelOrder) {
    std::vector<Row> first = EmptyRows(8), second = EmptyRows(8), third = EmptyRows(8);
    first[0] = {{0, 0, 0, 0xD, 0x05}, {0, 0, 0, 0xB, 0x02}};  // D then B: row 0 of B's entry
    third[0] = {{0, 0, 0, 0xB, 0x01}, {0, 0, 0, 0xD, 0x03}};  // B then D: D's row of B's entry
    second[3] = {{0, 0, 0, 0xB, 0x07}};                       // beyond the song: entry 0
    test::XmModule module = ModuleOf({first, second, third});
    module.defaultSpeed = 1;
    Load(module);
    EXPECT_EQ(PlayRows(4), (std::vector<Position>{{0, 0}, {2, 0}, {1, 3}, {0, 0}}));
}

TEST_F(SequencingTest, BreakToARowTheNextPatternLacksLandsOnItsFirstRow) {
    std::vector<Row> first = EmptyRows(32);
    first[0] = {{0, 0, 0, 0xD, 0x20}};
    test::XmModule module = ModuleOf({first, EmptyRows(8)});
    module.defaultSpeed = 1;
    Load(module);
    EXPECT_EQ(PlayRows(3), (std::vector<Position>{{0, 0}, {1, 0}, {1, 1}}));
}

TEST_F(SequencingTest, SpeedZeroWithAJumpPlaysTheRowOnEveryTick) {
    // Every tick is the first tick of row 0, which jumps back to itself.
    Load(ModuleOf({{{{kC4, 1, 0, 0xF, 0x00}, {0, 0, 0, 0xB, 0x00}}, {}}}));
    for (int i = 0; i < 5; ++i) {
        voice().position = std::uint64_t{7} << 32;
        SongTick(*song);
        EXPECT_EQ(Position(song->orderPosition, song->row), Position(0, 0));
        EXPECT_EQ(song->tick, 0);
        EXPECT_EQ(voice().position, 0u) << "the note starts again on tick " << i;
    }
    // The mixer still moves on: every tick lasts its frames.
    const int before = WriteBlock();
    FillBlock();
    EXPECT_EQ(WriteBlock(), (before + 1) % CurrentOutput().blockCount);
}

using NoteTest = test::TickTest;

TEST_F(NoteTest, ANoteStartsTheSampleItsInstrumentMapsIt) {
    Load(ModuleOf({{{{kC4, 1}}}}, 2, {ToneInstrument(40, 200)}));
    const Channel& played = Tick();
    EXPECT_EQ(played.note, 48);
    EXPECT_EQ(played.instrument, 0);
    EXPECT_EQ(played.realNote, 48);
    EXPECT_EQ(played.period, 4608);
    EXPECT_EQ(played.notePeriod, 4608);
    EXPECT_EQ(played.volume, 40);
    EXPECT_EQ(played.panning, 200);
    EXPECT_EQ(played.envelopeVolume, 64);
    EXPECT_EQ(played.fadeoutVolume, 65536);
    EXPECT_EQ(voice().sample, &FirstSample());
    EXPECT_EQ(voice().position, 0u);
    EXPECT_EQ(voice().frequency, 8363);
    EXPECT_EQ(voice().volume, 79);  // 40 x 64 x 65536 x 64 x 255 / 2^35
}

class PortamentoRowTest : public test::TickTest {
protected:
    // Row 0 plays C-4 on instrument 1, row 1 is `portamento` with D-4 on instrument 2.
    void ExpectPortamentoRow(const Cell& portamento) {
        Load(ModuleOf({{{{kC4, 1, 0x30}}, {portamento}}}, 2, {ToneInstrument(40), ToneInstrument(20)}));
        Ticks(6);
        voice().position = std::uint64_t{9} << 32;
        const Channel& played = Tick();
        EXPECT_EQ(played.instrument, 0);
        EXPECT_EQ(played.note, 48);
        EXPECT_EQ(played.period, 4608);
        EXPECT_EQ(played.realNote, 50);
        EXPECT_EQ(played.notePeriod, 4480);
        EXPECT_EQ(played.portaTarget, 4480);
        EXPECT_EQ(played.portaSpeed, 0x10);
        // The instrument number still resets, with the sample that plays.
        EXPECT_EQ(played.volume, 40);
        EXPECT_EQ(voice().sample, &FirstSample(0));
        EXPECT_EQ(voice().position, std::uint64_t{9} << 32);
        // Later ticks slide 4 x 16 units a tick and stop at the target.
        EXPECT_EQ(Tick().period, 4544);
        EXPECT_EQ(Tick().period, 4480);
        EXPECT_EQ(Tick().period, 4480);
    }
};

TEST_F(PortamentoRowTest, ToneEffectKeepsWhatPlaysAndAimsAtItsNote) { ExpectPortamentoRow({kC4 + 2, 2, 0, 0x3, 0x10}); }

TEST_F(PortamentoRowTest, VolumeColumnF0ToFFDoesTheSame) { ExpectPortamentoRow({kC4 + 2, 2, 0xF1, 0, 0}); }

TEST_F(NoteTest, AnInstrumentNumberWithoutANoteResetsWithoutRestarting) {
    Load(ModuleOf({{{{kC4, 1, 0x20}}, {{0, 1}}}}));
    Ticks(6);
    EXPECT_EQ(channel().volume, 16);
    voice().position = std::uint64_t{5} << 32;
    const Channel& played = Tick();
    EXPECT_EQ(played.volume, 64);
    EXPECT_EQ(played.fadeoutVolume, 65536);
    EXPECT_EQ(voice().position, std::uint64_t{5} << 32);
}

TEST_F(NoteTest, KeyOffWithoutAVolumeEnvelopeCutsTheNoteForGood) {
    Load(ModuleOf({{{{kC4, 1}}, {{kNoteOff}}, {{kC4 + 2}}, {{kC4, 1}}}}));
    Ticks(6);
    EXPECT_GT(voice().volume, 0);
    const Channel& released = Tick();
    EXPECT_EQ(released.keyOff, 1);
    EXPECT_EQ(released.envelopeVolume, 0);
    EXPECT_EQ(voice().volume, 0);
    EXPECT_EQ(voice().targetLeft, 0);
    Ticks(5);
    // A note without an instrument number starts, but silent.
    voice().position = std::uint64_t{5} << 32;
    Ticks(1);
    EXPECT_EQ(voice().position, 0u);
    EXPECT_EQ(voice().volume, 0);
    Ticks(5);
    // Only an instrument number brings it back.
    Ticks(1);
    EXPECT_EQ(voice().volume, 127);
}

TEST_F(NoteTest, KeyOffWithAVolumeEnvelopeReleasesItsSustainAndStartsTheFadeout) {
    test::XmInstrument enveloped = ToneInstrument();
    enveloped.volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03};
    enveloped.fadeout = 0x800;
    std::vector<Row> rows = EmptyRows(2);
    rows[0] = {{kC4, 1}};
    rows[1] = {{kNoteOff}};
    test::XmModule module = ModuleOf({rows}, 2, {enveloped});
    module.defaultSpeed = 16;
    Load(module);
    Ticks(16);
    EXPECT_EQ(channel().envelopeVolume, 32);  // held at the sustain point
    const Channel& released = Tick();
    EXPECT_EQ(released.keyOff, 1);
    EXPECT_EQ(released.envelopeVolume, 32);
    EXPECT_EQ(released.fadeoutVolume, 65536 - 4096);
    EXPECT_EQ(Tick().envelopeVolume, 28);  // 32 - 3.2, on its way to 0
}

TEST_F(NoteTest, InstrumentsAndSampleMapsBeyondWhatExistsPlaySilence) {
    test::XmInstrument mappedAway = ToneInstrument();
    mappedAway.sampleMap.fill(20);
    Load(ModuleOf({{{{kC4, 5}, {kC4, 2}}}}, 2, {ToneInstrument(), mappedAway}));
    Ticks(1);
    EXPECT_EQ(voice(0).sample, &emptySample);
    EXPECT_EQ(voice(1).sample, &emptySample);
    FillBlock();  // the mixer stops both at once
    EXPECT_EQ(voice(0).sample, nullptr);
    EXPECT_EQ(voice(1).sample, nullptr);
}

TEST_F(NoteTest, AWrappedNoteStepsAtMostTheMixersLimit) {
    // Note 1 two semitones down: realNote wraps to 254, a period far below 0.
    Load(ModuleOf({{{{1, 1}}}}, 2, {ToneInstrument(64, 128, 0, -2)}));
    const Channel& played = Tick();
    EXPECT_EQ(played.realNote, 254);
    EXPECT_EQ(played.period, 7680 - 64 * 254);
    EXPECT_EQ(voice().frequency, MaxVoiceFrequency(44100));
    EXPECT_LT(voice().step, std::uint64_t{256} << 32);
}

TEST_F(NoteTest, SampleOffsetsStartLaterOrSilence) {
    const std::vector<Row> rows{{{kC4, 1, 0, 0x9, 0x01}}, {{kC4, 0, 0, 0x9, 0x04}}, {{0, 0, 0, 0x9, 0x02}},
                                {{kC4}}};
    test::XmModule module = ModuleOf({rows}, 2, {ToneInstrument(64, 128, 0, 0, 1024)});
    module.defaultSpeed = 1;
    Load(module);
    Ticks(1);
    EXPECT_EQ(voice().position, std::uint64_t{256} << 32);
    Ticks(1);  // 4 x 256 is the sample's end
    EXPECT_EQ(voice().sample, nullptr);
    Ticks(1);  // no note: the offset waits for the next one
    EXPECT_EQ(voice().sample, nullptr);
    EXPECT_EQ(voice().startOffset, 512u);
    Ticks(1);
    EXPECT_EQ(voice().sample, &FirstSample());
    EXPECT_EQ(voice().position, std::uint64_t{512} << 32);
}

using FirstTickVolumeTest = test::TickTest;

TEST_F(FirstTickVolumeTest, SetVolumeStopsAt64) {
    Load(ModuleOf({{{{kC4, 1, 0x20, 0xC, 0x50}}}}));
    EXPECT_EQ(Tick().volume, 64);
}

TEST_F(FirstTickVolumeTest, TheLastTremoloOffsetStaysWhenAnotherEffectFollows) {
    test::XmModule module = ModuleOf({{{{kC4, 1, 0x30, 0x7, 0x48}}, {{0, 0, 0, 0xA, 0x00}}}});
    module.defaultSpeed = 3;
    Load(module);
    Ticks(2);
    EXPECT_EQ(Tick().volumeDelta, 97 * 8 >> 6);  // W(4) x depth 8 / 64
    EXPECT_EQ(Tick().volume, 32 + 12);
}

TEST_F(FirstTickVolumeTest, VolumeColumnSlidesActOnEveryTickFineSlidesOnTheFirst) {
    const std::vector<Row> rows{{{kC4, 1, 0x62}, {kC4, 1, 0x84}}, {{0, 0, 0x73}, {0, 0, 0x93}}};
    test::XmModule module = ModuleOf({rows});
    module.defaultSpeed = 3;
    Load(module);
    Ticks(3);
    EXPECT_EQ(channel(0).volume, 64 - 3 * 2);
    EXPECT_EQ(channel(1).volume, 64 - 4);
    Ticks(3);
    EXPECT_EQ(channel(0).volume, 64);
    EXPECT_EQ(channel(1).volume, 64 - 4 + 3);
}

TEST_F(FirstTickVolumeTest, VolumeColumnPanningAndVibrato) {
    Load(ModuleOf({{{{kC4, 1, 0xC4}, {kC4, 1, 0xA5}}, {{0, 0, 0xD3}, {0, 0, 0xB6}}}}));
    EXPECT_EQ(Tick(0).panning, 0x40);
    EXPECT_EQ(channel(1).vibratoSpeed, 5);
    Ticks(5);
    EXPECT_EQ(Tick(0).panning, 0x40 - 3);
    EXPECT_EQ(channel(1).vibratoDepth, 6);
    EXPECT_EQ(Tick(0).panning, 0x40 - 6);
}

TEST_F(FirstTickVolumeTest, GlobalVolumeReachesTheVoicesItIsRecomputedFor) {
    test::XmModule module = ModuleOf({{{{kC4, 1, 0, 0x10, 0x20}}, {{0, 0, 0, 0x11, 0x02}}}});
    module.defaultSpeed = 3;
    Load(module);
    Ticks(1);
    EXPECT_EQ(song->globalVolume, 32);
    EXPECT_EQ(voice().volume, 63);  // 64 x 64 x 65536 x 32 x 255 / 2^35 = 63.75
    Ticks(2);
    Ticks(3);
    EXPECT_EQ(song->globalVolume, 32 - 2 * 2);
}

}  // namespace
}  // namespace zint
