// The tick engine on modules built cell by cell: the order of rows and
// jumps, notes, instrument numbers and key-off, the first-tick and
// later-tick commands, envelopes, the automatic vibrato, and what
// UpdateVoice makes of a channel.
#include "music/tick_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "music/effects.h"
#include "music/pitch.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using namespace test;

using Position = std::pair<int, int>;  // order position, row

// The song loaded and started on the offline output, without a tick run
// yet: the test calls the ticks itself.
class TickEngineTest : public OfflinePlayerTest {
protected:
    void Load(const XmModule& module) {
        if (song) {  // the voices still play the old song's samples
            TearDown();
            SetUp();
        }
        song = LoadFromBytes(module.Build()).song;
        ASSERT_NE(song, nullptr);
        song->tickHandler = nullptr;  // the first ring renders without ticks
        ASSERT_TRUE(StartPlayback(song.get()));
        song->tickHandler = SongTick;
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) SongTick(*song);
    }
    // Runs `ticks` ticks, recording where each one played.
    std::vector<Position> Played(int ticks) {
        std::vector<Position> played;
        for (int i = 0; i < ticks; ++i) {
            SongTick(*song);
            played.emplace_back(song->orderPosition, song->row);
        }
        return played;
    }
    Channel& channel(int index = 0) { return Channels()[static_cast<std::size_t>(index)]; }
    Voice& voice(int index = 0) { return Voices()[static_cast<std::size_t>(index)]; }

    std::unique_ptr<Song> song;
};

Rows At(int row, Row cells) {
    Rows rows = EmptyRows(row < 16 ? 16 : 64);
    rows[static_cast<std::size_t>(row)] = std::move(cells);
    return rows;
}

// Order positions and rows one tick a row: breaks are decimal and above 63
// mean row 0; a break to a row the pattern lacks lands on row 0; B and D in
// one row follow the channel order; a jump past the song goes to entry 0;
// the song wraps to its restart position. Then speed and tempo.
TEST_F(TickEngineTest, JumpsBreaksTheWrapToTheRestartPositionSpeedTempoAndSpeedZero) {
    const std::vector<std::pair<std::vector<Rows>, std::vector<Position>>> cases{
        {{At(0, {{0, 0, 0, 0xD, 0x64}}), At(0, {{0, 0, 0, 0xD, 0x10}}), At(10, {{0, 0, 0, 0xD, 0x25}})},
         {{0, 0}, {1, 0}, {2, 10}, {0, 0}}},
        {{At(0, {{0, 0, 0, 0xD, 0x05}, {0, 0, 0, 0xB, 0x02}}), At(3, {{0, 0, 0, 0xB, 0x07}}),
          At(0, {{0, 0, 0, 0xB, 0x01}, {0, 0, 0, 0xD, 0x03}})},
         {{0, 0}, {2, 0}, {1, 3}, {0, 0}}},
    };
    for (const auto& [patterns, expected] : cases) {
        Load(ModuleOf(patterns, 2, {ToneInstrument()}, 1));
        EXPECT_EQ(Played(4), expected);
    }
    XmModule module = ModuleOf({EmptyRows(2), EmptyRows(3)}, 2, {ToneInstrument()}, 1);
    module.songLength = 3;
    module.restartPosition = 1;
    Load(module);
    EXPECT_EQ(Played(8), (std::vector<Position>{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {1, 0}}));

    Load(ModuleOf({{{{0, 0, 0, 0xF, 0x1F}}, {{0, 0, 0, 0xF, 0x20}}, {{0, 0, 0, 0xF, 0x00}}, {}, {}}}));
    Ticks(31);  // F1F: 31 ticks
    EXPECT_EQ(song->row, 0);
    Ticks(1);
    EXPECT_EQ(std::vector<int>({song->row, song->bpm, song->samplesPerTick, song->speed}),
              std::vector<int>({1, 32, 3445, 31}));  // F20
    Ticks(31);
    EXPECT_EQ(Played(2), (std::vector<Position>{{0, 3}, {0, 4}}));  // F00: every tick a row
    // The mixer still moves on at speed 0.
    const int before = WriteBlock();
    FillBlock();
    EXPECT_EQ(WriteBlock(), (before + 1) % CurrentOutput().blockCount);
}

// What a probe reads after each tick of a pattern of `rows` played at
// `speed`, from tick `skip` on. Before every tick the voice is put at frame
// 7, so a position probe reads 7 where the voice was not restarted.
using Probe = std::function<int(const Channel&, const Voice&, const Song&)>;
struct ProbeCase {
    const char* name;
    Rows rows;
    int speed;
    Probe probe;
    int skip;
    std::vector<int> expected;
    std::vector<XmInstrument> instruments = {ToneInstrument()};
    bool amiga = false;
};

Probe Of(int Channel::*field) {
    return [field](const Channel& channel, const Voice&, const Song&) { return channel.*field; };
}
Probe OfVoice(int Voice::*field) {
    return [field](const Channel&, const Voice& voice, const Song&) { return voice.*field; };
}
int Frame(const Channel&, const Voice& voice, const Song&) { return static_cast<int>(voice.position >> 32); }
int GlobalVolume(const Channel&, const Voice&, const Song& song) { return song.globalVolume; }
int Step(const Channel&, const Voice& voice, const Song&) { return static_cast<int>(voice.step); }
int Gains(const Channel&, const Voice& voice, const Song&) { return voice.targetLeft * 1000 + voice.targetRight; }

// C-4 of instrument 1 with a volume column and an effect, then `rest`.
Rows Note(std::uint8_t column, std::uint8_t effect = 0, std::uint8_t param = 0, Rows rest = {{}}) {
    rest.insert(rest.begin(), {{kC4, 1, column, effect, param}});
    return rest;
}

// A volume envelope on points (0, 64), (10, 32), (20, 0), sustained at 32 unless told otherwise.
XmInstrument Enveloped(XmEnvelope volume = {{0, 64, 10, 32, 20, 0}, 3, 1, 0, 0, 0x03}, XmEnvelope panning = {}) {
    XmInstrument instrument = ToneInstrument();
    instrument.volume = volume;
    instrument.panning = panning;
    instrument.fadeout = 0x800;
    return instrument;
}

TEST_F(TickEngineTest, CommandsTickByTick) {
    const Probe period = Of(&Channel::period), delta = Of(&Channel::periodDelta), volume = Of(&Channel::volume),
                volumeDelta = Of(&Channel::volumeDelta), panning = Of(&Channel::panning),
                envelope = Of(&Channel::envelopeVolume), fadeout = Of(&Channel::fadeoutVolume),
                keyOff = [](const Channel& c, const Voice&, const Song&) { return int{c.keyOff}; },
                heard = OfVoice(&Voice::volume);
    const Rows released = Note(0, 0, 0, {{{kNoteOff}}, {}, {}});
    const Rows portamento = Note(0x30, 0, 0, {{{kC4 + 2, 2, 0, 0x3, 0x10}}});
    const Rows offsets{{{kC4, 1, 0, 0x9, 0x01}}, {{kC4, 0, 0, 0x9, 0x04}}, {{0, 0, 0, 0x9, 0x02}}, {{kC4}}};
    const std::vector<XmInstrument> two{ToneInstrument(40), ToneInstrument(20)};
    const XmInstrument looped = Enveloped({{0, 64, 10, 32, 20, 0}, 3, 0, 1, 2, 0x05}),
                       plain = Enveloped({{0, 64, 10, 32, 20, 0}, 3, 0, 0, 0, 0x01});
    const std::vector<ProbeCase> cases{
        {"a note starts its instrument's sample, an octave up", Note(0), 6, period, 0, {3840},
         {ToneInstrument(40, 200, 12)}},
        {"at volume 40 the voice hears 40 x 64 x 65536 x 64 x 255 / 2^35", Note(0), 6, heard, 0, {79},
         {ToneInstrument(40, 200)}},
        {"and its panning", Note(0), 6, panning, 0, {200}, {ToneInstrument(40, 200)}},
        {"arpeggio 037, linear", Note(0, 0x0, 0x37), 6, delta, 0, {0, 192, 448, 0, 192, 448}},
        {"arpeggio 037, Amiga", Note(0, 0x0, 0x37), 6, delta, 0, {0, -273, -570, 0, -273, -570}, {ToneInstrument()},
         true},
        {"arpeggio 000", Note(0, 0x0, 0x00), 6, period, 0, {4608, 4608, 4608}},
        {"portamento up stops at 56", Note(0, 0x1, 0xFF), 6, period, 1, {3588, 2568, 1548, 528, 56}},
        {"portamento up 00 keeps its speed", Note(0, 0x1, 0x02, {{{0, 0, 0, 0x1, 0x00}}}), 2, period, 0,
         {4608, 4600, 4600, 4592}},
        {"portamento down goes on", Note(0, 0x2, 0xFF), 6, period, 1, {5628, 6648, 7668, 8688, 9708}},
        {"at 9708, 84 Hz, the step is 100 Hz's", Note(0, 0x2, 0xFF), 6, Step, 5, {(100ll << 32) / 44100}},
        {"panning 170 gives the left 170 / 255 of 127, the right the rest", Note(0, 0x8, 170), 6, Gains, 0,
         {84 * 1000 + 42}},
        {"panning 0 gives the right it all", Note(0, 0x8, 0), 6, Gains, 0, {127}},
        {"a portamento row keeps what plays", portamento, 3, period, 0, {4608, 4608, 4608, 4608, 4544, 4480}, two},
        {"and does not restart it", portamento, 3, Frame, 0, {0, 7, 7, 7, 7, 7}, two},
        {"but its instrument number resets the volume", portamento, 3, volume, 2, {32, 40}, two},
        {"column portamento alike", Note(0x30, 0, 0, {{{kC4 + 2, 2, 0xF1, 0, 0}}}), 3, period, 3, {4608, 4544, 4480},
         two},
        {"vibrato 48 applies before it moves", Note(0, 0x4, 0x48), 6, delta, 0, {0, 0, -24, -44}},
        {"vibrato without depth", Note(0, 0x4, 0x40), 6, delta, 0, {0, 0, 0}},
        {"tremor T10 across rows", Note(0, 0x1D, 0x10, {{{0, 0, 0, 0x1D, 0x00}}}), 4, volumeDelta, 0,
         {0, 0, -64, 0, 0, -64, 0, 0}},
        {"retrigger 32 lowers by 4", Note(0, 0x1B, 0x32), 6, volume, 1, {64, 60, 60, 56, 56}},
        {"retrigger 32 stops at 0", Note(0x16, 0x1B, 0x32), 6, volume, 1, {6, 2, 2, 0, 0}},
        {"retrigger 02 restarts every 2nd tick", Note(0, 0x1B, 0x02), 6, Frame, 0, {0, 7, 0, 7, 0, 7}},
        {"panning slide up", Note(0xCF, 0x19, 0x80), 6, panning, 0, {240, 248, 255, 255}},
        {"panning slide down", Note(0xC0, 0x19, 0x03), 6, panning, 0, {0, 0, 0}},
        {"set volume stops at 64", Note(0x20, 0xC, 0x50), 3, volume, 0, {64}},
        {"global volume set, then slid", Note(0, 0x10, 0x20, {{{0, 0, 0, 0x11, 0x02}}}), 3, GlobalVolume, 0,
         {32, 32, 32, 32, 30, 28}},
        {"the voice hears the global volume", Note(0, 0x10, 0x20), 3, heard, 0, {63}},
        {"the last tremolo offset stays", Note(0x30, 0x7, 0x48, {{{0, 0, 0, 0xA, 0x00}}}), 3, volume, 0,
         {32, 32, 32, 44}},
        {"tremolo W(4) x 8 / 64", Note(0x30, 0x7, 0x48), 3, volumeDelta, 0, {0, 0, 12}},
        {"column slide down on every tick", Note(0x62, 0, 0, {{{0, 0, 0x73}}}), 3, volume, 0, {62, 60, 58, 61, 64, 64}},
        {"column fine slides on the first", Note(0x84, 0, 0, {{{0, 0, 0x93}}}), 3, volume, 0, {60, 60, 60, 63, 63, 63}},
        {"column panning and slide left", Note(0xC4, 0, 0, {{{0, 0, 0xD3}}}), 6, panning, 5, {0x40, 0x3D, 0x3A}},
        {"column vibrato speed, then depth", Note(0xA5, 0, 0, {{{0, 0, 0xB6}}}), 6, delta, 6, {0, 0, -20, -36}},
        {"an instrument number alone resets the volume", Note(0x20, 0, 0, {{{0, 1}}}), 1, volume, 0, {16, 64}},
        {"without restarting", Note(0x20, 0, 0, {{{0, 1}}}), 1, Frame, 0, {0, 7}},
        {"key-off without an envelope cuts the note", Note(0, 0, 0, {{{kNoteOff}}}), 1, heard, 0, {127, 0}},
        {"a note without instrument number stays silent after it",
         Note(0, 0, 0, {{{kNoteOff}}, {{kC4 + 2}}, {{kC4, 1}}}), 1, heard, 2, {0, 127}},
        {"and restarts", Note(0, 0, 0, {{{kNoteOff}}, {{kC4 + 2}}}), 1, Frame, 2, {0}},
        {"speed 0 and a jump to itself restart the note on every tick",
         {{{kC4, 1, 0, 0xF, 0x00}, {0, 0, 0, 0xB, 0x00}}, {}}, 6, Frame, 0, {0, 0, 0}},
        {"and the instrument number clears the key-off", Note(0, 0, 0, {{{kNoteOff}}, {{kC4, 1}}}), 1, keyOff, 0,
         {0, 1, 0}},
        {"offsets: 256 frames, the sample's end stops, and waits for a note", offsets, 1, Frame, 0, {256, 0, 7, 512},
         {ToneInstrument(64, 128, 0, 1024)}},
        {"key-off releases the sustain", released, 16, envelope, 15, {32, 32, 28}, {Enveloped()}},
        {"key-off starts the fadeout", released, 16, fadeout, 15, {65536, 65536 - 4096, 65536 - 8192}, {Enveloped()}},
        {"fadeout reaches 0 on the 16th tick", released, 6, fadeout, 20, {65536 - 15 * 4096, 0, 0}, {Enveloped()}},
        {"an envelope loops for ever, key-off or not", Note(0, 0, 0, {{{kNoteOff}}}), 30, envelope, 20,
         {32, 28, 25, 22, 19, 16, 12, 9, 6, 3, 32, 28, 25, 22, 19, 16, 12, 9, 6, 3}, {looped}},
        {"two points on one tick do not stall it", Note(0), 31, envelope, 20, {0, 0},
         {Enveloped({{0, 64, 0, 32, 20, 0}, 3, 0, 0, 0, 0x01})}},
        {"L05 moves into the first segment", Note(0, 0x15, 5), 31, envelope, 0, {48, 44}, {plain}},
        {"L0A onto the second point", Note(0, 0x15, 10), 31, envelope, 0, {32, 32, 28}, {plain}},
        {"L1E past the last point ends it", Note(0, 0x15, 30), 31, envelope, 0, {0, 0}, {plain}},
        {"a panning envelope walks as a volume one does", Note(0), 31, Of(&Channel::envelopePanning), 0, {0, 6, 12},
         {Enveloped({}, {{0, 0, 10, 64}, 2, 0, 0, 0, 0x01})}},
        {"L00 before the first point starts there, on time", Note(0, 0x15, 0), 31, envelope, 0,
         {64, 58, 53, 48, 42, 37, 32}, {Enveloped({{4, 64, 10, 32, 20, 0}, 3, 0, 0, 0, 0x01})}},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        XmModule module = ModuleOf({c.rows}, 2, c.instruments, c.speed);
        if (c.amiga) module.flags = 0;
        Load(module);
        Ticks(c.skip);
        std::vector<int> values;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            voice().position = std::uint64_t{7} << 32;
            SongTick(*song);
            values.push_back(c.probe(channel(), voice(), *song));
        }
        EXPECT_EQ(values, c.expected);
    }
}

// Channel c starts at volume 30 and retriggers on every tick with change c.
TEST_F(TickEngineTest, EveryRetriggerVolumeChange) {
    Row row;
    for (int change = 0; change < 16; ++change) {
        row.push_back({kC4, 1, 0x10 + 30, 0x1B, static_cast<std::uint8_t>(change << 4 | 1)});
    }
    Load(ModuleOf({{row, {}}}, 16));
    Ticks(2);
    std::vector<int> volumes;
    for (int c = 0; c < 16; ++c) volumes.push_back(channel(c).volume);
    EXPECT_EQ(volumes, (std::vector<int>{30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60}));
}

TEST(EffectHelpersTest, TheVibratoWave) {
    for (int p = -32; p < 32; ++p) {  // the truncated half sine, peaking at 255
        EXPECT_EQ(VibratoWave(p), static_cast<int>(std::fabs(std::sin(2.0 * p * double{0.049087375f})) * 256)) << p;
    }
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

}  // namespace
}  // namespace zint
