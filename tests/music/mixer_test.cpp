// The mixer on voices set up by hand: sample ends, loops and their turns,
// positions of silent voices, gain ramps, tick boundaries within blocks,
// buses and the conversion to 16 bits.
#include "music/mixer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using test::Gain;
using test::kHalf;
using test::MakeSample;
using test::Mixed;
using test::PlayVoice;
using test::Ramp;

constexpr std::uint64_t Frame(std::uint64_t frame, std::uint32_t fraction = 0) {
    return frame << 32 | fraction;
}

std::vector<float> Mix(int frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    MixVoices(out.data(), frames, 0);
    return out;
}

std::vector<float> Left(const std::vector<float>& out, int from, int count) {
    std::vector<float> left;
    for (int j = from; j < from + count; ++j) left.push_back(out[2 * static_cast<std::size_t>(j)]);
    return left;
}

// The left outputs of a voice at full gain on a 0, 100, 200 ... ramp: the
// source position each frame read, or where between two frames it read.
void ExpectPositions(const std::vector<float>& out, const std::vector<double>& positions) {
    for (std::size_t j = 0; j < positions.size(); ++j) EXPECT_NEAR(out[2 * j], 100 * positions[j], 0.01) << j;
}

using MixVoicesTest = test::OfflinePlayerTest;

TEST_F(MixVoicesTest, AnUnloopedOrEmptySampleEndsAndFallsSilent) {
    const Sample sample = MakeSample(Ramp(10, 1000, 1000));
    const Voice& voice = PlayVoice(0, sample, 0, kFixedOne);
    Voice& empty = PlayVoice(1, emptySample, 0, kFixedOne);
    const std::vector<float> out = Mix(20);
    for (int j = 0; j < 20; ++j)
        EXPECT_EQ(out[2 * j + 1], j < 10 ? Mixed(1000 * (j + 1), Gain(255)) : 0.0f) << j;
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(empty.sample, nullptr);
    // Nothing for no frames or for another bus; a voice outside its sample falls silent.
    PlayVoice(0, sample, Frame(50), kFixedOne);
    std::vector<float> none(8, 0.0f);
    MixVoices(none.data(), 0, 0);
    MixVoices(none.data(), 4, 1);
    EXPECT_EQ(voice.position, Frame(50));
    EXPECT_EQ(Mix(4), none);
    EXPECT_EQ(voice.sample, nullptr);
}

TEST_F(MixVoicesTest, ForwardLoopInterpolatesTowardsItsGuardFrame) {
    const Sample sample = MakeSample(Ramp(282, 0, 100), kForwardLoop, 280, 2);  // 282 is 280's copy
    const Voice& voice = PlayVoice(0, sample, Frame(280), kHalf);
    // At 281.5 halfway from 281 back to 280's copy.
    ExpectPositions(Mix(9), {280, 280.5, 281, 280.5, 280, 280.5, 281, 280.5, 280});
    EXPECT_EQ(voice.position, Frame(280, 0x80000000u));
}

TEST_F(MixVoicesTest, PingPongTurnsAtTheEndsWithTheReflectedFraction) {
    const Sample sample = MakeSample(Ramp(120, 0, 100), kPingPongLoop, 100, 10);
    Voice& voice = PlayVoice(0, sample, Frame(109, 0xC0000000u), kHalf);
    Mix(1);
    // 0.25 past loopEnd 110: back to frame 109 with fraction (2^32 - 1) - 0.25.
    EXPECT_EQ(voice.position, Frame(109, 0xFFFFFFFFu - 0x40000000u));
    EXPECT_EQ(voice.direction, kBackward);
    ExpectPositions(Mix(3), {109, 109, 108.75});  // above 109 towards the guard frame, 109's copy

    // Step 3 on the 2-frame loop 10..11: from 11.5 to 14.5, 2.5 past the end;
    // mirrored at the end it would be below the start, so at the start too.
    const Sample tiny = MakeSample(Ramp(20, 0, 100), kPingPongLoop, 10, 2);
    PlayVoice(0, tiny, Frame(11, 0x80000000u), 3 * kFixedOne);
    Mix(1);
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, Frame(10, 0x80000000u));
}

TEST_F(MixVoicesTest, PingPongRunningDownToFrameZeroNeverReadsBelowIt) {
    const Sample sample = MakeSample(Ramp(64, 0, 100), kPingPongLoop, 0, 64);
    // Landing exactly on frame 0, the voice turns there and plays upwards.
    Voice& voice = PlayVoice(0, sample, Frame(4), kFixedOne);
    voice.direction = kBackward;
    ExpectPositions(Mix(8), {4, 3, 2, 1, 0, 1, 2, 3});
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, Frame(4));

    // The rounded-up count says 4 frames, but with the step's dropped low bits
    // the fourth read would fall 0xFF below frame 0: the voice turns after 3,
    // mirrored to 0xFE above it.
    const std::uint64_t step = kFixedOne + 0xFF;
    PlayVoice(0, sample, Frame(3, 0x200), step).direction = kBackward;
    const std::vector<float> out = Mix(4);
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, 0xFE + step);
    EXPECT_NEAR(out[6], 100.0 * 0xFE / 4294967296.0, 1e-6);
}

TEST_F(MixVoicesTest, BigStepsOnAShortLoopStayInside) {
    // A step of 300 frames is past what the shortened count holds.
    const Sample sample = MakeSample(Ramp(40, 0, 10), kForwardLoop, 8, 24);
    const Voice& voice = PlayVoice(0, sample, Frame(8), 300 * kFixedOne);
    Mix(50);
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_GE(voice.position >> 32, 8u);
    EXPECT_LT(voice.position >> 32, 32u);
}

TEST_F(MixVoicesTest, ASilentVoiceMovesExactlyAsASoundingOne) {
    // An odd step and an odd fraction, forward and backward through a
    // ping-pong loop: the position's lowest bit is cleared on every frame.
    const Sample sample = MakeSample(Ramp(3000, -3000, 2), kPingPongLoop, 100, 2800);
    for (const int direction : {kForward, kBackward}) {
        const std::uint64_t start = Frame(1500, 77777);
        const std::uint64_t step = kHalf + 0x12345;
        Voice& silent = PlayVoice(0, sample, start, step, 0);
        Voice& sounding = PlayVoice(1, sample, start, step, 200);
        silent.direction = sounding.direction = direction;
        Mix(5000);
        EXPECT_EQ(silent.position, sounding.position) << direction;
        EXPECT_EQ(silent.direction, sounding.direction) << direction;
        sounding.sample = nullptr;
        EXPECT_EQ(Mix(5000), std::vector<float>(10000, 0.0f));
    }
}

// Left gain 0 -> 255 on a constant sample; the right side stays silent.
class GainRampTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        PlayVoice(0, sample, 0, kFixedOne, 0).targetLeft = 255;
    }
    // The left outputs of a ramp from gain byte `from`, `frames` long.
    static std::vector<float> RampedLeft(std::uint8_t from, int frames) {
        std::vector<float> left;
        double gain = Gain(from);
        for (int j = 0; j < frames; ++j, gain += kStep) left.push_back(Mixed(kLevel, gain));
        return left;
    }

    static constexpr std::int16_t kLevel = 10000;
    static constexpr float kStep = 255 * kGainUnit / 128;
    const Sample sample = MakeSample(Ramp(1000, kLevel), kForwardLoop, 0, 1000);
    Voice& voice = Voices()[0];
};

TEST_F(GainRampTest, RampCutByATickBoundaryCarriesOnUntilTheTargetsChange) {
    EXPECT_EQ(Left(Mix(50), 0, 50), RampedLeft(0, 50));
    EXPECT_EQ(voice.currentLeft, 100);  // 50/128 of the way
    EXPECT_EQ(voice.rampFramesLeft, 78);
    const std::vector<float> second = Mix(100);
    EXPECT_EQ(Left(second, 0, 78), RampedLeft(100, 78));
    EXPECT_EQ(Left(second, 78, 22), std::vector<float>(22, Mixed(kLevel, Gain(255))));
    EXPECT_EQ(voice.currentLeft, 255);
    for (int j = 0; j < 100; ++j) EXPECT_EQ(second[2 * j + 1], 0.0f);

    // A new target on either side mid-ramp starts a fresh ramp from where the gains are.
    voice.targetLeft = 128;
    voice.targetRight = 10;
    Mix(10);
    EXPECT_EQ(voice.rampStepLeft, static_cast<float>(128 - 255) * kGainUnit * (1.0f / 128.0f));
    EXPECT_EQ(voice.rampStepRight, static_cast<float>(10) * kGainUnit * (1.0f / 128.0f));
    voice.targetRight = 20;
    Mix(10);
    EXPECT_EQ(voice.rampFramesLeft, 118);
    EXPECT_EQ(voice.rampTargetRight, 20);
}

TEST_F(GainRampTest, RampEndsAtALoopBoundaryWithoutLosingFrames) {
    const Sample shortLoop = MakeSample(Ramp(100, kLevel), kForwardLoop, 0, 100);
    voice.sample = &shortLoop;
    const std::vector<float> out = Mix(200);
    EXPECT_EQ(Left(out, 0, 100), RampedLeft(0, 100));
    EXPECT_EQ(Left(out, 100, 28), RampedLeft(static_cast<std::uint8_t>(std::lrint(100 * kStep * 255.0)), 28));
    EXPECT_EQ(Left(out, 128, 72), std::vector<float>(72, Mixed(kLevel, Gain(255))));
}

std::vector<std::uint64_t> tickFrames;  // where the recorded ticks fell, in frames since the recording began

void RecordTick(Song&) { tickFrames.push_back(Voices()[0].position >> 32); }
void RecordTickAndSpeedUp(Song& song) {
    RecordTick(song);
    SetBpm(song, 125);
}

// Voice 0 counts frames: a silent sample played at step 1 from frame 0.
class FillBlockTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        ASSERT_TRUE(StartPlayback(&song));
        PlayVoice(0, counter, 0, kFixedOne);
        song.tickFramesLeft = 0;
        tickFrames.clear();
    }

    Song song = test::MakeSong(108);
    const Sample counter = MakeSample(Ramp(5000, 0));
};

TEST_F(FillBlockTest, TickFramesCarryOverAndATempoChangeSetsItsOwnTick) {
    ASSERT_EQ(song.samplesPerTick, 1020);
    song.tickHandler = RecordTick;
    FillBlock();
    EXPECT_EQ(song.tickFramesLeft, 136);
    FillBlock();
    EXPECT_EQ(tickFrames, (std::vector<std::uint64_t>{0, 1020}));
    EXPECT_EQ(song.tickFramesLeft, 272);
    EXPECT_EQ(WriteBlock(), 2);

    PlayVoice(0, counter, 0, kFixedOne);
    song.tickFramesLeft = 0;
    tickFrames.clear();
    song.tickHandler = RecordTickAndSpeedUp;
    FillBlock();
    EXPECT_EQ(tickFrames, (std::vector<std::uint64_t>{0, 882}));
    EXPECT_EQ(song.tickFramesLeft, 880);
}

int effectSamples = 0;
void DoubleBus(float* buffer, int sampleCount, void*) {
    effectSamples = sampleCount;
    for (int i = 0; i < sampleCount; ++i) buffer[i] *= 2.0f;
}

TEST_F(FillBlockTest, SeveralBusesAreAddedAfterTheirEffects) {
    const Sample loud = MakeSample(Ramp(100, 1000), kForwardLoop, 0, 100);
    const Sample quiet = MakeSample(Ramp(100, 300), kForwardLoop, 0, 100);
    PlayVoice(0, loud, 0, kFixedOne);
    PlayVoice(1, quiet, 0, kFixedOne).bus = 1;
    BusEffect doubling{true, DoubleBus};
    Buses()[1].busEnabled = 1;
    Buses()[1].effects[2] = {&doubling, nullptr};
    FillBlock();
    EXPECT_EQ(effectSamples, 2 * 884);
    EXPECT_EQ(std::vector<std::int16_t>(Ring().begin(), Ring().begin() + 2 * 884),
              std::vector<std::int16_t>(2 * 884, 1600));
}

TEST(ConvertToPcm16Test, RoundsToNearestEvenAndClamps) {
    const std::vector<float> in{40000.0f, -40000.0f, 0.5f,     1.5f,      2.5f,      -0.5f, -1.5f,
                                32767.4f, 32767.5f,  32768.0f, -32768.6f, -32767.5f, 1.49f, -2.51f};
    const std::vector<std::int16_t> expected{32767, -32768, 0,     2,      2,      0, -2,
                                             32767, 32767,  32767, -32768, -32768, 1, -3};
    std::vector<std::int16_t> out(in.size(), 99);
    ConvertToPcm16(out.data(), in.data(), 0);
    ConvertToPcm16(out.data(), nullptr, 1);
    EXPECT_EQ(out, std::vector<std::int16_t>(in.size(), 99));
    ConvertToPcm16(out.data(), in.data(), static_cast<int>(in.size() / 2));
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace zint
