// Tick effects and modulators, grouped by family: pitch (arpeggio,
// portamento, vibrato), volume (tremolo, tremor, retrigger, slides),
// envelopes with fadeout, and the automatic vibrato.
#include "music/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

// One row of `cells` on a song of `speed` ticks a row, then empty rows.
test::XmModule OneRow(const Row& cells, int speed = 6, std::vector<test::XmInstrument> instruments = {ToneInstrument()}) {
    test::XmModule module = ModuleOf({{cells, {}, {}}}, 2, std::move(instruments));
    module.defaultSpeed = static_cast<std::uint16_t>(speed);
    return module;
}

class PitchEffectTest : public test::TickTest {
protected:
    std::vector<int> PeriodDeltas(int ticks) { return FieldOverTicks(ticks, &Channel::periodDelta); }
};

TEST_F(PitchEffectTest, Arpeggio037OnSpeed6) {
    Load(OneRow({{kC4, 1, 0, 0x0, 0x37}}));
    EXPECT_EQ(PeriodDeltas(6), (std::vector<int>{0, 3 * 64, 7 * 64, 0, 3 * 64, 7 * 64}));
}

TEST_F(PitchEffectTest, AmigaArpeggioUsesThePeriodsOfTheNotesAbove) {
    test::XmModule module = OneRow({{kC4, 1, 0, 0x0, 0x37}});
    module.flags = 0;
    Load(module);
    const int up3 = AmigaPeriod(48 + 3, 0) - 1712;
    const int up7 = AmigaPeriod(48 + 7, 0) - 1712;
    EXPECT_LT(up7, up3);
    EXPECT_LT(up3, 0);
    EXPECT_EQ(PeriodDeltas(6), (std::vector<int>{0, up3, up7, 0, up3, up7}));
}

TEST_F(PitchEffectTest, ArpeggioWithParameterZeroChangesNothing) {
    Load(OneRow({{kC4, 1}}));
    EXPECT_EQ(PeriodDeltas(6), std::vector<int>(6, 0));
    EXPECT_EQ(channel().period, 4608);
}

TEST_F(PitchEffectTest, PortamentoUpStopsAt56AndDownGoesOn) {
    Load(OneRow({{kC4, 1, 0, 0x1, 0xFF}, {kC4, 1, 0, 0x2, 0xFF}}));
    Ticks(1);
    std::vector<int> up, down;
    for (int i = 0; i < 5; ++i) {
        SongTick(*song);
        up.push_back(channel(0).period);
        down.push_back(channel(1).period);
    }
    EXPECT_EQ(up, (std::vector<int>{3588, 2568, 1548, 528, 56}));
    EXPECT_EQ(down, (std::vector<int>{5628, 6648, 7668, 8688, 9708}));
}

TEST_F(PitchEffectTest, VibratoAppliesBeforeItMovesSoTheFirstTwoTicksMatch) {
    Load(OneRow({{kC4, 1, 0, 0x4, 0x48}}));
    // W(0) = 0, W(4) = 97, W(8) = 181: 4 x floor(W x 8 / 128), downwards first.
    EXPECT_EQ(PeriodDeltas(4), (std::vector<int>{0, 0, -24, -44}));
    EXPECT_EQ(channel().vibratoPosition, 12);
}

TEST_F(PitchEffectTest, VibratoWithoutADepthDoesNothing) {
    Load(OneRow({{kC4, 1, 0, 0x4, 0x40}}));
    EXPECT_EQ(PeriodDeltas(6), std::vector<int>(6, 0));
}

TEST_F(PitchEffectTest, VibratoPositionWrapsIntoTheNegativeHalf) {
    Channel channel;
    channel.vibratoSpeed = 15;
    channel.vibratoDepth = 15;
    channel.vibratoPosition = 24;
    AdvanceVibrato(channel);
    EXPECT_EQ(channel.vibratoPosition, 24 + 15 - 64);
    ApplyVibrato(channel);
    EXPECT_EQ(channel.periodDelta, 4 * (VibratoWave(-25) * 15 / 128));  // upwards in the negative half
    EXPECT_GT(channel.periodDelta, 0);
}

TEST(VibratoWaveTest, IsTheTruncatedHalfSinePeakingAt255) {
    for (int p = -32; p < 32; ++p) {
        const double angle = 2.0 * p * static_cast<double>(0.049087375f);
        EXPECT_EQ(VibratoWave(p), static_cast<int>(std::fabs(std::sin(angle)) * 256)) << p;
    }
    EXPECT_EQ(VibratoWave(16), 255);
    EXPECT_EQ(VibratoWave(-16), 255);
}

class VolumeEffectTest : public test::TickTest {
protected:
    std::vector<int> VolumeDeltas(int ticks) { return FieldOverTicks(ticks, &Channel::volumeDelta); }
};

TEST(TremoloTest, NeverPushesTheVolumeOutOf0To64) {
    Channel channel;
    channel.tremoloDepth = 15;
    channel.volume = 64;
    channel.tremoloPosition = 8;
    ApplyTremolo(channel);
    EXPECT_EQ(channel.volumeDelta, 0);
    channel.volume = 0;
    channel.tremoloPosition = -8;
    ApplyTremolo(channel);
    EXPECT_EQ(channel.volumeDelta, 0);
    channel.volume = 32;
    channel.tremoloPosition = 8;  // W(8) x 15 / 64 = 42, lowered to fit
    ApplyTremolo(channel);
    EXPECT_EQ(channel.volumeDelta, 32);
    channel.tremoloPosition = -8;
    ApplyTremolo(channel);
    EXPECT_EQ(channel.volumeDelta, -32);
}

TEST_F(VolumeEffectTest, TremorT10SoundsTwoTicksAndRestsOneAcrossRows) {
    test::XmModule module = ModuleOf({{{{kC4, 1, 0, 0x1D, 0x10}}, {{0, 0, 0, 0x1D, 0x00}}}});
    module.defaultSpeed = 4;
    Load(module);
    EXPECT_EQ(VolumeDeltas(8), (std::vector<int>{0, 0, -64, 0, 0, -64, 0, 0}));
    EXPECT_EQ(channel().tremorOnTicks, 2);  // T00 kept the lengths
    EXPECT_EQ(channel().tremorOffTicks, 1);
}

TEST(TremorTest, ACycleShortenedMidwayStartsAgain) {
    Channel channel;
    channel.volume = 64;
    channel.tremorCounter = 20;
    channel.tremorOnTicks = 2;
    channel.tremorOffTicks = 1;
    ApplyTremor(channel);
    EXPECT_EQ(channel.volumeDelta, -64);
    EXPECT_EQ(channel.tremorCounter, 0);
}

TEST_F(VolumeEffectTest, MultiRetriggerR02RestartsOnTicks2And4) {
    Load(OneRow({{kC4, 1, 0, 0x1B, 0x02}}));
    Ticks(1);
    std::vector<int> restarts;
    for (int tick = 1; tick < 6; ++tick) {
        voice().position = std::uint64_t{3} << 32;
        SongTick(*song);
        if (voice().position == 0) restarts.push_back(tick);
        EXPECT_EQ(channel().volume, 64);
    }
    EXPECT_EQ(restarts, (std::vector<int>{2, 4}));
}

TEST_F(VolumeEffectTest, MultiRetriggerR32LowersTheVolumeBy4DownTo0) {
    Load(OneRow({{kC4, 1, 0, 0x1B, 0x32}, {kC4, 1, 0x16, 0x1B, 0x32}}));
    std::vector<int> loud, quiet;
    for (int i = 0; i < 6; ++i) {
        SongTick(*song);
        loud.push_back(channel(0).volume);
        quiet.push_back(channel(1).volume);
    }
    EXPECT_EQ(loud, (std::vector<int>{64, 64, 60, 60, 56, 56}));
    EXPECT_EQ(quiet, (std::vector<int>{6, 6, 2, 2, 0, 0}));
}

TEST_F(VolumeEffectTest, EveryRetriggerVolumeChange) {
    // Channel c starts at volume 30 and retriggers on every tick with change c.
    Row row;
    for (int change = 0; change < 16; ++change) row.push_back({kC4, 1, 0x10 + 30, 0x1B, static_cast<std::uint8_t>(change << 4 | 1)});
    test::XmModule module = ModuleOf({{row}}, 16);
    Load(module);
    Ticks(2);
    std::vector<int> volumes;
    for (int c = 0; c < 16; ++c) volumes.push_back(channel(c).volume);
    EXPECT_EQ(volumes, (std::vector<int>{30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60}));
}

TEST(VolumeSlideTest, UpWinsAndBothEndsHold) {
    Channel channel;
    channel.volume = 62;
    channel.volumeSlide = 0x33;
    SlideVolume(channel);
    EXPECT_EQ(channel.volume, 64);
    EXPECT_TRUE(channel.updateFlags & kVolumeChanged);
    channel.volumeSlide = 0x05;
    SlideVolume(channel);
    EXPECT_EQ(channel.volume, 59);
    channel.volume = 3;
    SlideVolume(channel);
    EXPECT_EQ(channel.volume, 0);
}

TEST_F(VolumeEffectTest, PanningSlideStaysWithin0To255) {
    Load(OneRow({{kC4, 1, 0xCF, 0x19, 0x80}, {kC4, 1, 0xC0, 0x19, 0x03}}));
    Ticks(1);
    EXPECT_EQ(channel(0).panning, 240);
    Ticks(5);
    EXPECT_EQ(channel(0).panning, 255);
    EXPECT_EQ(channel(1).panning, 0);
}

TEST(SlideUnlimitedTest, StopsFarOutInsteadOfOverflowing) {
    EXPECT_EQ(SlideUnlimited(100, -500), -400);
    EXPECT_EQ(SlideUnlimited(kUnlimitedSlideBound - 3, 1020), kUnlimitedSlideBound);
    EXPECT_EQ(SlideUnlimited(-kUnlimitedSlideBound, -15), -kUnlimitedSlideBound);
}

// Points (0, 64), (10, 32), (20, 0).
Instrument FallingEnvelope(std::uint8_t flags, std::uint8_t sustainPoint = 0, std::uint8_t loopStart = 0,
                           std::uint8_t loopEnd = 0) {
    Instrument instrument;
    instrument.volumeEnvelope[0] = {0, 64};
    instrument.volumeEnvelope[1] = {10, 32};
    instrument.volumeEnvelope[2] = {20, 0};
    instrument.volumePointCount = 3;
    instrument.volumeEnvelopeFlags = flags;
    instrument.volumeSustainPoint = sustainPoint;
    instrument.volumeLoopStart = loopStart;
    instrument.volumeLoopEnd = loopEnd;
    return instrument;
}

std::vector<int> EnvelopeVolumes(Channel& channel, const Instrument& instrument, int ticks) {
    std::vector<int> volumes;
    for (int i = 0; i < ticks; ++i) {
        StepEnvelopes(channel, instrument);
        volumes.push_back(channel.envelopeVolume);
    }
    return volumes;
}

Channel FreshChannel() {
    Channel channel;
    ResetChannelForInstrument(channel, emptySample);
    return channel;
}

TEST(EnvelopeTest, SustainHoldsUntilKeyOffThenTheEnvelopeFallsToItsEnd) {
    const Instrument instrument = FallingEnvelope(kEnvelopeOn | kEnvelopeSustain, 1);
    Channel channel = FreshChannel();
    EXPECT_EQ(EnvelopeVolumes(channel, instrument, 14),
              (std::vector<int>{64, 60, 57, 54, 51, 48, 44, 41, 38, 35, 32, 32, 32, 32}));
    channel.keyOff = 1;
    EXPECT_EQ(EnvelopeVolumes(channel, instrument, 13),
              (std::vector<int>{32, 28, 25, 22, 19, 16, 12, 9, 6, 3, 0, 0, 0}));
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST(EnvelopeTest, ALoopRepeatsForeverAlsoAfterKeyOff) {
    const Instrument instrument = FallingEnvelope(kEnvelopeOn | kEnvelopeLoop, 0, 1, 2);
    Channel channel = FreshChannel();
    const std::vector<int> volumes = EnvelopeVolumes(channel, instrument, 30);
    const std::vector<int> lap(volumes.begin() + 10, volumes.begin() + 20);
    EXPECT_EQ(lap, (std::vector<int>{32, 28, 25, 22, 19, 16, 12, 9, 6, 3}));
    EXPECT_EQ(std::vector<int>(volumes.begin() + 20, volumes.end()), lap);
    channel.keyOff = 1;
    EXPECT_EQ(EnvelopeVolumes(channel, instrument, 10), lap);
    EXPECT_EQ(channel.volumeEnvelopeDone, 0);
}

TEST(EnvelopeTest, TwoPointsOnOneTickDoNotStallTheWalker) {
    Instrument instrument = FallingEnvelope(kEnvelopeOn);
    instrument.volumeEnvelope[1] = {0, 32};
    Channel channel = FreshChannel();
    const std::vector<int> volumes = EnvelopeVolumes(channel, instrument, 24);
    EXPECT_EQ(volumes.back(), 0);
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST(EnvelopeTest, SetPositionLandsInsideItsSegment) {
    const Instrument instrument = FallingEnvelope(kEnvelopeOn);
    Channel channel = FreshChannel();
    SetVolumeEnvelopePosition(channel, instrument, 5);
    EXPECT_EQ(channel.envelopeVolume, 48);
    EXPECT_EQ(channel.volumeEnvelopePoint, 1);
    EXPECT_EQ(channel.volumeEnvelopeTick, 5);
    StepEnvelopes(channel, instrument);
    EXPECT_EQ(channel.envelopeVolume, 44);
    SetVolumeEnvelopePosition(channel, instrument, 30);  // past the last point
    EXPECT_EQ(channel.envelopeVolume, 0);
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST(EnvelopeTest, SetPositionBeforeTheFirstPointStartsAtIt) {
    Instrument instrument = FallingEnvelope(kEnvelopeOn);
    instrument.volumeEnvelope[0] = {4, 64};
    Channel channel = FreshChannel();
    SetVolumeEnvelopePosition(channel, instrument, 0);
    EXPECT_EQ(channel.envelopeVolume, 64);
    EXPECT_EQ(channel.volumeEnvelopeTick, 4);
    const std::vector<int> volumes = EnvelopeVolumes(channel, instrument, 6);
    EXPECT_EQ(volumes.back(), 32);  // at tick 10, point 1, on time
}

TEST_F(VolumeEffectTest, FadeoutReachesZeroOnTheSixteenthTickFromKeyOff) {
    test::XmInstrument enveloped = ToneInstrument();
    enveloped.volume = {{0, 64, 10, 64}, 2, 0, 0, 0, 0x01};
    enveloped.fadeout = 2048;
    test::XmModule module = ModuleOf({{{{kC4, 1}}, {{kNoteOff}}, {}, {}, {}}}, 2, {enveloped});
    Load(module);
    Ticks(6);
    int ticks = 0;
    while (channel().fadeoutVolume > 0 && ticks < 100) {
        SongTick(*song);
        ++ticks;
        EXPECT_EQ(channel().fadeoutVolume, std::max(65536 - 4096 * ticks, 0));
    }
    EXPECT_EQ(ticks, 16);
    EXPECT_EQ(voice().volume, 0);
}

TEST(AutoVibratoWaveTest, TheFourWaveforms) {
    EXPECT_EQ(AutoVibratoWave(0, 0), 0);
    EXPECT_EQ(AutoVibratoWave(0, 64), 63);
    EXPECT_EQ(AutoVibratoWave(0, 192), -63);
    EXPECT_EQ(AutoVibratoWave(1, 127), 64);
    EXPECT_EQ(AutoVibratoWave(1, 128), -64);
    EXPECT_EQ(AutoVibratoWave(2, 0), 0);
    EXPECT_EQ(AutoVibratoWave(2, 127), -64);
    EXPECT_EQ(AutoVibratoWave(2, 128), 64);
    EXPECT_EQ(AutoVibratoWave(2, 255), 0);
    EXPECT_EQ(AutoVibratoWave(3, 0), 0);
    EXPECT_EQ(AutoVibratoWave(3, 128), 64);
    EXPECT_EQ(AutoVibratoWave(3, 129), -64);
    EXPECT_EQ(AutoVibratoWave(3, 255), -1);
    EXPECT_EQ(AutoVibratoWave(4, 100), 0);
}

std::vector<int> AutoVibratoDeltas(const Instrument& instrument, int ticks) {
    Channel channel = FreshChannel();
    std::vector<int> deltas;
    for (int i = 0; i < ticks; ++i) {
        channel.periodDelta = 0;
        ApplyAutoVibrato(channel, instrument);
        EXPECT_TRUE(channel.updateFlags & kFrequencyChanged);
        deltas.push_back(channel.periodDelta);
    }
    return deltas;
}

TEST(AutoVibratoTest, SquareOfDepth8AlternatesEvery128OverRateTicks) {
    Instrument instrument;
    instrument.vibratoType = 1;
    instrument.vibratoDepth = 8;
    instrument.vibratoRate = 32;
    EXPECT_EQ(AutoVibratoDeltas(instrument, 10), (std::vector<int>{8, 8, 8, 8, -8, -8, -8, -8, 8, 8}));
}

TEST(AutoVibratoTest, SweepStartsFromNothingAtTheInstrumentNumber) {
    Instrument instrument;
    instrument.vibratoType = 1;
    instrument.vibratoDepth = 8;
    instrument.vibratoSweep = 4;
    EXPECT_EQ(AutoVibratoDeltas(instrument, 6), (std::vector<int>{0, 2, 4, 6, 8, 8}));
}

}  // namespace
}  // namespace zint
