// The mixer's arithmetic on voices set up by hand: tick boundaries, sample
// ends, loops, gain ramps, buses and the conversion to 16 bits.
#include "music/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "music/player.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using test::Constant;
using test::Gain;
using test::kHalf;
using test::MakeSample;
using test::Mixed;
using test::PlayVoice;

std::vector<std::int16_t> Ramp(std::size_t frames, int from, int by) {
    std::vector<std::int16_t> values(frames);
    for (std::size_t i = 0; i < frames; ++i) values[i] = static_cast<std::int16_t>(from + by * static_cast<int>(i));
    return values;
}

// The interpolated value at a 32.32 position, as the mixer computes it.
double ValueAt(const Sample& sample, std::uint64_t position) {
    const std::size_t i = position >> 32;
    const double fraction = static_cast<double>(static_cast<std::uint32_t>(position) >> 1) / 2147483648.0;
    return sample.data[i] + (static_cast<double>(sample.data[i + 1]) - sample.data[i]) * fraction;
}

std::vector<float> Stereo(int frames) { return std::vector<float>(2 * static_cast<std::size_t>(frames), 0.0f); }

using MixVoicesTest = test::OfflinePlayerTest;

TEST_F(MixVoicesTest, UnloopedSampleEndsAfterItsLastFrame) {
    const auto frames = Ramp(10, 1000, 1000);
    const Sample sample = MakeSample(frames);
    const Voice& voice = PlayVoice(0, sample, 0, kFixedOne);
    auto out = Stereo(20);
    MixVoices(out.data(), 20, 0);
    for (int j = 0; j < 20; ++j) {
        const float expected = j < 10 ? Mixed(frames[static_cast<std::size_t>(j)], Gain(255)) : 0.0f;
        EXPECT_EQ(out[2 * j], expected) << "frame " << j;
        EXPECT_EQ(out[2 * j + 1], expected) << "frame " << j;
    }
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0u);
}

TEST_F(MixVoicesTest, EmptySampleStopsWithoutReading) {
    Voice& voice = PlayVoice(0, emptySample, 0, kFixedOne);
    auto out = Stereo(8);
    MixVoices(out.data(), 8, 0);
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0u);
    EXPECT_EQ(out, Stereo(8));
}

TEST_F(MixVoicesTest, NothingForNoFramesOrOtherBus) {
    const Sample sample = MakeSample(Constant(100, 1000));
    Voice& voice = PlayVoice(0, sample, 0, kFixedOne);
    auto out = Stereo(4);
    MixVoices(out.data(), 0, 0);
    MixVoices(out.data(), -3, 0);
    MixVoices(out.data(), 4, 1);
    EXPECT_EQ(out, Stereo(4));
    EXPECT_EQ(voice.position, 0u);
}

TEST_F(MixVoicesTest, ForwardLoopInterpolatesTowardsItsGuardFrame) {
    // Loop 280..281: frame 282 is the loader's copy of frame 280.
    const Sample sample = MakeSample(Ramp(282, 0, 10), kForwardLoop, 280, 2);
    ASSERT_EQ(sample.data[282], sample.data[280]);
    const Voice& voice = PlayVoice(0, sample, std::uint64_t{280} << 32, kHalf);
    auto out = Stereo(12);
    MixVoices(out.data(), 12, 0);
    for (int j = 0; j < 12; ++j) {
        const std::uint64_t position = (std::uint64_t{280} << 32) + static_cast<std::uint64_t>(j % 4) * kHalf;
        EXPECT_EQ(out[2 * j], Mixed(ValueAt(sample, position), Gain(255))) << "frame " << j;
    }
    EXPECT_EQ(out[2 * 3], Mixed(2805.0, Gain(255)));  // halfway from 281 back to 280's copy
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_EQ(voice.position, std::uint64_t{280} << 32);
}

TEST_F(MixVoicesTest, PingPongTurnsAtTheEndWithTheReflectedFraction) {
    const Sample sample = MakeSample(Ramp(120, 0, 100), kPingPongLoop, 100, 10);
    const std::uint64_t start = (std::uint64_t{109} << 32) | 0xC0000000u;  // 109.75
    const Voice& voice = PlayVoice(0, sample, start, kHalf);
    auto out = Stereo(1);
    MixVoices(out.data(), 1, 0);
    // 0.25 past loopEnd 110: back to frame 109 with fraction (2^32 - 1) - 0.25.
    EXPECT_EQ(voice.position, (std::uint64_t{109} << 32) | (0xFFFFFFFFu - 0x40000000u));
    EXPECT_EQ(voice.direction, kBackward);

    std::uint64_t position = voice.position;
    auto down = Stereo(3);
    MixVoices(down.data(), 3, 0);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(down[2 * j], Mixed(ValueAt(sample, position), Gain(255))) << "frame " << j;
        position = (position & ~std::uint64_t{1}) - kHalf;
    }
    EXPECT_EQ(voice.position, position);
    EXPECT_EQ(voice.position >> 32, 108u);
}

TEST_F(MixVoicesTest, PingPongOvershootBeyondTheWholeLoopTurnsTwice) {
    // Step 3 on the 2-frame loop 10..11: from 11.5 the voice lands at 14.5,
    // 2.5 past the end. Mirrored at the end it would be below the start, so
    // it is mirrored at the start as well: 10.5, going up again.
    const Sample sample = MakeSample(Ramp(20, 0, 100), kPingPongLoop, 10, 2);
    const Voice& voice = PlayVoice(0, sample, (std::uint64_t{11} << 32) | 0x80000000u, 3 * kFixedOne);
    auto out = Stereo(1);
    MixVoices(out.data(), 1, 0);
    const std::uint64_t over = (std::uint64_t{14} << 32 | 0x80000000u) - (std::uint64_t{12} << 32);
    const std::uint64_t loopLength = std::uint64_t{2} << 32;
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, (std::uint64_t{10} << 32) + (over - loopLength));
    EXPECT_GE(voice.position >> 32, 10u);
    EXPECT_LT(voice.position >> 32, 12u);
}

TEST_F(MixVoicesTest, PingPongRunningDownToFrameZeroNeverReadsBeforeIt) {
    // The rounded-up count says 4 frames, but with the step's dropped low bits
    // the fourth read would fall below frame 0: the voice turns after 3.
    const Sample sample = MakeSample(Ramp(64, 100, 100), kPingPongLoop, 0, 64);
    const std::uint64_t step = kFixedOne + 0xFF;
    const std::uint64_t start = (std::uint64_t{3} << 32) + 0x200;
    Voice& voice = PlayVoice(0, sample, start, step);
    voice.direction = kBackward;
    auto out = Stereo(4);
    MixVoices(out.data(), 4, 0);
    std::uint64_t position = start;
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(out[2 * j], Mixed(ValueAt(sample, position), Gain(255))) << "frame " << j;
        position = (position & ~std::uint64_t{1}) - step;
    }
    // 0xFF below frame 0 after the third frame: mirrored to 0xFF - 1 above it.
    ASSERT_EQ(position, ~std::uint64_t{0xFF} + 1);
    EXPECT_EQ(out[2 * 3], Mixed(ValueAt(sample, 0xFE), Gain(255)));
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, std::uint64_t{0xFE} + step);
}

TEST_F(MixVoicesTest, PingPongRunningDownOntoFrameZeroTurnsThere) {
    const Sample sample = MakeSample(Ramp(64, 100, 100), kPingPongLoop, 0, 64);
    Voice& voice = PlayVoice(0, sample, std::uint64_t{4} << 32, kFixedOne);
    voice.direction = kBackward;
    auto out = Stereo(8);
    MixVoices(out.data(), 8, 0);
    const std::vector<int> frames{4, 3, 2, 1, 0, 1, 2, 3};
    for (int j = 0; j < 8; ++j) EXPECT_EQ(out[2 * j], Mixed(sample.data[frames[j]], Gain(255))) << "frame " << j;
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_EQ(voice.direction, kForward);
    EXPECT_EQ(voice.position, std::uint64_t{4} << 32);
}

TEST_F(MixVoicesTest, VoiceOutsideItsSampleFallsSilent) {
    const Sample sample = MakeSample(Constant(10, 1000));
    Voice& voice = PlayVoice(0, sample, std::uint64_t{50} << 32, kFixedOne);
    auto out = Stereo(8);
    MixVoices(out.data(), 8, 0);
    EXPECT_EQ(out, Stereo(8));
    EXPECT_EQ(voice.sample, nullptr);
}

TEST_F(MixVoicesTest, BigStepsOnAShortLoopStayInside) {
    // A step of 300 frames is past what the shortened count holds.
    const Sample sample = MakeSample(Ramp(40, 0, 10), kForwardLoop, 8, 24);
    const Voice& voice = PlayVoice(0, sample, std::uint64_t{8} << 32, 300 * kFixedOne);
    auto out = Stereo(50);
    MixVoices(out.data(), 50, 0);
    EXPECT_EQ(voice.sample, &sample);
    EXPECT_GE(voice.position >> 32, 8u);
    EXPECT_LT(voice.position >> 32, 32u);
}

TEST_F(MixVoicesTest, ASilentVoiceMovesExactlyAsASoundingOne) {
    // An odd step and an odd fraction, forward and backward through a
    // ping-pong loop: the position's lowest bit is cleared on every frame.
    const Sample sample = MakeSample(Ramp(3000, -3000, 2), kPingPongLoop, 100, 2800);
    for (const int direction : {kForward, kBackward}) {
        const std::uint64_t start = (std::uint64_t{1500} << 32) + 77777;
        const std::uint64_t step = kHalf + 0x12345;
        Voice& silent = PlayVoice(0, sample, start, step, 0);
        Voice& sounding = PlayVoice(1, sample, start, step, 200);
        silent.direction = sounding.direction = direction;
        auto out = Stereo(5000);
        MixVoices(out.data(), 5000, 0);
        EXPECT_EQ(silent.position, sounding.position) << direction;
        EXPECT_EQ(silent.direction, sounding.direction) << direction;
        Voice& alone = PlayVoice(1, sample, start, step, 0);
        alone.direction = direction;
        silent.sample = nullptr;
        auto quiet = Stereo(5000);
        MixVoices(quiet.data(), 5000, 0);
        EXPECT_EQ(quiet, Stereo(5000));
    }
}

// Left gain 0 -> 255 on a constant sample; the right side stays silent.
class GainRampTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        Voice& voice = PlayVoice(0, sample, 0, kFixedOne, 0);
        voice.targetLeft = 255;
    }

    // The left outputs of a ramp from gain byte `from`, `frames` long, as the
    // mixer accumulates them.
    static std::vector<float> RampedLeft(std::uint8_t from, int frames) {
        std::vector<float> left;
        double gain = Gain(from);
        for (int j = 0; j < frames; ++j) {
            left.push_back(Mixed(kLevel, gain));
            gain += kStep;
        }
        return left;
    }

    static std::vector<float> Left(const std::vector<float>& out, int from, int count) {
        std::vector<float> left;
        for (int j = from; j < from + count; ++j) left.push_back(out[2 * static_cast<std::size_t>(j)]);
        return left;
    }

    static constexpr std::int16_t kLevel = 10000;
    static constexpr float kStep = static_cast<float>(255) * kGainUnit * (1.0f / 128.0f);
    const Sample sample = MakeSample(Constant(1000, kLevel), kForwardLoop, 0, 1000);
    Voice& voice = Voices()[0];
};

TEST_F(GainRampTest, RampCutByATickBoundaryCarriesOn) {
    auto first = Stereo(50);
    MixVoices(first.data(), 50, 0);
    EXPECT_EQ(Left(first, 0, 50), RampedLeft(0, 50));
    EXPECT_EQ(voice.currentLeft, 100);  // 50/128 of the way
    EXPECT_EQ(voice.rampFramesLeft, 78);
    EXPECT_EQ(voice.rampStepLeft, kStep);
    EXPECT_EQ(voice.rampStepRight, 0.0f);

    auto second = Stereo(100);
    MixVoices(second.data(), 100, 0);
    EXPECT_EQ(Left(second, 0, 78), RampedLeft(100, 78));
    EXPECT_EQ(Left(second, 78, 22), std::vector<float>(22, Mixed(kLevel, Gain(255))));
    EXPECT_EQ(voice.currentLeft, 255);
    EXPECT_EQ(voice.rampFramesLeft, 0);
    for (int j = 0; j < 100; ++j) EXPECT_EQ(second[2 * j + 1], 0.0f);
}

TEST_F(GainRampTest, NewTargetMidRampStartsAFreshRamp) {
    auto first = Stereo(50);
    MixVoices(first.data(), 50, 0);
    voice.targetLeft = 128;
    voice.targetRight = 10;
    auto second = Stereo(10);
    MixVoices(second.data(), 10, 0);
    EXPECT_EQ(voice.rampStepLeft, static_cast<float>(128 - 100) * kGainUnit * (1.0f / 128.0f));
    EXPECT_EQ(voice.rampStepRight, static_cast<float>(10) * kGainUnit * (1.0f / 128.0f));
    EXPECT_EQ(voice.rampFramesLeft, 118);
    EXPECT_EQ(voice.rampTargetLeft, 128);
}

TEST_F(GainRampTest, RampEndsAtALoopBoundaryWithoutLosingFrames) {
    // A 128-frame ramp over a 100-frame loop: the segment ends at the loop
    // boundary after 100 frames, the ramp carries on after the wrap.
    const Sample shortLoop = MakeSample(Constant(100, kLevel), kForwardLoop, 0, 100);
    voice.sample = &shortLoop;
    auto out = Stereo(200);
    MixVoices(out.data(), 200, 0);
    EXPECT_EQ(Left(out, 0, 100), RampedLeft(0, 100));
    double reached = 0.0;
    for (int j = 0; j < 100; ++j) reached += kStep;
    const auto afterWrap = static_cast<std::uint8_t>(std::lrint(reached * 255));
    EXPECT_EQ(Left(out, 100, 28), RampedLeft(afterWrap, 28));
    EXPECT_EQ(voice.rampFramesLeft, 0);
    EXPECT_EQ(voice.currentLeft, 255);
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
    const Sample counter = MakeSample(Constant(5000, 0));
};

TEST_F(FillBlockTest, TickFramesCarryOverIntoTheNextBlock) {
    ASSERT_EQ(song.samplesPerTick, 1020);
    song.tickHandler = RecordTick;
    FillBlock();
    EXPECT_EQ(tickFrames, std::vector<std::uint64_t>{0});
    EXPECT_EQ(song.tickFramesLeft, 136);
    FillBlock();
    EXPECT_EQ(tickFrames, (std::vector<std::uint64_t>{0, 1020}));
    EXPECT_EQ(song.tickFramesLeft, 272);
    EXPECT_EQ(WriteBlock(), 2);
}

TEST_F(FillBlockTest, TempoChangeSetsTheLengthOfItsOwnTick) {
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
    const Sample loud = MakeSample(Constant(100, 1000), kForwardLoop, 0, 100);
    const Sample quiet = MakeSample(Constant(100, 300), kForwardLoop, 0, 100);
    PlayVoice(0, loud, 0, kFixedOne);
    PlayVoice(1, quiet, 0, kFixedOne).bus = 1;
    BusEffect doubling{true, DoubleBus};
    Buses()[1].busEnabled = 1;
    Buses()[1].effects[2] = {&doubling, nullptr};
    FillBlock();
    const int blockFrames = CurrentOutput().blockFrames;
    EXPECT_EQ(effectSamples, 2 * blockFrames);
    const auto ring = Ring();
    for (int i = 0; i < 2 * blockFrames; ++i) ASSERT_EQ(ring[static_cast<std::size_t>(i)], 1600) << i;
}

TEST(ConvertToPcm16Test, RoundsToNearestEvenAndClamps) {
    const std::vector<float> in{40000.0f, -40000.0f, 0.5f,     1.5f,      2.5f,      -0.5f, -1.5f,
                                32767.4f, 32767.5f,  32768.0f, -32768.6f, -32767.5f, 1.49f, -2.51f};
    const std::vector<std::int16_t> expected{32767, -32768, 0, 2, 2, 0, -2, 32767, 32767, 32767, -32768, -32768, 1, -3};
    std::vector<std::int16_t> out(in.size(), 99);
    ConvertToPcm16(out.data(), in.data(), 0);
    ConvertToPcm16(out.data(), nullptr, 1);
    EXPECT_EQ(out, std::vector<std::int16_t>(in.size(), 99));
    ConvertToPcm16(out.data(), in.data(), static_cast<int>(in.size() / 2));
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace zint
