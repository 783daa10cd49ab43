// Periods from notes in both tables, and what UpdateVoice makes of a
// channel: frequency and step, volume and the panning law, triggers, stops.
#include "music/pitch.h"

#include <gtest/gtest.h>

#include "tests/music/player_test_support.h"

namespace zint {
namespace {

TEST(NotePeriodTest, LinearAndAmigaTables) {
    EXPECT_EQ(NotePeriod(48, 0, true), 4608);
    EXPECT_EQ(NotePeriod(48, -27, true), 4621);  // the halved finetune truncates toward zero
    EXPECT_EQ(NotePeriod(0, 127, true), 7680 - 63);
    EXPECT_EQ(NotePeriod(48, 0, false), 1712);
    EXPECT_EQ(AmigaPeriod(0, 0), 27392);
    // Finetune moves toward the next note's period in 128ths of the step;
    // at note 0 a negative finetune still takes the step to P(131).
    EXPECT_EQ(AmigaPeriod(48, 64), 1712 + (1615 - 1712) * 64 / 128);
    EXPECT_EQ(AmigaPeriod(48, -64), 1712 + (1813 - 1712) * 64 / 128);
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
    EXPECT_EQ(FrequencyFor(1712), 8362);        // 14317056 / 1712
    EXPECT_EQ(FrequencyFor(1712, 1712), 4181);  // added: an octave down
    EXPECT_EQ(FrequencyFor(64, -80), 4181);     // a negative period keeps it too
    EXPECT_EQ(FrequencyFor(1), most);
    EXPECT_EQ(FrequencyFor(2), 14317056 / 2);
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
    for (const auto& [panning, envelope, result] :
         {std::tuple{128, 64, 255}, {0, 64, 0}, {100, 0, 4}, {-500, 32, 0}, {600, 32, 255}}) {
        channel.panning = panning;
        channel.envelopePanning = envelope;
        EXPECT_EQ(Update(kPanningChanged).panning, result) << panning;
        EXPECT_EQ(voice.targetLeft, 63 * result / 255);
        EXPECT_EQ(voice.targetRight, 63 * (255 - result) / 255);
    }
}

TEST_F(UpdateVoiceTest, TriggerStartsAtAPendingOffsetInsideTheLoopAndStopSilences) {
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
    voice.startOffset = 10;
    Update(kTrigger | kStop);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(voice.startOffset, 0u);
}

}  // namespace
}  // namespace zint
