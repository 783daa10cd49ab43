// Row processing: the order of rows and jumps, tempo, notes and instrument
// numbers on ordinary and portamento rows, key-off, sample offsets and the
// volume commands of the first tick.
#include "music/tick_engine.h"

#include <gtest/gtest.h>

#include "music/pitch.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using test::Cell;
using test::EmptyRows;
using test::kC4;
using test::kNoteOff;
using test::ModuleOf;
using test::Row;
using test::ToneInstrument;

using Position = std::pair<int, int>;  // order position, row

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
    test::XmModule module = ModuleOf({EmptyRows(2), EmptyRows(3)}, 2, {ToneInstrument()}, 2);
    module.songLength = 3;
    module.restartPosition = 1;
    Load(module);
    std::vector<Position> played;
    for (int i = 0; i < 8; ++i) {
        played.push_back(PlayRows(1)[0]);
        EXPECT_EQ(song->tick, 1);
        EXPECT_EQ(PlayRows(1)[0], played.back());
    }
    EXPECT_EQ(played,
              (std::vector<Position>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {1, 0}}));
}

TEST_F(SequencingTest, SpeedAndTempo) {
    Load(ModuleOf({{{{0, 0, 0, 0xF, 0x1F}}, {{0, 0, 0, 0xF, 0x20}}, {{0, 0, 0, 0xF, 0x00}}, {}, {}}}));
    Ticks(31);  // F1F: 31 ticks
    EXPECT_EQ(song->row, 0);
    Ticks(1);
    EXPECT_EQ(std::vector<int>({song->row, song->bpm, song->samplesPerTick, song->speed}),
              std::vector<int>({1, 32, 3445, 31}));  // F20
    Ticks(31);
    EXPECT_EQ(song->speed, 0);  // F00: every tick is a row from here on
    EXPECT_EQ(PlayRows(2), (std::vector<Position>{{0, 3}, {0, 4}}));
}

TEST_F(SequencingTest, PatternBreakRowsAreDecimalAndAbove63MeanRowZero) {
    std::vector<Row> first = EmptyRows(4), second = EmptyRows(64), third = EmptyRows(16);
    first[0] = {{0, 0, 0, 0xD, 0x64}};   // row 64: too far, row 0
    second[0] = {{0, 0, 0, 0xD, 0x10}};  // row 10
    third[10] = {{0, 0, 0, 0xD, 0x05}};  // from the last entry to entry 0, whose pattern lacks row 5: row 0
    Load(ModuleOf({first, second, third}, 2, {ToneInstrument()}, 1));
    EXPECT_EQ(PlayRows(4), (std::vector<Position>{{0, 0}, {1, 0}, {2, 10}, {0, 0}}));
}

TEST_F(SequencingTest, JumpAndBreakInOneRowFollowTheChannelOrder) {
    std::vector<Row> first = EmptyRows(8), second = EmptyRows(8), third = EmptyRows(8);
    first[0] = {{0, 0, 0, 0xD, 0x05}, {0, 0, 0, 0xB, 0x02}};  // D then B: row 0 of B's entry
    third[0] = {{0, 0, 0, 0xB, 0x01}, {0, 0, 0, 0xD, 0x03}};  // B then D: D's row of B's entry
    second[3] = {{0, 0, 0, 0xB, 0x07}};                       // beyond the song: entry 0
    Load(ModuleOf({first, second, third}, 2, {ToneInstrument()}, 1));
    EXPECT_EQ(PlayRows(4), (std::vector<Position>{{0, 0}, {2, 0}, {1, 3}, {0, 0}}));
}

TEST_F(SequencingTest, SpeedZeroWithAJumpPlaysTheRowOnEveryTick) {
    Load(ModuleOf({{{{kC4, 1, 0, 0xF, 0x00}, {0, 0, 0, 0xB, 0x00}}, {}}}));
    for (int i = 0; i < 5; ++i) {
        voice().position = std::uint64_t{7} << 32;
        EXPECT_EQ(PlayRows(1)[0], Position(0, 0));
        EXPECT_EQ(voice().position, 0u) << "the note starts again on tick " << i;
    }
    const int before = WriteBlock();
    FillBlock();  // the mixer still moves on: every tick lasts its frames
    EXPECT_EQ(WriteBlock(), (before + 1) % CurrentOutput().blockCount);
}

using NoteTest = test::TickTest;

TEST_F(NoteTest, ANoteStartsTheSampleItsInstrumentMapsIt) {
    Load(ModuleOf({{{{kC4, 1}}}}, 2, {ToneInstrument(40, 200)}));
    const Channel& played = Tick();
    EXPECT_EQ(
        std::vector<int>({played.note, played.instrument, played.realNote, played.period, played.notePeriod,
                          played.volume, played.panning, played.envelopeVolume, played.fadeoutVolume}),
        std::vector<int>({48, 0, 48, 4608, 4608, 40, 200, 64, 65536}));
    EXPECT_EQ(voice().sample, &FirstSample());
    EXPECT_EQ(voice().frequency, 8363);
    EXPECT_EQ(voice().volume, 79);  // 40 x 64 x 65536 x 64 x 255 / 2^35
}

TEST_F(NoteTest, APortamentoRowKeepsWhatPlaysAndAimsAtItsNote) {
    // Effect 3 and volume column F0..FF alike.
    for (const Cell& portamento : {Cell{kC4 + 2, 2, 0, 0x3, 0x10}, Cell{kC4 + 2, 2, 0xF1, 0, 0}}) {
        Load(ModuleOf({{{{kC4, 1, 0x30}}, {portamento}}}, 2, {ToneInstrument(40), ToneInstrument(20)}));
        Ticks(6);
        voice().position = std::uint64_t{9} << 32;
        const Channel& played = Tick();
        EXPECT_EQ(std::vector<int>({played.instrument, played.note, played.period, played.realNote,
                                    played.portaTarget, played.portaSpeed, played.volume}),
                  std::vector<int>({0, 48, 4608, 50, 4480, 0x10, 40}));  // the instrument number still resets
        EXPECT_EQ(voice().position, std::uint64_t{9} << 32);
        // Later ticks slide 4 x 16 units a tick and stop at the target.
        EXPECT_EQ(FieldOverTicks(3, &Channel::period), (std::vector<int>{4544, 4480, 4480}));
    }
}

TEST_F(NoteTest, AnInstrumentNumberWithoutANoteResetsWithoutRestarting) {
    Load(ModuleOf({{{{kC4, 1, 0x20}}, {{0, 1}}}}));
    Ticks(6);
    EXPECT_EQ(channel().volume, 16);
    voice().position = std::uint64_t{5} << 32;
    EXPECT_EQ(Tick().volume, 64);
    EXPECT_EQ(voice().position, std::uint64_t{5} << 32);
}

TEST_F(NoteTest, KeyOffWithoutAVolumeEnvelopeCutsTheNoteUntilAnInstrumentNumber) {
    Load(ModuleOf({{{{kC4, 1}}, {{kNoteOff}}, {{kC4 + 2}}, {{kC4, 1}}}}, 2, {ToneInstrument()}, 1));
    Ticks(1);
    EXPECT_EQ(Tick().keyOff, 1);
    EXPECT_EQ(std::vector<int>({channel().envelopeVolume, voice().volume, voice().targetLeft}),
              std::vector<int>({0, 0, 0}));
    voice().position = std::uint64_t{5} << 32;
    Ticks(1);  // a note without an instrument number starts, but silent
    EXPECT_EQ(voice().position, 0u);
    EXPECT_EQ(voice().volume, 0);
    Ticks(1);
    EXPECT_EQ(voice().volume, 127);
}

TEST_F(NoteTest, KeyOffWithAVolumeEnvelopeReleasesItsSustainAndStartsTheFadeout) {
    test::XmInstrument enveloped = ToneInstrument();
    enveloped.volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03};
    enveloped.fadeout = 0x800;
    Load(ModuleOf({{{{kC4, 1}}, {{kNoteOff}}}}, 2, {enveloped}, 16));
    Ticks(16);
    EXPECT_EQ(channel().envelopeVolume, 32);  // held at the sustain point
    const Channel& released = Tick();
    EXPECT_EQ(std::vector<int>({released.keyOff, released.envelopeVolume, released.fadeoutVolume}),
              std::vector<int>({1, 32, 65536 - 4096}));
    EXPECT_EQ(Tick().envelopeVolume, 28);  // 32 - 3.2, on its way to 0
}

TEST_F(NoteTest, MissingInstrumentsSamplesAndWrappedNotesPlaySafely) {
    test::XmInstrument mappedAway = ToneInstrument();
    mappedAway.sampleMap.fill(20);
    // Note 1 two semitones down: realNote wraps to 254, a period far below 0.
    Load(ModuleOf({{{{kC4, 5}, {kC4, 2}, {1, 3}}}}, 3,
                  {ToneInstrument(), mappedAway, ToneInstrument(64, 128, -2)}));
    Ticks(1);
    EXPECT_EQ(voice(0).sample, &emptySample);
    EXPECT_EQ(voice(1).sample, &emptySample);
    EXPECT_EQ(channel(2).realNote, 254);
    EXPECT_EQ(voice(2).frequency, MaxVoiceFrequency(44100));
    FillBlock();  // the mixer stops the empty ones at once
    EXPECT_EQ(voice(0).sample, nullptr);
    EXPECT_EQ(voice(1).sample, nullptr);
}

TEST_F(NoteTest, SampleOffsetsStartLaterOrSilence) {
    const std::vector<Row> rows{
        {{kC4, 1, 0, 0x9, 0x01}}, {{kC4, 0, 0, 0x9, 0x04}}, {{0, 0, 0, 0x9, 0x02}}, {{kC4}}};
    Load(ModuleOf({rows}, 2, {ToneInstrument(64, 128, 0, 1024)}, 1));
    Ticks(1);
    EXPECT_EQ(voice().position, std::uint64_t{256} << 32);
    Ticks(1);  // 4 x 256 is the sample's end
    EXPECT_EQ(voice().sample, nullptr);
    Ticks(1);  // no note: the offset waits for the next one
    EXPECT_EQ(voice().startOffset, 512u);
    Ticks(1);
    EXPECT_EQ(voice().position, std::uint64_t{512} << 32);
}

using FirstTickVolumeTest = test::TickTest;

TEST_F(FirstTickVolumeTest, SetVolumeAndTheLastTremoloOffset) {
    // C stops at 64; the tremolo's last offset stays when another effect follows.
    Load(ModuleOf({{{{kC4, 1, 0x30, 0x7, 0x48}, {kC4, 1, 0x20, 0xC, 0x50}}, {{0, 0, 0, 0xA, 0x00}}}}, 2,
                  {ToneInstrument()}, 3));
    EXPECT_EQ(Tick(1).volume, 64);
    Ticks(1);
    EXPECT_EQ(Tick().volumeDelta, 97 * 8 >> 6);  // W(4) x depth 8 / 64
    EXPECT_EQ(Tick().volume, 32 + 12);
}

TEST_F(FirstTickVolumeTest, VolumeColumnSlidesActOnEveryTickFineSlidesOnTheFirst) {
    Load(ModuleOf({{{{kC4, 1, 0x62}, {kC4, 1, 0x84}}, {{0, 0, 0x73}, {0, 0, 0x93}}}}, 2, {ToneInstrument()},
                  3));
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
    EXPECT_EQ(FieldOverTicks(2, &Channel::panning), (std::vector<int>{0x40 - 3, 0x40 - 6}));
    EXPECT_EQ(channel(1).vibratoDepth, 6);
}

TEST_F(FirstTickVolumeTest, GlobalVolumeReachesTheVoicesItIsRecomputedFor) {
    Load(ModuleOf({{{{kC4, 1, 0, 0x10, 0x20}}, {{0, 0, 0, 0x11, 0x02}}}}, 2, {ToneInstrument()}, 3));
    Ticks(1);
    EXPECT_EQ(song->globalVolume, 32);
    EXPECT_EQ(voice().volume, 63);  // 64 x 64 x 65536 x 32 x 255 / 2^35 = 63.75
    Ticks(5);
    EXPECT_EQ(song->globalVolume, 32 - 2 * 2);
}

}  // namespace
}  // namespace zint
