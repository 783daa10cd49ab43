// Periods from notes in both tables, and what UpdateVoice makes of a
// channel: frequency and step, volume and the panning law, triggers, stops.
#include "music/pitch.h"

#include <gtest/gtest.h>

#include "music/channel.h"
#include "music/mixer.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

TEST(NotePeriodTest, LinearTable) {
    EXPECT_EQ(NotePeriod(48, 0, true), 4608);
    EXPECT_EQ(NotePeriod(48, -27, true), 4621);  // the halved finetune truncates toward zero
    EXPECT_EQ(NotePeriod(0, 127, true), 7680 - 63);
    EXPECT_EQ(NotePeriod(255, 0, true), 7680 - 64 * 255);
}

TEST(NotePeriodTest, AmigaTable) {
    EXPECT_EQ(NotePeriod(48, 0, false), 1712);
    EXPECT_EQ(AmigaPeriod(0, 0), 27392);
    // Finetune moves toward the next note's period in 128ths of the step.
    EXPECT_EQ(AmigaPeriod(48, 64), 1712 + (1615 - 1712) * 64 / 128);
    EXPECT_EQ(AmigaPeriod(48, -64), 1712 + (1813 - 1712) * 64 / 128);
    // At note 0 a negative finetune still takes the step to P(131).
    EXPECT_EQ(AmigaPeriod(0, -16), 27392 + (27392 - 25854) * 16 / 128);
    EXPECT_EQ(AmigaPeriod(200, 0), 0);  // far above the table: nothing left
}

class UpdateVoiceTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        song.songFlags = kLinearFrequencyTable;
        song.globalVolume = 64;
        channel.voice = &Voices()[0];
        channel.volume = 64;
        channel.envelopeVolume = 64;
        channel.fadeoutVolume = 65536;
        channel.envelopePanning = 32;
        channel.panning = 128;
    }
    Voice& Update(std::uint8_t flags) {
        channel.updateFlags = flags;
        UpdateVoice(channel, tone, song);
        return *channel.voice;
    }

    Song song = test::MakeSong();
    Channel channel;
    const Sample tone = test::MakeSample(test::Constant(100, 1000), kForwardLoop, 0, 100);
};

TEST_F(UpdateVoiceTest, LinearPeriodsToFrequencyAndStep) {
    channel.period = 4608;
    const Voice& voice = Update(kFrequencyChanged);
    EXPECT_EQ(voice.frequency, 8363);
    EXPECT_EQ(voice.step, (std::uint64_t{8363} << 32) / 44100);
    channel.periodDelta = 64;  // subtracted from the period: a semitone up
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 8860);
}

TEST_F(UpdateVoiceTest, AmigaPeriodsDivideTheClock) {
    song.songFlags = 0;
    channel.period = 1712;
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 8362);  // 14317056 / 1712
    channel.periodDelta = 1712;  // added: an octave down
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 4181);
}

TEST_F(UpdateVoiceTest, BelowHundredHertzKeepsItsFrequencyButStepsAtHundred) {
    channel.period = 4608 + 7 * 768;
    const Voice& voice = Update(kFrequencyChanged);
    EXPECT_EQ(voice.frequency, 65);
    EXPECT_EQ(voice.step, StepForFrequency(100, 44100));
    EXPECT_EQ(voice.step, (std::uint64_t{100} << 32) / 44100);
}

TEST_F(UpdateVoiceTest, APeriodOfZeroOrANegativeAmigaPeriodKeepsTheLastFrequency) {
    channel.period = 4608;
    Update(kFrequencyChanged);
    const std::uint64_t step = channel.voice->step;
    channel.period = 64;
    channel.periodDelta = -64;
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 8363);
    EXPECT_EQ(channel.updateFlags & kFrequencyChanged, 0);
    song.songFlags = 0;
    channel.periodDelta = -80;
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 8363);
    EXPECT_EQ(channel.voice->step, step);
}

TEST_F(UpdateVoiceTest, FrequenciesStopBelowAStepOf256Frames) {
    const int most = MaxVoiceFrequency(44100);
    EXPECT_EQ(StepForFrequency(most, 44100) >> 32, 255u);
    channel.period = -1000000;
    EXPECT_EQ(Update(kFrequencyChanged).frequency, most);
    song.songFlags = 0;
    channel.period = 1;
    EXPECT_EQ(Update(kFrequencyChanged).frequency, most);
    channel.period = 2;  // 7158528 Hz is within reach
    EXPECT_EQ(Update(kFrequencyChanged).frequency, 14317056 / 2);
}

TEST_F(UpdateVoiceTest, FullVolumeIs127AndTheCentreSplitsIt) {
    Update(kPanningChanged);
    const Voice& voice = Update(kVolumeChanged);
    EXPECT_EQ(voice.volume, 127);
    EXPECT_EQ(voice.targetLeft, 63);
    EXPECT_EQ(voice.targetRight, 63);
    channel.fadeoutVolume = 32768;
    EXPECT_EQ(Update(kVolumeChanged).volume, 63);
}

TEST_F(UpdateVoiceTest, ThePanningLaw) {
    Update(kVolumeChanged);
    channel.envelopePanning = 64;
    EXPECT_EQ(Update(kPanningChanged).panning, 255);  // 128 + 4 x 32, limited
    EXPECT_EQ(channel.voice->targetLeft, 127);       // 255 is all left
    EXPECT_EQ(channel.voice->targetRight, 0);
    channel.panning = 0;
    EXPECT_EQ(Update(kPanningChanged).panning, 0);  // the edge does not move
    channel.panning = 100;
    channel.envelopePanning = 0;
    EXPECT_EQ(Update(kPanningChanged).panning, 4);  // 100 + 3 x (-32)
    EXPECT_EQ(channel.voice->targetLeft, 127 * 4 / 255);
    EXPECT_EQ(channel.voice->targetRight, 127 * 251 / 255);
    channel.panning = -500;  // volume-column slides have no limit of their own
    EXPECT_EQ(Update(kPanningChanged).panning, 0);
}

TEST_F(UpdateVoiceTest, TriggerStartsAtAPendingOffsetInsideTheLoop) {
    Voice& voice = *channel.voice;
    voice.startOffset = 40;
    voice.direction = kBackward;
    Update(kTrigger);
    EXPECT_EQ(voice.sample, &tone);
    EXPECT_EQ(voice.position, std::uint64_t{40} << 32);
    EXPECT_EQ(voice.startOffset, 0u);
    EXPECT_EQ(voice.direction, kForward);
    voice.startOffset = 100;  // at the loop's end
    EXPECT_EQ(Update(kTrigger).position, 0u);
}

TEST_F(UpdateVoiceTest, StopSilencesTheVoiceAfterATrigger) {
    channel.voice->startOffset = 10;
    const Voice& voice = Update(kTrigger | kStop);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(voice.startOffset, 0u);
}

}  // namespace
}  // namespace zint
