// The mixer on voices set up by hand (sample ends, loops and their turns,
// silent voices, gain ramps, tick boundaries within blocks, buses, the
// conversion to 16 bits) and the sound output on an offline device (its
// sizes, the tick length, opening, the first ring, the writer's catch-up,
// stopping and releasing).
#include "music/player.h"

#include <gtest/gtest.h>

#include "music/mixer.h"
#include "tests/music/player_test_support.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using namespace test;

constexpr int kBlockFrames = 884;

constexpr std::uint64_t Frame(std::uint64_t frame, std::uint32_t fraction = 0) { return frame << 32 | fraction; }

std::vector<float> Mix(int frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    MixVoices(out.data(), frames, 0);
    return out;
}

// The left outputs of a voice at full gain on a 0, 100, 200 ... ramp: the
// source position each frame read, or where between two frames it read.
void ExpectPositions(const std::vector<float>& out, const std::vector<double>& positions) {
    ASSERT_EQ(out.size(), 2 * positions.size());
    for (std::size_t j = 0; j < positions.size(); ++j) EXPECT_NEAR(out[2 * j], 100 * positions[j], 0.01) << j;
}

using MixVoicesTest = OfflinePlayerTest;

TEST_F(MixVoicesTest, SampleEndsLoopsAndTheirTurns) {
    // An unlooped or empty sample ends and falls silent; a voice outside its
    // sample too.
    const Sample ramp = MakeSample(Ramp(10, 100, 100));
    Voice& voice = PlayVoice(0, ramp, 0, kFixedOne);
    const Voice& empty = PlayVoice(1, emptySample, 0, kFixedOne);
    ExpectPositions(Mix(12), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0});
    EXPECT_EQ(std::tuple(voice.sample, voice.position, empty.sample), std::tuple(nullptr, 0ul, nullptr));
    PlayVoice(0, ramp, Frame(50), kFixedOne);
    EXPECT_EQ(Mix(4), std::vector<float>(8, 0.0f));
    EXPECT_EQ(voice.sample, nullptr);
    // Forward: at 281.5 halfway from 281 back to 280's copy.
    const Sample forward = MakeSample(Ramp(282, 0, 100), kForwardLoop, 280, 2);
    PlayVoice(0, forward, Frame(280), kHalf);
    ExpectPositions(Mix(9), {280, 280.5, 281, 280.5, 280, 280.5, 281, 280.5, 280});
    EXPECT_EQ(voice.position, Frame(280, 0x80000000u));
    // Ping-pong, 0.25 past loopEnd 110: back to frame 109 with fraction (2^32 - 1) - 0.25.
    const Sample pingPong = MakeSample(Ramp(120, 0, 100), kPingPongLoop, 100, 10);
    PlayVoice(0, pingPong, Frame(109, 0xC0000000u), kHalf);
    Mix(1);
    EXPECT_EQ(std::pair(voice.position, voice.direction), std::pair(Frame(109, 0xBFFFFFFFu), int{kBackward}));
    ExpectPositions(Mix(3), {109, 109, 108.75});  // up to the guard frame, 109's copy
}

TEST_F(MixVoicesTest, PingPongRunningDownToFrameZeroNeverReadsBelowIt) {
    const Sample sample = MakeSample(Ramp(64, 0, 100), kPingPongLoop, 0, 64);
    // Landing exactly on frame 0, the voice turns there and plays upwards.
    Voice& voice = PlayVoice(0, sample, Frame(4), kFixedOne);
    voice.direction = kBackward;
    ExpectPositions(Mix(8), {4, 3, 2, 1, 0, 1, 2, 3});
    EXPECT_EQ(std::tuple(voice.sample, voice.direction, voice.position), std::tuple(&sample, int{kForward}, Frame(4)));
    // The rounded-up count says 4 frames, but with the step's dropped low bits
    // the fourth read would fall 0xFF below frame 0: the voice turns after 3,
    // mirrored to 0xFE above it.
    const std::uint64_t step = kFixedOne + 0xFF;
    PlayVoice(0, sample, Frame(3, 0x200), step).direction = kBackward;
    const std::vector<float> out = Mix(4);
    EXPECT_EQ(std::pair(voice.direction, voice.position), std::pair(int{kForward}, 0xFE + step));
    EXPECT_NEAR(out[6], 100.0 * 0xFE / 4294967296.0, 1e-6);
}

TEST_F(MixVoicesTest, ASilentVoiceMovesExactlyAsASoundingOne) {
    // An odd step and an odd fraction, forward and backward through a
    // ping-pong loop: the position's lowest bit is cleared on every frame.
    const Sample sample = MakeSample(Ramp(3000, -3000, 2), kPingPongLoop, 100, 2800);
    for (const int direction : {kForward, kBackward}) {
        Voice& silent = PlayVoice(0, sample, Frame(1500, 77777), kHalf + 0x12345, 0);
        Voice& sounding = PlayVoice(1, sample, Frame(1500, 77777), kHalf + 0x12345, 200);
        silent.direction = sounding.direction = direction;
        Mix(5000);
        EXPECT_EQ(std::pair(silent.position, silent.direction), std::pair(sounding.position, sounding.direction));
        sounding.sample = nullptr;
        EXPECT_EQ(Mix(5000), std::vector<float>(10000, 0.0f));
    }
}

// Left gain 0 -> 255 over 128 frames on a constant 10000, cut by a block
// boundary or a loop boundary, where the gain is kept as a byte: the ramp
// carries on from that byte, and a new target on either side starts a
// fresh one from where the gains are.
TEST_F(MixVoicesTest, GainRampsCarryOnAcrossBoundariesUntilTheTargetsChange) {
    Sample sample;  // outlives the loop: the last voice plays on after it
    for (const auto& [loop, blocks, cut, byte] :
         {std::tuple{1000u, std::vector<int>{50, 100}, 50, 100}, {100u, {200}, 100, 199}}) {
        sample = MakeSample(Ramp(loop, 10000), kForwardLoop, 0, loop);
        PlayVoice(0, sample, 0, kFixedOne, 0).targetLeft = 255;
        std::vector<float> out;
        for (int frames : blocks) {
            const std::vector<float> block = Mix(frames);
            out.insert(out.end(), block.begin(), block.end());
        }
        for (int j = 0; j < 150; ++j) {
            const double gain = j < cut ? j / 128.0 : j < 128 ? byte / 255.0 + (j - cut) / 128.0 : 1.0;
            EXPECT_NEAR(out[2 * j], 10000 * gain, 0.01) << loop << " " << j;
            EXPECT_EQ(out[2 * j + 1], 0.0f) << j;
        }
    }
    Voice& voice = Voices()[0];
    voice.targetLeft = 128;
    voice.targetRight = 10;
    Mix(10);
    EXPECT_NEAR(voice.rampStepLeft, -127.0 / 255 / 128, 1e-9);
    voice.targetRight = 20;
    Mix(10);
    EXPECT_EQ(std::tuple(voice.rampFramesLeft, int{voice.rampTargetRight}), std::tuple(118, 20));
}

std::vector<std::uint64_t> tickFrames;  // where the recorded ticks fell, in frames since the recording began
void RecordTick(Song&) { tickFrames.push_back(Voices()[0].position >> 32); }
void RecordTickAndSpeedUp(Song& song) {
    RecordTick(song);
    SetBpm(song, 125);
}
void DoubleBus(float* buffer, int sampleCount, void*) {
    for (int i = 0; i < sampleCount; ++i) buffer[i] *= 2.0f;
}

// Voice 0 counts frames: a silent sample played at step 1 from frame 0.
// A tempo change on a tick sets that tick's own length; several buses are
// added after their effects.
TEST_F(MixVoicesTest, TickFramesCarryOverATempoChangeSetsItsOwnTickAndBusesAdd) {
    Song song = MakeSong(108);
    const Sample counter = MakeSample(Ramp(5000, 0));
    ASSERT_TRUE(StartPlayback(&song));
    for (const auto& [handler, ticks, left] : {std::tuple{&RecordTick, std::vector<std::uint64_t>{0, 1020}, 272},
                                               {&RecordTickAndSpeedUp, {0, 882}, 3 * 882 - 1768}}) {
        PlayVoice(0, counter, 0, kFixedOne);
        song.tickFramesLeft = 0;
        tickFrames.clear();
        song.tickHandler = handler;
        FillBlock();
        FillBlock();
        EXPECT_EQ(std::vector(tickFrames.begin(), tickFrames.begin() + 2), ticks);
        EXPECT_EQ(song.tickFramesLeft, left);
    }
    const Sample loud = MakeSample(Ramp(100, 1000), kForwardLoop, 0, 100);
    const Sample quiet = MakeSample(Ramp(100, 300), kForwardLoop, 0, 100);
    PlayVoice(0, loud, 0, kFixedOne);
    PlayVoice(1, quiet, 0, kFixedOne).bus = 1;
    BusEffect doubling{true, DoubleBus};
    Buses()[1].busEnabled = 1;
    Buses()[1].effects[2] = {&doubling, nullptr};
    const int block = WriteBlock();
    FillBlock();
    EXPECT_EQ(std::vector<std::int16_t>(Ring().begin() + 2 * block * kBlockFrames,
                                        Ring().begin() + 2 * (block + 1) * kBlockFrames),
              std::vector<std::int16_t>(2 * kBlockFrames, 1600));
}

TEST(ConvertToPcm16Test, RoundsToNearestEvenAndClamps) {
    const std::vector<float> in{40000.0f, -40000.0f, 0.5f,     1.5f,      2.5f,      -0.5f, -1.5f,
                                32767.4f, 32767.5f,  32768.0f, -32768.6f, -32767.5f, 1.49f, -2.51f};
    std::vector<std::int16_t> out(in.size(), 99);
    ConvertToPcm16(out.data(), in.data(), 0);
    ConvertToPcm16(out.data(), nullptr, 1);
    EXPECT_EQ(out, std::vector<std::int16_t>(in.size(), 99));
    ConvertToPcm16(out.data(), in.data(), static_cast<int>(in.size() / 2));
    EXPECT_EQ(out, std::vector<std::int16_t>(
                       {32767, -32768, 0, 2, 2, 0, -2, 32767, 32767, 32767, -32768, -32768, 1, -3}));
}

// The sizes follow the rate; the tick length for every tempo; blocks from the device's byte count.
TEST_F(OfflinePlayerTest, OutputSizesTickLengthsAndPlayBlocks) {
    for (const auto& [rate, block, ring, ramp] : {std::tuple{44100, 884, 88400, 128}, {22050, 444, 44400, 64}}) {
        const OutputFormat format = OutputFormatFor(rate);
        EXPECT_EQ(std::vector<int>({format.blockFrames, format.bufferMs, format.ringFrames, format.blockCount,
                                    format.rampLength}),
                  std::vector<int>({block, 1000, ring, 100, ramp}));
    }
    for (const auto& [bytes, block] :
         {std::pair<std::uint64_t, int>{4 * 89400, 1}, {0, 0}, {4 * 883 + 3, 0}, {4 * 884, 1}, {4 * 88399, 99},
          {std::uint64_t{4} * 88400 * 1000000 + 4 * 884 * 42, 42}}) {
        EXPECT_EQ(PlayBlockAt(bytes, OutputFormatFor(44100)), block) << bytes;
    }
    Song song;
    for (int bpm = 0; bpm <= 255; ++bpm) {
        SetBpm(song, bpm);
        ASSERT_EQ(std::pair(song.bpm, song.samplesPerTick), std::pair(bpm, 110250 / std::max(bpm, 1))) << bpm;
    }
}

std::vector<int> ticksRendered;  // the song's tickFramesLeft at each tick: 0 when a tick is due
void CountTick(Song& song) { ticksRendered.push_back(song.tickFramesLeft); }

class PlaybackTest : public OfflinePlayerTest {
protected:
    Song song = MakeSong();
};

TEST_F(PlaybackTest, StartResetsTheSongLinksItsChannelsAndRendersTheWholeRing) {
    EXPECT_FALSE(StartPlayback(nullptr));
    EXPECT_FALSE(StopPlayback(nullptr));
    EXPECT_TRUE(StopPlayback(&song));  // without a start: harmless
    EXPECT_TRUE(Ring().empty());
    song.globalVolume = song.tick = song.row = song.orderPosition = song.speed = song.tickFramesLeft = 9;
    song.nextRow = song.nextOrderPosition = 7;
    song.tickHandler = CountTick;
    Channels()[4].index = 77;
    for (int start = 0; start < 2; ++start) {  // restarting plays from the beginning again
        Channels()[1].keyOff = 1;              // left over from the last song
        ticksRendered.clear();
        ASSERT_TRUE(StartPlayback(&song));
        EXPECT_EQ(std::vector<int>({Channels()[1].keyOff, song.globalVolume, song.row, song.orderPosition,
                                    song.nextRow, song.nextOrderPosition, song.speed, song.bpm, song.samplesPerTick}),
                  std::vector<int>({0, 64, 0, 0, -1, -1, 6, 125, 882}));
        // 88400 frames of 882-frame ticks: 101 ticks, the first at frame 0.
        ASSERT_EQ(ticksRendered.size(), 101u);
        EXPECT_EQ(ticksRendered.front(), 0);
        EXPECT_EQ(song.tickFramesLeft, 101 * 882 - 88400);
        EXPECT_EQ(std::pair(WriteBlock(), device->PlayedBytes()), std::pair(0, std::uint64_t{0}));
        device->Advance(10 * kBlockFrames);
        RefillRing();
    }
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::pair(Channels()[i].voice, Channels()[i].index), std::pair(&Voices()[i], static_cast<int>(i)));
    }
    EXPECT_EQ(Channels()[4].index, 77);   // beyond the song's channels
    EXPECT_FALSE(PlayerThreadRunning());  // an offline device needs no thread
}

TEST_F(PlaybackTest, WriterRendersWhatTheDeviceHasLeft) {
    ASSERT_TRUE(StartPlayback(&song));
    // Plays `blocks` more blocks, lets the writer catch up, says where it stands:
    // 97, then playing block 0 of the next lap 97, 98, 99 and it waits; playing
    // block 1, 99 and 0; a whole lap at once, fallen behind across the end:
    // nothing renders until block 0 comes round.
    for (const auto& [blocks, writer] : {std::pair{97, 97}, {3, 0}, {99, 99}, {2, 1}, {59, 60}, {60, 60}, {80, 0}}) {
        device->Advance(static_cast<std::uint64_t>(blocks) * kBlockFrames);
        RefillRing();
        EXPECT_EQ(WriteBlock(), writer) << blocks;
    }
}

// Freeing another song leaves playback alone; freeing the one that plays
// stops it. An open that is refused leaves no output.
TEST_F(PlaybackTest, FreeingTheSongThatPlaysStopsItAndOpensAreRefusedWithoutWhatTheyNeed) {
    auto playing = std::make_unique<Song>(MakeSong());
    ASSERT_TRUE(StartPlayback(playing.get()));
    EXPECT_FALSE(FreeSong(nullptr));
    EXPECT_TRUE(FreeSong(std::make_unique<Song>(MakeSong())));
    EXPECT_NE(CurrentSong(), nullptr);
    EXPECT_TRUE(FreeSong(std::move(playing)));
    EXPECT_EQ(CurrentSong(), nullptr);

    SetModuleFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>()));
    UseMemoryFileCallbacks();
    EXPECT_FALSE(OpenSoundOutput(kRate, nullptr));
    for (int rate : {0, 100, kMaxSampleRate + 1}) {
        EXPECT_FALSE(OpenSoundOutput(rate, std::make_unique<OfflineSoundDevice>()));
    }
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<FakeSoundDevice>(false)));
    EXPECT_EQ(CurrentOutput().sampleRate, 0);
}

}  // namespace
}  // namespace zint
