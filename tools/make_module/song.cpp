#include "tools/make_module/song.h"

#include <array>

#include "tools/make_module/instruments.h"
#include "tools/make_module/score.h"

// A row lasts 6 ticks of 1020 frames at 44100 Hz, about 0.139 s, so a bar of
// sixteen rows is 2.22 s. The sections follow the pictures:
//   0.0 s  intro: pads, then beat and bass, a build-up with a snare roll
//  23.9 s  a breath of two beats (the pictures pause at 24 s)
//  25.0 s  the main theme, its answer, a bridge and a turnaround
//  56.1 s  a bar's breath (the pictures pause at 57 s)
//  58.3 s  the theme once more, then the closing chord rings out to 71.6 s
namespace zint::compose {
namespace {

constexpr int kChannels = 32;
constexpr int kSpeed = 6;
constexpr int kBpm = 108;

enum Channel : int {
    kKickChannel = 0,
    kSnareChannel = 1,
    kHatChannel = 2,
    kCymbalChannel = 3,
    kBassChannel = 4,
    kPadBankA = 5,  // and the two channels after it
    kLeadChannel = 8,
    kEchoChannel = 9,
    kPluckA = 10,
    kRiserChannel = 11,
    kControlChannel = 12,
    kPadBankB = 13,  // and the two channels after it
    kPluckB = 16,
};

constexpr int kEchoDelay = 3;  // a dotted eighth behind the lead
constexpr int kEchoPercent = 55;
constexpr const char* kDrumNote = "C-4";  // drums play at the rate they were made at

struct Chord {
    const char* root;  // the bass's low note
    std::array<const char*, 3> voicing;  // the pad's notes
    std::array<const char*, 8> ostinato;  // eighth notes for the pluck
};

constexpr Chord kAm{"A-1", {"A-3", "C-4", "E-4"}, {"A-4", "E-5", "A-5", "E-5", "C-5", "E-5", "A-5", "E-5"}};
constexpr Chord kF{"F-1", {"A-3", "C-4", "F-4"}, {"F-4", "C-5", "F-5", "C-5", "A-4", "C-5", "F-5", "C-5"}};
constexpr Chord kC{"C-2", {"G-3", "C-4", "E-4"}, {"C-5", "G-5", "C-6", "G-5", "E-5", "G-5", "C-6", "G-5"}};
constexpr Chord kG{"G-1", {"G-3", "B-3", "D-4"}, {"G-4", "D-5", "G-5", "D-5", "B-4", "D-5", "G-5", "D-5"}};
constexpr Chord kDm{"D-2", {"A-3", "D-4", "F-4"}, {"D-5", "A-5", "D-6", "A-5", "F-5", "A-5", "D-6", "A-5"}};
constexpr Chord kE{"E-1", {"G#3", "B-3", "E-4"}, {"E-4", "B-4", "E-5", "B-4", "G#4", "B-4", "E-5", "B-4"}};
constexpr Chord kEm{"E-2", {"G-3", "B-3", "E-4"}, {"E-4", "B-4", "E-5", "B-4", "G-4", "B-4", "E-5", "B-4"}};
constexpr Chord kA{"A-1", {"A-3", "C#4", "E-4"}, {"A-4", "E-5", "A-5", "E-5", "C#5", "E-5", "A-5", "E-5"}};

// Arpeggio intervals (semitones above the note) for the pluck's chords.
constexpr std::uint8_t kMajorArpeggio = 0x47;
constexpr std::uint8_t kMinorArpeggio = 0x37;

// Pad voices from left to right, as volume-column panning.
constexpr std::array<std::uint8_t, 3> kPadPanning = {Panning(5), Panning(8), Panning(11)};

const StepLevels kKickLevels{{'X', Volume(64)}, {'x', Volume(50)}};
const StepLevels kSnareLevels{{'X', Volume(64)}, {'x', Volume(46)}, {'g', Volume(22)}};
const StepLevels kHatLevels{{'X', Volume(34)}, {'x', Volume(24)}, {'o', Volume(15)}};

struct Groove {
    const char* kick;
    const char* snare;  // 'g' is a ghost note, struck late into the sample
    const char* hat;
};

constexpr Groove kHalfTime{"X.........x.....", "........X.......", "x.X.x.X.x.X.x.X."};
constexpr Groove kHalfTimePush{"X.......x.x...x.", "........X...x.xg", "x.X.x.X.x.X.x.X."};
constexpr Groove kFourFloor{"X...X...X...X...", "....X.......X...", "x.x.x.x.x.x.x.x."};
constexpr Groove kMain{"X.....x...x.....", "....X.......X..g", "x.X.x.X.x.X.x.X."};
constexpr Groove kMainFill{"X.....x...x.....", "....X.....x.X.XX", "x.X.x.X.x.X.xXX."};
constexpr Groove kMainDrive{"X.....x...x...x.", "....X.......X..g", "x.X.x.X.x.X.xXX."};
constexpr Groove kSoft{"X.......X.......", "........x.......", "o.x.o.x.o.x.o.x."};
constexpr Groove kSoftEnd{"X.......X...X.X.", "........X...x.xg", "o.x.o.x.o.x.o.x."};

constexpr std::uint8_t kGhostOffset = 0x02;  // 512 frames in: past the snare's crack

void Drums(Score& score, int bar, const Groove& groove) {
    const int row = bar * kRowsPerBar;
    score.Steps(row, kKickChannel, kKick, kDrumNote, groove.kick, kKickLevels);
    score.Steps(row, kSnareChannel, kSnare, kDrumNote, groove.snare, kSnareLevels);
    score.Steps(row, kHatChannel, kHat, kDrumNote, groove.hat, kHatLevels);
    for (int i = 0; i < kRowsPerBar; ++i)
        if (groove.snare[i] == 'g') score.Fx(row + i, kSnareChannel, kSampleOffset, kGhostOffset);
}

void Crash(Score& score, int row, std::uint8_t volume) {
    score.Play(row, kCymbalChannel, kDrumNote, kCymbal);
    score.Fx(row, kCymbalChannel, kSetVolume, volume);
}

// A short cymbal, set off to the side, that a key-off fades out a row later.
void OpenHat(Score& score, int row) {
    score.Play(row, kCymbalChannel, "D-4", kCymbal, Volume(22));
    score.Fx(row, kCymbalChannel, kSetPanning, 0xB0);
    score.Fx(row + 1, kCymbalChannel, kKeyOffEffect, 0x00);
}

std::uint8_t Transposed(const char* note, int octaves) {
    return static_cast<std::uint8_t>(NoteNumber(note) + 12 * octaves);
}

// Staccato eighths alternating between the root and its octave.
void OctaveBass(Score& score, int bar, const Chord& chord, int eighths = 8) {
    const int row = bar * kRowsPerBar;
    for (int i = 0; i < eighths; ++i) {
        score.Play(row + 2 * i, kBassChannel, Transposed(chord.root, i % 2), kBass);
        score.KeyOff(row + 2 * i + 1, kBassChannel);
    }
}

// The root on the 3-3-2 pulse (rows 0, 6, 12), its octave answering at row 8.
void TresilloBass(Score& score, int bar, const Chord& chord) {
    const int row = bar * kRowsPerBar;
    score.Play(row, kBassChannel, Transposed(chord.root, 0), kBass);
    score.KeyOff(row + 4, kBassChannel);
    score.Play(row + 6, kBassChannel, Transposed(chord.root, 0), kBass);
    score.Play(row + 8, kBassChannel, Transposed(chord.root, 1), kBass);
    score.KeyOff(row + 10, kBassChannel);
    score.Play(row + 12, kBassChannel, Transposed(chord.root, 0), kBass);
    score.KeyOff(row + 14, kBassChannel);
}

// Patterns are built in song order: the pad and pluck banks alternate from
// one chord to the next across pattern boundaries, so that each chord
// releases on its own channels while the next one swells on the others.
class Arrangement {
public:
    std::vector<xm::XmPattern> Patterns() {
        std::vector<xm::XmPattern> patterns;
        patterns.push_back(IntroPads());
        patterns.push_back(IntroBeat());
        patterns.push_back(BuildUp());
        patterns.push_back(Theme());
        patterns.push_back(ThemeAnswer());
        patterns.push_back(Bridge());
        patterns.push_back(Turnaround());
        patterns.push_back(SecondBreath());
        patterns.push_back(Reprise());
        patterns.push_back(FinalChord());
        return patterns;
    }

private:
    // Returns the first channel of the bank that plays the chord.
    int PadChord(Score& score, int row, const Chord& chord) {
        const int bank = padBank_ == 0 ? kPadBankA : kPadBankB;
        const int other = padBank_ == 0 ? kPadBankB : kPadBankA;
        for (int voice = 0; voice < 3; ++voice) {
            score.Play(row, bank + voice, chord.voicing[voice], kPad, kPadPanning[voice]);
            score.KeyOff(row, other + voice);
        }
        padBank_ ^= 1;
        return bank;
    }

    // A held pluck chord spelled out by the arpeggio effect, its panning
    // drifting one way or the other.
    void PluckChord(Score& score, int row, int rows, const char* note, std::uint8_t intervals,
                    std::uint8_t panDrift = 0) {
        const int channel = NextPluck(score, row);
        score.Play(row, channel, note, kPluck);
        score.Hold(row, channel, rows, kArpeggio, intervals, intervals);
        if (panDrift != 0)
            for (int i = 1; i < rows; ++i) score.VolumeColumn(row + i, channel, panDrift);
    }

    // Eighth notes that ring into each other on the two pluck channels.
    void PluckOstinato(Score& score, int bar, const Chord& chord, int loud, int soft) {
        for (int i = 0; i < 8; ++i) {
            const int row = bar * kRowsPerBar + 2 * i;
            const int channel = NextPluck(score, row);
            score.Play(row, channel, chord.ostinato[i], kPluck, Volume(i % 2 == 0 ? loud : soft));
        }
    }

    // Keys off the pluck still sounding and hands out the other channel.
    int NextPluck(Score& score, int row) {
        const int channel = pluckBank_ == 0 ? kPluckA : kPluckB;
        score.KeyOff(row, pluckBank_ == 0 ? kPluckB : kPluckA);
        pluckBank_ ^= 1;
        return channel;
    }

    // Four bars of pads, drums and octave bass; the last bar may vary the beat.
    // Returns the pad banks the chords went to.
    std::array<int, 4> BandBars(Score& score, const std::array<Chord, 4>& chords, const Groove& lastBar) {
        std::array<int, 4> banks{};
        for (int bar = 0; bar < 4; ++bar) {
            banks[bar] = PadChord(score, bar * kRowsPerBar, chords[bar]);
            Drums(score, bar, bar == 3 ? lastBar : kMain);
            OctaveBass(score, bar, chords[bar]);
        }
        return banks;
    }

    static void LeadWithEcho(Score& score) {
        score.Echo(kLeadChannel, kEchoChannel, kEchoDelay, kEcho, kEchoPercent);
    }

    // 0 s: the chords fade in alone, a pluck and quiet hats join.
    xm::XmPattern IntroPads() {
        Score score(64, kChannels);
        score.Fx(0, kControlChannel, kGlobalVolume, 0x20);
        score.Hold(1, kControlChannel, 7, kGlobalVolumeSlide, 0x10);
        Crash(score, 0, 0x18);
        const std::array chords = {kAm, kF, kC, kG};
        for (int bar = 0; bar < 4; ++bar) PadChord(score, bar * kRowsPerBar, chords[bar]);
        for (int bar = 1; bar < 4; ++bar) PluckOstinato(score, bar, chords[bar], 24, 16);
        for (int bar = 2; bar < 4; ++bar)
            score.Steps(bar * kRowsPerBar, kHatChannel, kHat, kDrumNote, "o.x.o.x.o.x.o.x.", kHatLevels);
        return score.Take();
    }

    // 8.9 s: half-time beat and bass; the lead hints at the theme.
    xm::XmPattern IntroBeat() {
        Score score(64, kChannels);
        const std::array chords = {kAm, kF, kC, kG};
        for (int bar = 0; bar < 4; ++bar) {
            PadChord(score, bar * kRowsPerBar, chords[bar]);
            Drums(score, bar, bar == 3 ? kHalfTimePush : kHalfTime);
            TresilloBass(score, bar, chords[bar]);
            PluckOstinato(score, bar, chords[bar], 18, 12);
        }
        score.Line(32, kLeadChannel, kLead, "E-5:8 D-5:4 C-5:4 D-5:12 -:4", Volume(36));
        score.Hold(52, kLeadChannel, 8, kVibrato, 0x52);
        LeadWithEcho(score);
        return score.Take();
    }

    // 17.8 s: four to the floor, a snare roll under a rising pad, then a
    // breath while the bass dives. The pattern is cut short by a break so the
    // theme lands as the pictures return.
    xm::XmPattern BuildUp() {
        Score score(64, kChannels);
        PadChord(score, 0, kDm);
        PadChord(score, 16, kE);
        Drums(score, 0, kFourFloor);
        Drums(score, 1, kFourFloor);
        OctaveBass(score, 0, kDm);
        OctaveBass(score, 1, kE);
        OctaveBass(score, 2, kE, 6);
        PluckChord(score, 0, 16, "D-4", kMinorArpeggio);
        PluckChord(score, 16, 16, "E-4", kMajorArpeggio);
        PluckChord(score, 32, 12, "E-4", kMajorArpeggio);
        score.KeyOff(44, kPluckA);
        score.KeyOff(44, kPluckB);

        // The roll: two, then three strokes a row, louder each row.
        for (int i = 0; i < 12; ++i) {
            score.Play(32 + i, kSnareChannel, kDrumNote, kSnare, Volume(22 + 3 * i));
            score.Fx(32 + i, kSnareChannel, kRetrigger, i < 4 ? 0x03 : 0x02);
        }
        score.Steps(32, kKickChannel, kKick, kDrumNote, "X...X...X.x.", kKickLevels);
        score.Play(32, kRiserChannel, "E-4", kPad, Volume(8));
        score.Hold(32, kRiserChannel, 12, kPortaUp, 0x03);
        for (int row = 33; row < 44; ++row) score.VolumeColumn(row, kRiserChannel, VolumeUp(1));
        score.KeyOff(44, kRiserChannel);

        // The breath.
        score.Play(44, kBassChannel, "E-2", kBass, Volume(44));
        score.Hold(44, kBassChannel, 8, kPortaDown, 0x06);
        for (int row = 45; row < 52; ++row) score.VolumeColumn(row, kBassChannel, VolumeDown(1));
        score.Line(48, kLeadChannel, kLead, "E-4:2 G#4:2", Volume(40));
        LeadWithEcho(score);
        score.Fx(51, kControlChannel, kPatternBreak, 0x00);
        return score.Take();
    }

    // 25.0 s: the theme.
    xm::XmPattern Theme() {
        Score score(64, kChannels);
        Crash(score, 0, 0x30);
        BandBars(score, {kAm, kF, kC, kG}, kMain);
        OpenHat(score, 30);
        OpenHat(score, 62);
        score.Line(0, kLeadChannel, kLead,
                   "A-4:4 C-5:4 E-5:6 D-5:2 C-5:6 A-4:2 F-5:4 E-5:4 "
                   "E-5:4 G-5:4 E-5:2 D-5:2 C-5:4 D-5:12 B-4:2 D-5:2");
        score.Hold(52, kLeadChannel, 8, kVibrato, 0x52);
        LeadWithEcho(score);
        return score.Take();
    }

    // 33.9 s: the theme's answer, ending with a glide down.
    xm::XmPattern ThemeAnswer() {
        Score score(64, kChannels);
        BandBars(score, {kAm, kF, kC, kG}, kMainFill);
        OpenHat(score, 30);
        score.Line(0, kLeadChannel, kLead,
                   "E-5:4 A-5:4 G-5:2 E-5:2 C-5:4 F-5:6 E-5:2 C-5:4 A-4:4 "
                   "G-4:2 C-5:2 E-5:2 G-5:10 A-5:2 G-5:2 F-5:2 E-5:2 D-5:4 ~B-4:4");
        score.Hold(41, kLeadChannel, 7, kVibrato, 0x62);
        LeadWithEcho(score);
        return score.Take();
    }

    // 42.7 s: the bridge: arpeggiated plucks sweep across, the melody climbs.
    xm::XmPattern Bridge() {
        Score score(64, kChannels);
        Crash(score, 0, 0x2C);
        const auto banks = BandBars(score, {kF, kG, kEm, kAm}, kMainDrive);
        constexpr std::array<const char*, 4> pluckNotes = {"F-4", "G-4", "E-4", "A-4"};
        constexpr std::array<std::uint8_t, 4> intervals = {kMajorArpeggio, kMajorArpeggio, kMinorArpeggio,
                                                           kMinorArpeggio};
        for (int bar = 0; bar < 4; ++bar) {
            const std::uint8_t drift = bar % 2 == 0 ? 0xE1 : 0xD1;  // volume-column pan slides
            PluckChord(score, bar * kRowsPerBar, 16, pluckNotes[bar], intervals[bar], drift);
        }
        // The last chord opens out: its outer voices slide apart.
        score.Hold(49, banks[3], 15, kPanningSlide, 0x01);
        score.Hold(49, banks[3] + 2, 15, kPanningSlide, 0x10);
        OpenHat(score, 30);
        score.Line(0, kLeadChannel, kLead,
                   "A-5:8 G-5:4 F-5:4 G-5:6 F-5:2 E-5:4 D-5:4 "
                   "E-5:4 G-5:4 ~B-5:6 A-5:2 A-5:12 E-5:4");
        score.Hold(3, kLeadChannel, 5, kVibrato, 0x52);
        score.Hold(52, kLeadChannel, 8, kVibratoSlide, 0x01);
        LeadWithEcho(score);
        return score.Take();
    }

    // 51.6 s: the turnaround: gated pads and a fill.
    xm::XmPattern Turnaround() {
        Score score(32, kChannels);
        const std::array chords = {kDm, kE};
        for (int bar = 0; bar < 2; ++bar) {
            const int bank = PadChord(score, bar * kRowsPerBar, chords[bar]);
            for (int voice = 0; voice < 3; ++voice)
                score.Hold(bar * kRowsPerBar, bank + voice, kRowsPerBar, kTremor, 0x22);
            OctaveBass(score, bar, chords[bar]);
        }
        Drums(score, 0, kMain);
        Drums(score, 1, {"X...X...X...X...", "....x...x.x.xxXX", "xoxoxoxoxoxo...."});
        score.Hold(28, kSnareChannel, 4, kRetrigger, 0x03);
        score.Fx(20, kHatChannel, kRetrigger, 0x03);
        score.Fx(22, kHatChannel, kRetrigger, 0x03);
        PluckChord(score, 0, 16, "D-4", kMinorArpeggio);
        PluckChord(score, 16, 16, "E-4", kMajorArpeggio);
        score.Line(0, kLeadChannel, kLead, "F-5:4 E-5:4 D-5:4 C-5:4 B-4:6 C-5:2 B-4:4 G#4:4");
        LeadWithEcho(score);
        return score.Take();
    }

    // 56.1 s: a bar's breath on the dominant; the melody falls away and a
    // cymbal swells into the reprise.
    xm::XmPattern SecondBreath() {
        Score score(16, kChannels);
        Crash(score, 0, 0x1C);
        score.Play(0, kKickChannel, kDrumNote, kKick, Volume(40));
        const int bank = PadChord(score, 0, kE);
        for (int voice = 0; voice < 3; ++voice) score.Hold(0, bank + voice, 16, kTremolo, 0x46);
        score.KeyOff(0, kPluckA);
        score.KeyOff(0, kPluckB);
        score.Play(0, kBassChannel, "E-1", kBass);
        score.KeyOff(12, kBassChannel);
        score.Line(0, kLeadChannel, kLead, "B-4:10 -:6");
        score.Hold(2, kLeadChannel, 6, kVibrato, 0x42);
        score.Hold(8, kLeadChannel, 2, kPortaDown, 0x08);
        LeadWithEcho(score);
        score.Play(8, kCymbalChannel, kDrumNote, kCymbal, Volume(6));
        score.Hold(9, kCymbalChannel, 7, kVolumeSlide, 0x20);
        return score.Take();
    }

    // 58.3 s: the theme again, calmer, ending on the dominant.
    xm::XmPattern Reprise() {
        Score score(64, kChannels);
        Crash(score, 0, 0x2C);
        const std::array chords = {kAm, kF, kDm, kE};
        for (int bar = 0; bar < 4; ++bar) {
            PadChord(score, bar * kRowsPerBar, chords[bar]);
            Drums(score, bar, bar == 3 ? kSoftEnd : kSoft);
            TresilloBass(score, bar, chords[bar]);
            PluckOstinato(score, bar, chords[bar], 16, 10);
        }
        score.Line(0, kLeadChannel, kLead,
                   "A-4:4 C-5:4 E-5:8 F-5:4 E-5:4 C-5:8 D-5:4 F-5:4 A-5:8 G#5:6 E-5:2 B-4:4 D-5:4", Volume(44));
        score.Hold(10, kLeadChannel, 6, kVibrato, 0x42);
        score.Hold(26, kLeadChannel, 6, kVibrato, 0x00);
        score.Hold(42, kLeadChannel, 6, kVibrato, 0x52);
        LeadWithEcho(score);
        return score.Take();
    }

    // 67.2 s: the closing A major chord rings out while the whole mix fades.
    xm::XmPattern FinalChord() {
        Score score(32, kChannels);
        Crash(score, 0, 0x38);
        score.Play(0, kKickChannel, kDrumNote, kKick, Volume(60));
        PadChord(score, 0, kA);
        score.Play(0, kBassChannel, kA.root, kBass);
        score.KeyOff(24, kBassChannel);
        PluckChord(score, 0, 16, "A-4", kMajorArpeggio);
        score.KeyOff(16, kPluckA);
        score.KeyOff(16, kPluckB);
        score.Line(0, kLeadChannel, kLead, "E-5:2 C#5:2 A-4:20 -:8");
        score.Hold(6, kLeadChannel, 18, kVibrato, 0x42);
        LeadWithEcho(score);
        for (int row = 12; row < 32; row += 2) score.Fx(row, kControlChannel, kGlobalVolumeSlide, 0x01);
        return score.Take();
    }

    int padBank_ = 0;
    int pluckBank_ = 0;
};

}  // namespace

xm::XmModule ComposeModule() {
    xm::XmModule module;
    module.name = "zint";
    module.trackerName = "zint make_module";
    module.channels = kChannels;
    module.linearFrequencies = true;
    module.defaultSpeed = kSpeed;
    module.defaultBpm = kBpm;
    module.restartPosition = 0;
    module.instruments = BuildInstruments();
    module.patterns = Arrangement().Patterns();
    for (std::size_t i = 0; i < module.patterns.size(); ++i) module.orders.push_back(static_cast<std::uint8_t>(i));
    return module;
}

}  // namespace zint::compose
