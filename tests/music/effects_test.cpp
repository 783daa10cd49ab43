// Tick effects and modulators by family: pitch (arpeggio, portamento,
// vibrato), volume (tremolo, tremor, retrigger, slides), envelopes with
// fadeout, and the automatic vibrato.
#include "music/effects.h"

#include <gtest/gtest.h>

#include <cmath>

#include "music/pitch.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using test::kC4;
using test::ModuleOf;
using test::Row;

// One row of `cells` on a song of `speed` ticks a row.
test::XmModule OneRow(const Row& cells, int speed = 6) {
    return ModuleOf({{cells, {}, {}}}, 16, {test::ToneInstrument()}, speed);
}

using PitchEffectTest = test::TickTest;

TEST_F(PitchEffectTest, ArpeggioOnSpeed6InBothTables) {
    Load(OneRow({{kC4, 1, 0, 0x0, 0x37}, {kC4, 1}}));
    EXPECT_EQ(FieldOverTicks(6, &Channel::periodDelta),
              (std::vector<int>{0, 3 * 64, 7 * 64, 0, 3 * 64, 7 * 64}));
    EXPECT_EQ(channel(1).periodDelta, 0);  // parameter 00 changes nothing
    EXPECT_EQ(channel(1).period, 4608);

    test::XmModule amiga = OneRow({{kC4, 1, 0, 0x0, 0x37}});
    amiga.flags = 0;
    Load(amiga);
    const int up3 = AmigaPeriod(48 + 3, 0) - 1712;
    const int up7 = AmigaPeriod(48 + 7, 0) - 1712;
    EXPECT_LT(up7, up3);
    EXPECT_LT(up3, 0);
    EXPECT_EQ(FieldOverTicks(6, &Channel::periodDelta), (std::vector<int>{0, up3, up7, 0, up3, up7}));
}

TEST_F(PitchEffectTest, PortamentoUpStopsAt56AndDownGoesOn) {
    Load(OneRow({{kC4, 1, 0, 0x1, 0xFF}, {kC4, 1, 0, 0x2, 0xFF}}));
    Ticks(1);
    std::vector<int> up, down;
    for (int i = 0; i < 5; ++i) {
        up.push_back(Tick(0).period);
        down.push_back(channel(1).period);
    }
    EXPECT_EQ(up, (std::vector<int>{3588, 2568, 1548, 528, 56}));
    EXPECT_EQ(down, (std::vector<int>{5628, 6648, 7668, 8688, 9708}));
}

TEST_F(PitchEffectTest, VibratoAppliesBeforeItMovesSoTheFirstTwoTicksMatch) {
    Load(OneRow({{kC4, 1, 0, 0x4, 0x48}, {kC4, 1, 0, 0x4, 0x40}}));
    // W(0) = 0, W(4) = 97, W(8) = 181: 4 x floor(W x 8 / 128), downwards first.
    EXPECT_EQ(FieldOverTicks(4, &Channel::periodDelta), (std::vector<int>{0, 0, -24, -44}));
    EXPECT_EQ(channel().vibratoPosition, 12);
    EXPECT_EQ(channel(1).periodDelta, 0);  // without a depth nothing happens
    // Positions wrap into the negative half, where the pitch goes up.
    Channel wrapped;
    wrapped.vibratoSpeed = wrapped.vibratoDepth = 15;
    wrapped.vibratoPosition = 24;
    AdvanceVibrato(wrapped);
    EXPECT_EQ(wrapped.vibratoPosition, 24 + 15 - 64);
    ApplyVibrato(wrapped);
    EXPECT_EQ(wrapped.periodDelta, 4 * (VibratoWave(-25) * 15 / 128));
    EXPECT_GT(wrapped.periodDelta, 0);
}

TEST(VibratoWaveTest, IsTheTruncatedHalfSinePeakingAt255) {
    for (int p = -32; p < 32; ++p) {
        EXPECT_EQ(VibratoWave(p), static_cast<int>(std::fabs(std::sin(2.0 * p * double{0.049087375f})) * 256))
            << p;
    }
    EXPECT_EQ(VibratoWave(16), 255);
}

TEST(VolumeHelpersTest, TremoloSlidesAndTremorStayWithinTheirBounds) {
    Channel channel;
    channel.tremoloDepth = 15;
    // W(8) x 15 / 64 = 42, lowered to fit; at the ends nothing moves.
    for (const auto& [volume, position, delta] :
         {std::tuple{64, 8, 0}, {0, -8, 0}, {32, 8, 32}, {32, -8, -32}}) {
        channel.volume = volume;
        channel.tremoloPosition = static_cast<std::int8_t>(position);
        ApplyTremolo(channel);
        EXPECT_EQ(channel.volumeDelta, delta) << volume << " " << position;
    }
    channel.volume = 62;
    std::vector<int> volumes;
    for (int slide : {0x33, 0x05, 0x05, 0x05}) {
        channel.volumeSlide = static_cast<std::uint8_t>(slide);  // up wins; both ends hold
        SlideVolume(channel);
        volumes.push_back(channel.volume);
    }
    EXPECT_EQ(volumes, (std::vector<int>{64, 59, 54, 49}));
    channel.volume = 3;
    SlideVolume(channel);
    EXPECT_EQ(channel.volume, 0);
    EXPECT_EQ(SlideUnlimited(100, -500), -400);
    EXPECT_EQ(SlideUnlimited(kUnlimitedSlideBound - 3, 1020), kUnlimitedSlideBound);
    EXPECT_EQ(SlideUnlimited(-kUnlimitedSlideBound, -15), -kUnlimitedSlideBound);
    // A tremor cycle shortened midway starts again.
    channel.volume = 64;
    channel.tremorCounter = 20;
    channel.tremorOnTicks = 2;
    channel.tremorOffTicks = 1;
    ApplyTremor(channel);
    EXPECT_EQ(channel.volumeDelta, -64);
    EXPECT_EQ(channel.tremorCounter, 0);
}

using VolumeEffectTest = test::TickTest;

TEST_F(VolumeEffectTest, TremorT10SoundsTwoTicksAndRestsOneAcrossRows) {
    Load(ModuleOf({{{{kC4, 1, 0, 0x1D, 0x10}}, {{0, 0, 0, 0x1D, 0x00}}}}, 2, {test::ToneInstrument()}, 4));
    EXPECT_EQ(FieldOverTicks(8, &Channel::volumeDelta), (std::vector<int>{0, 0, -64, 0, 0, -64, 0, 0}));
    EXPECT_EQ(channel().tremorOnTicks, 2);  // T00 kept the lengths
    EXPECT_EQ(channel().tremorOffTicks, 1);
}

TEST_F(VolumeEffectTest, MultiRetriggerRestartsOnItsTicksAndChangesTheVolume) {
    Load(OneRow({{kC4, 1, 0, 0x1B, 0x02}, {kC4, 1, 0, 0x1B, 0x32}, {kC4, 1, 0x16, 0x1B, 0x32}}));
    Ticks(1);
    std::vector<int> restarts, loud, quiet;
    for (int tick = 1; tick < 6; ++tick) {
        voice().position = std::uint64_t{3} << 32;
        SongTick(*song);
        if (voice().position == 0) restarts.push_back(tick);
        EXPECT_EQ(channel().volume, 64);
        loud.push_back(channel(1).volume);
        quiet.push_back(channel(2).volume);
    }
    EXPECT_EQ(restarts, (std::vector<int>{2, 4}));
    EXPECT_EQ(loud, (std::vector<int>{64, 60, 60, 56, 56}));
    EXPECT_EQ(quiet, (std::vector<int>{6, 2, 2, 0, 0}));
}

TEST_F(VolumeEffectTest, EveryRetriggerVolumeChange) {
    // Channel c starts at volume 30 and retriggers on every tick with change c.
    Row row;
    for (int change = 0; change < 16; ++change)
        row.push_back({kC4, 1, 0x10 + 30, 0x1B, static_cast<std::uint8_t>(change << 4 | 1)});
    Load(OneRow(row));
    Ticks(2);
    std::vector<int> volumes;
    for (int c = 0; c < 16; ++c) volumes.push_back(channel(c).volume);
    EXPECT_EQ(volumes, (std::vector<int>{30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60}));
}

TEST_F(VolumeEffectTest, PanningSlideStaysWithin0To255) {
    Load(OneRow({{kC4, 1, 0xCF, 0x19, 0x80}, {kC4, 1, 0xC0, 0x19, 0x03}}));
    Ticks(1);
    EXPECT_EQ(channel(0).panning, 240);
    Ticks(5);
    EXPECT_EQ(channel(0).panning, 255);
    EXPECT_EQ(channel(1).panning, 0);
}

TEST_F(VolumeEffectTest, FadeoutReachesZeroOnTheSixteenthTickFromKeyOff) {
    test::XmInstrument enveloped = test::ToneInstrument();
    enveloped.volume = {{0, 64, 10, 64}, 2, 0, 0, 0, 0x01};
    enveloped.fadeout = 2048;
    Load(ModuleOf({{{{kC4, 1}}, {{test::kNoteOff}}, {}, {}, {}}}, 2, {enveloped}));
    Ticks(6);
    std::vector<int> fadeouts = FieldOverTicks(17, &Channel::fadeoutVolume), expected;
    for (int tick = 1; tick <= 17; ++tick) expected.push_back(std::max(65536 - 4096 * tick, 0));
    EXPECT_EQ(fadeouts, expected);
    EXPECT_EQ(voice().volume, 0);
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

class EnvelopeTest : public testing::Test {
protected:
    void SetUp() override { ResetChannelForInstrument(channel, emptySample); }
    std::vector<int> Volumes(const Instrument& instrument, int ticks) {
        std::vector<int> volumes;
        for (int i = 0; i < ticks; ++i) {
            StepEnvelopes(channel, instrument);
            volumes.push_back(channel.envelopeVolume);
        }
        return volumes;
    }
    Channel channel;
};

TEST_F(EnvelopeTest, SustainHoldsUntilKeyOffThenTheEnvelopeFallsToItsEnd) {
    const Instrument instrument = FallingEnvelope(kEnvelopeOn | kEnvelopeSustain, 1);
    EXPECT_EQ(Volumes(instrument, 14),
              (std::vector<int>{64, 60, 57, 54, 51, 48, 44, 41, 38, 35, 32, 32, 32, 32}));
    channel.keyOff = 1;
    EXPECT_EQ(Volumes(instrument, 13), (std::vector<int>{32, 28, 25, 22, 19, 16, 12, 9, 6, 3, 0, 0, 0}));
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST_F(EnvelopeTest, ALoopRepeatsForeverAlsoAfterKeyOff) {
    const Instrument instrument = FallingEnvelope(kEnvelopeOn | kEnvelopeLoop, 0, 1, 2);
    const std::vector<int> volumes = Volumes(instrument, 30);
    const std::vector<int> lap{32, 28, 25, 22, 19, 16, 12, 9, 6, 3};
    EXPECT_EQ(std::vector<int>(volumes.begin() + 10, volumes.begin() + 20), lap);
    EXPECT_EQ(std::vector<int>(volumes.begin() + 20, volumes.end()), lap);
    channel.keyOff = 1;
    EXPECT_EQ(Volumes(instrument, 10), lap);
    EXPECT_EQ(channel.volumeEnvelopeDone, 0);
}

TEST_F(EnvelopeTest, TwoPointsOnOneTickDoNotStallTheWalker) {
    Instrument instrument = FallingEnvelope(kEnvelopeOn);
    instrument.volumeEnvelope[1] = {0, 32};
    EXPECT_EQ(Volumes(instrument, 24).back(), 0);
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
}

TEST_F(EnvelopeTest, SetPositionLandsInsideItsSegment) {
    Instrument instrument = FallingEnvelope(kEnvelopeOn);
    SetVolumeEnvelopePosition(channel, instrument, 5);
    EXPECT_EQ(
        std::vector<int>({channel.envelopeVolume, channel.volumeEnvelopePoint, channel.volumeEnvelopeTick}),
        std::vector<int>({48, 1, 5}));
    EXPECT_EQ(Volumes(instrument, 1), std::vector<int>{44});
    SetVolumeEnvelopePosition(channel, instrument, 30);  // past the last point
    EXPECT_EQ(channel.envelopeVolume, 0);
    EXPECT_EQ(channel.volumeEnvelopeDone, 1);
    // Before the first point it starts at the first point, on time.
    instrument.volumeEnvelope[0] = {4, 64};
    SetVolumeEnvelopePosition(channel, instrument, 0);
    EXPECT_EQ(channel.envelopeVolume, 64);
    EXPECT_EQ(channel.volumeEnvelopeTick, 4);
    EXPECT_EQ(Volumes(instrument, 6).back(), 32);
}

TEST(AutoVibratoTest, TheFourWaveformsSquareAndSweep) {
    for (const auto& [type, position, value] : {std::tuple{0, 0, 0},
                                                {0, 64, 63},
                                                {0, 192, -63},
                                                {1, 127, 64},
                                                {1, 128, -64},
                                                {2, 0, 0},
                                                {2, 127, -64},
                                                {2, 128, 64},
                                                {2, 255, 0},
                                                {3, 0, 0},
                                                {3, 128, 64},
                                                {3, 129, -64},
                                                {3, 255, -1},
                                                {4, 100, 0}}) {
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

}  // namespace
}  // namespace zint
