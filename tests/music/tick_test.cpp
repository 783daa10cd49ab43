// The tick engine on modules built cell by cell: the order of rows and
// jumps, notes, instrument numbers and key-off, every first-tick and
// later-tick command the tables below name, envelopes, the automatic
// vibrato, and what UpdateVoice makes of a channel.
#include "music/tick_engine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "music/effects.h"
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
using test::XmInstrument;

using Position = std::pair<int, int>;  // order position, row
using Rows = std::vector<Row>;

class TickEngineTest : public test::TickTest {
protected:
    // Runs `rows` ticks, recording where each one played.
    std::vector<Position> PlayRows(int rows) {
        std::vector<Position> played;
        for (int i = 0; i < rows; ++i) {
            SongTick(*song);
            played.emplace_back(song->orderPosition, song->row);
        }
        return played;
    }
};

// Order positions and rows one tick a row: breaks are decimal and above 63
// mean row 0; a break to a row the pattern lacks lands on row 0; B and D in
// one row follow the channel order; a jump past the song goes to entry 0.
TEST_F(TickEngineTest, JumpsAndBreaks) {
    struct Case {
        const char* name;
        std::vector<Rows> patterns;
        std::vector<Position> expected;
    };
    const auto at = [](int row, Row cells) {
        Rows rows = EmptyRows(row < 16 ? 16 : 64);
        rows[static_cast<std::size_t>(row)] = std::move(cells);
        return rows;
    };
    const std::vector<Case> cases{
        {"breaks",
         {at(0, {{0, 0, 0, 0xD, 0x64}}), at(0, {{0, 0, 0, 0xD, 0x10}}), at(10, {{0, 0, 0, 0xD, 0x25}})},
         {{0, 0}, {1, 0}, {2, 10}, {0, 0}}},
        {"D then B, B then D, B past the song",
         {at(0, {{0, 0, 0, 0xD, 0x05}, {0, 0, 0, 0xB, 0x02}}), at(3, {{0, 0, 0, 0xB, 0x07}}),
          at(0, {{0, 0, 0, 0xB, 0x01}, {0, 0, 0, 0xD, 0x03}})},
         {{0, 0}, {2, 0}, {1, 3}, {0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(ModuleOf(c.patterns, 2, {ToneInstrument()}, 1));
        EXPECT_EQ(PlayRows(4), c.expected);
    }
}

TEST_F(TickEngineTest, RowsLastSpeedTicksAndTheSongWrapsToItsRestartPosition) {
    test::XmModule module = ModuleOf({EmptyRows(2), EmptyRows(3)}, 2, {ToneInstrument()}, 2);
    module.songLength = 3;
    module.restartPosition = 1;
    Load(module);
    std::vector<Position> played;
    for (int i = 0; i < 8; ++i) {
        played.push_back(PlayRows(1)[0]);
        EXPECT_EQ(PlayRows(1)[0], played.back());
    }
    EXPECT_EQ(played,
              (std::vector<Position>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {1, 0}}));
}

TEST_F(TickEngineTest, SpeedTempoAndSpeedZero) {
    Load(ModuleOf({{{{0, 0, 0, 0xF, 0x1F}}, {{0, 0, 0, 0xF, 0x20}}, {{0, 0, 0, 0xF, 0x00}}, {}, {}}}));
    Ticks(31);  // F1F: 31 ticks
    EXPECT_EQ(song->row, 0);
    Ticks(1);
    EXPECT_EQ(std::vector<int>({song->row, song->bpm, song->samplesPerTick, song->speed}),
              std::vector<int>({1, 32, 3445, 31}));  // F20
    Ticks(31);
    EXPECT_EQ(PlayRows(2), (std::vector<Position>{{0, 3}, {0, 4}}));  // F00: every tick a row

    // Speed 0 with a jump to itself: the note starts again on every tick,
    // and the mixer still moves on.
    Load(ModuleOf({{{{kC4, 1, 0, 0xF, 0x00}, {0, 0, 0, 0xB, 0x00}}, {}}}));
    for (int i = 0; i < 3; ++i) {
        voice().position = std::uint64_t{7} << 32;
        EXPECT_EQ(PlayRows(1)[0], Position(0, 0));
        EXPECT_EQ(voice().position, 0u) << i;
    }
    const int before = WriteBlock();
    FillBlock();
    EXPECT_EQ(WriteBlock(), (before + 1) % CurrentOutput().blockCount);
}

// One field of channel 0, tick by tick, for a pattern of `rows` played at
// `speed`: the field after each of the `expected.size()` ticks that follow
// the first `skip`.
struct FieldCase {
    const char* name;
    Rows rows;
    int speed;
    int Channel::*field;
    int skip;
    std::vector<int> expected;
    std::vector<XmInstrument> instruments = {ToneInstrument()};
    bool amiga = false;
};

// C-4 of instrument 1 with a volume column and an effect, then `rest`.
Rows Note(std::uint8_t column, std::uint8_t effect = 0, std::uint8_t param = 0, Rows rest = {{}}) {
    rest.insert(rest.begin(), {{kC4, 1, column, effect, param}});
    return rest;
}

XmInstrument Enveloped() {
    XmInstrument instrument = ToneInstrument();
    instrument.volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03};  // sustained at 32
    instrument.fadeout = 0x800;
    return instrument;
}

TEST_F(TickEngineTest, CommandsTickByTick) {
    const auto period = &Channel::period, delta = &Channel::periodDelta, volume = &Channel::volume,
               volumeDelta = &Channel::volumeDelta, panning = &Channel::panning,
               envelope = &Channel::envelopeVolume, fadeout = &Channel::fadeoutVolume;
    const Rows keyOff = Note(0, 0, 0, {{{kNoteOff}}, {}, {}});
    const std::vector<FieldCase> cases{
        {"arpeggio 037, linear", Note(0, 0x0, 0x37), 6, delta, 0, {0, 192, 448, 0, 192, 448}},
        {"arpeggio 037, Amiga", Note(0, 0x0, 0x37), 6, delta, 0, {0, -273, -570, 0, -273, -570}, {ToneInstrument()},
         true},
        {"arpeggio 000", Note(0, 0x0, 0x00), 6, period, 0, {4608, 4608, 4608}},
        {"portamento up stops at 56", Note(0, 0x1, 0xFF), 6, period, 1, {3588, 2568, 1548, 528, 56}},
        {"portamento down goes on", Note(0, 0x2, 0xFF), 6, period, 1, {5628, 6648, 7668, 8688, 9708}},
        {"vibrato 48 applies before it moves", Note(0, 0x4, 0x48), 6, delta, 0, {0, 0, -24, -44}},
        {"vibrato without depth", Note(0, 0x4, 0x40), 6, delta, 0, {0, 0, 0}},
        {"tremor T10 across rows", Note(0, 0x1D, 0x10, {{{0, 0, 0, 0x1D, 0x00}}}), 4, volumeDelta, 0,
         {0, 0, -64, 0, 0, -64, 0, 0}},
        {"retrigger 32 lowers by 4", Note(0, 0x1B, 0x32), 6, volume, 1, {64, 60, 60, 56, 56}},
        {"retrigger 32 stops at 0", Note(0x16, 0x1B, 0x32), 6, volume, 1, {6, 2, 2, 0, 0}},
        {"panning slide up", Note(0xCF, 0x19, 0x80), 6, panning, 0, {240, 248, 255, 255}},
        {"panning slide down", Note(0xC0, 0x19, 0x03), 6, panning, 0, {0, 0, 0}},
        {"set volume stops at 64", Note(0x20, 0xC, 0x50), 3, volume, 0, {64}},
        {"the last tremolo offset stays", Note(0x30, 0x7, 0x48, {{{0, 0, 0, 0xA, 0x00}}}), 3, volume, 0,
         {32, 32, 32, 44}},
        {"tremolo W(4) x 8 / 64", Note(0x30, 0x7, 0x48), 3, volumeDelta, 0, {0, 0, 12}},
        {"column slide down on every tick", Note(0x62, 0, 0, {{{0, 0, 0x73}}}), 3, volume, 0, {62, 60, 58, 61, 64, 64}},
        {"column fine slides on the first", Note(0x84, 0, 0, {{{0, 0, 0x93}}}), 3, volume, 0, {60, 60, 60, 63, 63, 63}},
        {"column panning and slide left", Note(0xC4, 0, 0, {{{0, 0, 0xD3}}}), 6, panning, 5, {0x40, 0x3D, 0x3A}},
        {"column vibrato speed, then depth", Note(0xA5, 0, 0, {{{0, 0, 0xB6}}}), 6, delta, 6, {0, 0, -20, -36}},
        {"key-off releases the sustain", keyOff, 16, envelope, 15, {32, 32, 28}, {Enveloped()}},
        {"key-off starts the fadeout", keyOff, 16, fadeout, 15, {65536, 65536 - 4096, 65536 - 8192}, {Enveloped()}},
        {"fadeout reaches 0 on the 16th tick", keyOff, 6, fadeout, 20, {65536 - 15 * 4096, 0, 0}, {Enveloped()}},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::XmModule module = ModuleOf({c.rows}, 2, c.instruments, c.speed);
        if (c.amiga) module.flags = 0;
        Load(module);
        Ticks(c.skip);
        EXPECT_EQ(FieldOverTicks(static_cast<int>(c.expected.size()), c.field), c.expected);
    }
}

// Channel c starts at volume 30 and retriggers on every tick with change c.
TEST_F(TickEngineTest, EveryRetriggerVolumeChangeAndTheTicksItRestartsOn) {
    Row row;
    for (int change = 0; change < 16; ++change)
        row.push_back({kC4, 1, 0x10 + 30, 0x1B, static_cast<std::uint8_t>(change << 4 | 1)});
    Load(ModuleOf({{row, {}}}, 16, {ToneInstrument()}));
    Ticks(2);
    std::vector<int> volumes;
    for (int c = 0; c < 16; ++c) volumes.push_back(channel(c).volume);
    EXPECT_EQ(volumes, (std::vector<int>{30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60}));

    Load(ModuleOf({{{{kC4, 1, 0, 0x1B, 0x02}}, {}}}));
    Ticks(1);
    std::vector<int> restarts;
    for (int tick = 1; tick < 6; ++tick) {
        voice().position = std::uint64_t{3} << 32;
        SongTick(*song);
        if (voice().position == 0) restarts.push_back(tick);
        EXPECT_EQ(channel().volume, 64);  // change 0 keeps the volume
    }
    EXPECT_EQ(restarts, (std::vector<int>{2, 4}));
}

TEST_F(TickEngineTest, ANoteStartsTheSampleItsInstrumentMaps) {
    Load(ModuleOf({{{{kC4, 1}}}}, 2, {ToneInstrument(40, 200)}));
    const Channel& played = Tick();
    EXPECT_EQ(
        std::vector<int>({played.note, played.instrument, played.realNote, played.period, played.notePeriod,
                          played.volume, played.panning, played.envelopeVolume, played.fadeoutVolume}),
        std::vector<int>({48, 0, 48, 4608, 4608, 40, 200, 64, 65536}));
    EXPECT_EQ(voice().sample, &FirstSample());
    EXPECT_EQ(voice().frequency, 8363);
    EXPECT_EQ(voice().volume, 79);  // 40 x 64 x 65536 x 64 x 255 / 2^35

    // Global volume: set, then slid down on the later ticks.
    Load(ModuleOf({{{{kC4, 1, 0, 0x10, 0x20}}, {{0, 0, 0, 0x11, 0x02}}}}, 2, {ToneInstrument()}, 3));
    Ticks(1);
    EXPECT_EQ(voice().volume, 63);  // at 32: 63.75
    Ticks(5);
    EXPECT_EQ(song->globalVolume, 32 - 2 * 2);
}

TEST_F(TickEngineTest, APortamentoRowKeepsWhatPlaysAndAimsAtItsNote) {
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
        EXPECT_EQ(FieldOverTicks(3, &Channel::period), (std::vector<int>{4544, 4480, 4480}));
    }
}

TEST_F(TickEngineTest, InstrumentNumbersKeyOffAndOffsetsRestartOrNot) {
    // An instrument number alone resets the volume without restarting.
    Load(ModuleOf({{{{kC4, 1, 0x20}}, {{0, 1}}}}));
    Ticks(6);
    voice().position = std::uint64_t{5} << 32;
    EXPECT_EQ(Tick().volume, 64);
    EXPECT_EQ(voice().position, std::uint64_t{5} << 32);

    // After a key-off a note without an instrument number starts, but silent.
    Load(ModuleOf({{{{kC4, 1}}, {{kNoteOff}}, {{kC4 + 2}}, {{kC4, 1}}}}, 2, {ToneInstrument()}, 1));
    Ticks(2);
    EXPECT_EQ(std::vector<int>({channel().keyOff, voice().volume, voice().targetLeft}),
              std::vector<int>({1, 0, 0}));
    voice().position = std::uint64_t{5} << 32;
    Ticks(1);
    EXPECT_EQ(std::vector<int>({static_cast<int>(voice().position), voice().volume}), std::vector<int>({0, 0}));
    Ticks(1);
    EXPECT_EQ(voice().volume, 127);

    // Offsets: 256 frames; 4 x 256 is the sample's end; without a note the
    // offset waits for the next one.
    Load(ModuleOf({{{{kC4, 1, 0, 0x9, 0x01}}, {{kC4, 0, 0, 0x9, 0x04}}, {{0, 0, 0, 0x9, 0x02}}, {{kC4}}}}, 2,
                  {ToneInstrument(64, 128, 0, 1024)}, 1));
    Ticks(1);
    EXPECT_EQ(voice().position, std::uint64_t{256} << 32);
    Ticks(1);
    EXPECT_EQ(voice().sample, nullptr);
    Ticks(1);
    EXPECT_EQ(voice().startOffset, 512u);
    Ticks(1);
    EXPECT_EQ(voice().position, std::uint64_t{512} << 32);
}

TEST_F(TickEngineTest, MissingInstrumentsSamplesAndWrappedNotesPlaySafely) {
    XmInstrument mappedAway = ToneInstrument();
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

TEST(EffectHelpersTest, WavesSlidesTremoloAndTremorKeepTheirBounds) {
    for (int p = -32; p < 32; ++p) {  // the truncated half sine, peaking at 255
        EXPECT_EQ(VibratoWave(p), static_cast<int>(std::fabs(std::sin(2.0 * p * double{0.049087375f})) * 256))
            << p;
    }
    Channel wrapped;  // positions wrap into the negative half, where the pitch goes up
    wrapped.vibratoSpeed = wrapped.vibratoDepth = 15;
    wrapped.vibratoPosition = 24;
    AdvanceVibrato(wrapped);
    ApplyVibrato(wrapped);
    // W(-25) = W(7) = 162: 4 x floor(162 x 15 / 128), upwards.
    EXPECT_EQ(std::pair(int{wrapped.vibratoPosition}, wrapped.periodDelta), std::pair(-25, 72));

    Channel channel;
    channel.tremoloDepth = 15;
    // W(8) x 15 / 64 = 42, lowered to fit; at the ends nothing moves.
    for (const auto& [volume, position, delta] : {std::tuple{64, 8, 0}, {0, -8, 0}, {32, 8, 32}, {32, -8, -32}}) {
        channel.volume = volume;
        channel.tremoloPosition = static_cast<std::int8_t>(position);
        ApplyTremolo(channel);
        EXPECT_EQ(channel.volumeDelta, delta) << volume << " " << position;
    }
    channel.volume = 62;
    std::vector<int> volumes;
    for (int slide : {0x33, 0x05, 0x05, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F}) {
        channel.volumeSlide = static_cast<std::uint8_t>(slide);  // up wins; both ends hold
        SlideVolume(channel);
        volumes.push_back(channel.volume);
    }
    EXPECT_EQ(volumes, (std::vector<int>{64, 59, 54, 39, 24, 9, 0, 0}));
    EXPECT_EQ(SlideUnlimited(100, -500), -400);
    EXPECT_EQ(SlideUnlimited(kUnlimitedSlideBound - 3, 1020), kUnlimitedSlideBound);
    EXPECT_EQ(SlideUnlimited(-kUnlimitedSlideBound, -15), -kUnlimitedSlideBound);
    // A tremor cycle shortened midway starts again.
    channel.volume = 64;
    channel.tremorCounter = 20;
    channel.tremorOnTicks = 2;
    channel.tremorOffTicks = 1;
    ApplyTremor(channel);
    EXPECT_EQ(std::pair(channel.volumeDelta, int{channel.tremorCounter}), std::pair(-64, 0));
}

// Volume envelopes on points (0, 64), (10, 32), (20, 0).
class EnvelopeTest : public testing::Test {
protected:
    void SetUp() override {
        ResetChannelForInstrument(channel, emptySample);
        instrument.volumeEnvelope[0] = {0, 64};
        instrument.volumeEnvelope[1] = {10, 32};
        instrument.volumeEnvelope[2] = {20, 0};
        instrument.volumePointCount = 3;
    }
    std::vector<int> Volumes(int ticks) {
        std::vector<int> volumes;
        for (int i = 0; i < ticks; ++i) {
            StepEnvelopes(channel, instrument);
            volumes.push_back(channel.envelopeVolume);
        }
        return volumes;
    }
    Channel channel;
    Instrument instrument;
    const std::vector<int> secondSegment{32, 28, 25, 22, 19, 16, 12, 9, 6, 3};
};

TEST_F(EnvelopeTest, SustainHoldsUntilKeyOffThenTheEnvelopeFallsToItsEnd) {
    instrument.volumeEnvelopeFlags = kEnvelopeOn | kEnvelopeSustain;
    instrument.volumeSustainPoint = 1;
    EXPECT_EQ(Volumes(14), (std::vector<int>{64, 60, 57, 54, 51, 48, 44, 41, 38, 35, 32, 32, 32, 32}));
    channel.keyOff = 1;
    EXPECT_EQ(Volumes(10), secondSegment);
    EXPECT_EQ(Volumes(3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST_F(EnvelopeTest, ALoopRepeatsForeverAlsoAfterKeyOff) {
    instrument.volumeEnvelopeFlags = kEnvelopeOn | kEnvelopeLoop;
    instrument.volumeLoopStart = 1;
    instrument.volumeLoopEnd = 2;
    Volumes(10);
    EXPECT_EQ(Volumes(10), secondSegment);
    EXPECT_EQ(Volumes(10), secondSegment);
    channel.keyOff = 1;
    EXPECT_EQ(Volumes(10), secondSegment);
    EXPECT_EQ(channel.volumeEnvelopeDone, 0);
}

TEST_F(EnvelopeTest, TwoPointsOnOneTickDoNotStallAndSetPositionLandsInItsSegment) {
    instrument.volumeEnvelopeFlags = kEnvelopeOn;
    instrument.volumeEnvelope[1] = {0, 32};
    EXPECT_EQ(Volumes(24).back(), 0);
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);

    instrument.volumeEnvelope[1] = {10, 32};
    SetVolumeEnvelopePosition(channel, instrument, 5);
    EXPECT_EQ(
        std::vector<int>({channel.envelopeVolume, channel.volumeEnvelopePoint, channel.volumeEnvelopeTick}),
        std::vector<int>({48, 1, 5}));
    EXPECT_EQ(Volumes(1), std::vector<int>{44});
    SetVolumeEnvelopePosition(channel, instrument, 30);  // past the last point
    EXPECT_EQ(std::pair(channel.envelopeVolume, int{channel.volumeEnvelopeDone}), std::pair(0, 1));
    // Before the first point it starts at the first point, on time.
    instrument.volumeEnvelope[0] = {4, 64};
    SetVolumeEnvelopePosition(channel, instrument, 0);
    EXPECT_EQ(std::pair(channel.envelopeVolume, channel.volumeEnvelopeTick), std::pair(64, 4));
    EXPECT_EQ(Volumes(6).back(), 32);
}

TEST(AutoVibratoTest, TheFourWaveformsSquareAndSweep) {
    for (const auto& [type, position, value] :
         {std::tuple{0, 0, 0}, {0, 64, 63}, {0, 192, -63}, {1, 127, 64}, {1, 128, -64}, {2, 0, 0}, {2, 127, -64},
          {2, 128, 64}, {2, 255, 0}, {3, 0, 0}, {3, 128, 64}, {3, 129, -64}, {3, 255, -1}, {4, 100, 0}}) {
        EXPECT_EQ(AutoVibratoWave(type, position), value) << type << " " << position;
    }
    const auto deltas = [](const Instrument& instrument, int ticks) {
        Channel channel;
        ResetChannelForInstrument(channel, emptySample);
        std::vector<int> values;
        for (int i = 0; i < ticks; ++i) {
            channel.periodDelta = 0;
            ApplyAutoVibrato(channel, instrument);
            EXPECT_TRUE(channel.updateFlags & kFrequencyChanged);
            values.push_back(channel.periodDelta);
        }
        return values;
    };
    Instrument square;
    square.vibratoType = 1;
    square.vibratoDepth = 8;
    square.vibratoRate = 32;  // +8 and -8 by turns every 128 / 32 ticks
    EXPECT_EQ(deltas(square, 10), (std::vector<int>{8, 8, 8, 8, -8, -8, -8, -8, 8, 8}));
    square.vibratoRate = 0;
    square.vibratoSweep = 4;  // from nothing at the instrument number
    EXPECT_EQ(deltas(square, 6), (std::vector<int>{0, 2, 4, 6, 8, 8}));
}

TEST(NotePeriodTest, LinearAndAmigaTables) {
    for (const auto& [note, finetune, linear, period] :
         {std::tuple{48, 0, true, 4608}, {48, -27, true, 4621}, {0, 127, true, 7680 - 63}, {48, 0, false, 1712},
          {0, 0, false, 27392}, {48, 64, false, 1664}, {48, -64, false, 1762},
          {0, -16, false, 27584},  // at note 0 a negative finetune still steps towards P(131)
          {200, 0, false, 0}}) {
        EXPECT_EQ(NotePeriod(note, finetune, linear), period) << note << " " << finetune << " " << linear;
    }
}

class UpdateVoiceTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        song.songFlags = kLinearFrequencyTable;
        song.globalVolume = 64;
        channel.voice = &Voices()[0];
        channel.volume = channel.envelopeVolume = 64;
        channel.fadeoutVolume = 65536;
        channel.envelopePanning = 32;
        channel.panning = 128;
    }
    Voice& Update(std::uint8_t flags) {
        channel.updateFlags = flags;
        UpdateVoice(channel, tone, song);
        return *channel.voice;
    }
    int FrequencyFor(int period, int periodDelta = 0) {
        channel.period = period;
        channel.periodDelta = periodDelta;
        return Update(kFrequencyChanged).frequency;
    }

    Song song = test::MakeSong();
    Channel channel;
    const Sample tone = test::MakeSample(test::Ramp(100, 1000), kForwardLoop, 0, 100);
};

TEST_F(UpdateVoiceTest, PeriodsToFrequencyAndStep) {
    const int most = MaxVoiceFrequency(44100);
    EXPECT_EQ(FrequencyFor(4608), 8363);
    EXPECT_EQ(channel.voice->step, (std::uint64_t{8363} << 32) / 44100);
    EXPECT_EQ(FrequencyFor(4608, 64), 8860);      // subtracted from the period: a semitone up
    EXPECT_EQ(FrequencyFor(4608 + 7 * 768), 65);  // below 100 Hz: the frequency stays, the step is 100 Hz's
    EXPECT_EQ(channel.voice->step, (std::uint64_t{100} << 32) / 44100);
    EXPECT_EQ(FrequencyFor(-1000000), most);
    EXPECT_EQ(StepForFrequency(most, 44100) >> 32, 255u);
    EXPECT_EQ(FrequencyFor(64, -64), most);  // period 0: the last frequency stays
    EXPECT_EQ(channel.updateFlags & kFrequencyChanged, 0);
    song.songFlags = 0;
    for (const auto& [period, delta, frequency] :
         {std::tuple{1712, 0, 8362}, {1712, 1712, 4181}, {64, -80, 4181}, {1, 0, most}, {2, 0, 7158528}}) {
        EXPECT_EQ(FrequencyFor(period, delta), frequency) << period << " " << delta;  // Amiga; < 0 keeps it
    }
}

TEST_F(UpdateVoiceTest, VolumeAndThePanningLaw) {
    Update(kPanningChanged);
    const Voice& voice = Update(kVolumeChanged);
    EXPECT_EQ(std::vector<int>({voice.volume, voice.targetLeft, voice.targetRight}),
              std::vector<int>({127, 63, 63}));
    channel.fadeoutVolume = 32768;
    EXPECT_EQ(Update(kVolumeChanged).volume, 63);
    // Panning 128 moves 4 x 32 with the envelope, 100 moves 3 x 32, 0 not at
    // all; 255 gives the whole volume to the left, and the result is limited.
    for (const auto& [panning, envelope, result, left, right] :
         {std::tuple{128, 64, 255, 63, 0}, {0, 64, 0, 0, 63}, {100, 0, 4, 0, 62}, {-500, 32, 0, 0, 63},
          {600, 32, 255, 63, 0}, {170, 32, 170, 42, 21}}) {
        channel.panning = panning;
        channel.envelopePanning = envelope;
        Update(kPanningChanged);
        EXPECT_EQ(std::tuple(voice.panning, int{voice.targetLeft}, int{voice.targetRight}),
                  std::tuple(result, left, right))
            << panning;
    }
}

TEST_F(UpdateVoiceTest, TriggerStartsAtAPendingOffsetInsideTheLoopAndStopSilences) {
    Voice& voice = *channel.voice;
    voice.startOffset = 40;
    voice.direction = kBackward;
    Update(kTrigger);
    EXPECT_EQ(std::tuple(voice.sample, voice.position, voice.startOffset, voice.direction),
              std::tuple(&tone, std::uint64_t{40} << 32, 0u, int{kForward}));
    voice.startOffset = 100;  // at the loop's end
    EXPECT_EQ(Update(kTrigger).position, 0u);
    voice.startOffset = 10;
    Update(kTrigger | kStop);
    EXPECT_EQ(std::tuple(voice.sample, voice.position, voice.startOffset),
              std::tuple(nullptr, std::uint64_t{0}, 0u));
}

}  // namespace
}  // namespace zint
