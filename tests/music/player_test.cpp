// The sound output on an offline device: its sizes, the tick length, opening,
// the ring's first rendering, the writer's catch-up, stopping and releasing.
#include "music/player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/music/player_test_support.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::kRate;
using test::MakeSample;

constexpr int kBlockFrames = 884;

TEST(OutputFormatTest, SizesFollowTheRateAndBlocksTheDevicesByteCount) {
    for (const auto& [rate, block, ring, ramp] :
         {std::tuple{44100, 884, 88400, 128}, {22050, 444, 44400, 64}}) {
        const OutputFormat format = OutputFormatFor(rate);
        EXPECT_EQ(std::vector<int>({format.blockFrames, format.bufferMs, format.ringFrames, format.blockCount,
                                    format.rampLength}),
                  std::vector<int>({block, 1000, ring, 100, ramp}));
        EXPECT_EQ(format.rampReciprocal, 1.0f / static_cast<float>(ramp));
    }
    const OutputFormat format = OutputFormatFor(44100);
    for (const auto& [bytes, block] : {std::pair<std::uint64_t, int>{4 * 89400, 1},
                                       {0, 0},
                                       {4 * 883 + 3, 0},
                                       {4 * 884, 1},
                                       {4 * 88399, 99},
                                       {std::uint64_t{4} * 88400 * 1000000 + 4 * 884 * 42, 42}}) {
        EXPECT_EQ(PlayBlockAt(bytes, format), block) << bytes;
    }
}

using SetBpmTest = test::OfflinePlayerTest;

TEST_F(SetBpmTest, FramesPerTickForEveryTempo) {
    Song song;
    for (int bpm = 1; bpm <= 255; ++bpm) {
        SetBpm(song, bpm);
        ASSERT_EQ(song.bpm, bpm);
        ASSERT_EQ(song.samplesPerTick, 110250 / bpm) << bpm;  // 125: 882, 108: 1020, 32: 3445
    }
    SetBpm(song, 0);  // still a tick
    EXPECT_EQ(song.bpm, 0);
    EXPECT_EQ(song.samplesPerTick, 110250);
}

TEST(OpenSoundOutputTest, RefusesWithoutCallbacksDeviceOrUsableRateAndResetsOnReopening) {
    SetModuleFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>()));
    test::UseMemoryFileCallbacks();
    EXPECT_FALSE(OpenSoundOutput(kRate, nullptr));
    for (int rate : {0, 100, kMaxSampleRate + 1})
        EXPECT_FALSE(OpenSoundOutput(rate, std::make_unique<OfflineSoundDevice>()));
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<test::FakeSoundDevice>(false)));
    EXPECT_EQ(CurrentOutput().sampleRate, 0);

    auto owned = std::make_unique<test::FakeSoundDevice>();
    const test::FakeSoundDevice* device = owned.get();
    ASSERT_TRUE(OpenSoundOutput(kRate, std::move(owned)));
    EXPECT_EQ(device->openedRate, kRate);
    Voices()[3].sample = &emptySample;
    Voices()[3].bus = 2;
    Buses()[5].busEnabled = 1;
    ASSERT_TRUE(OpenSoundOutput(22050, std::make_unique<OfflineSoundDevice>()));
    EXPECT_EQ(CurrentOutput().blockFrames, 444);
    for (int i = 0; i < kVoiceCount; ++i) {
        const Voice& voice = Voices()[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::tuple(voice.index, voice.step, voice.sample, voice.bus),
                  std::tuple(i, kFixedOne, nullptr, 0));
    }
    for (int i = 0; i < kBusCount; ++i) {
        EXPECT_EQ(Buses()[static_cast<std::size_t>(i)].busEnabled, i == 0 ? 1 : 0);
        EXPECT_EQ(Buses()[static_cast<std::size_t>(i)].buffer, std::vector<float>(2 * 444, 0.0f));
    }
    CloseSoundOutput();
}

std::vector<int> ticksRendered;  // the song's tickFramesLeft at each tick: 0 when a tick is due
void CountTick(Song& song) { ticksRendered.push_back(song.tickFramesLeft); }

class PlaybackTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        ticksRendered.clear();
    }
    Song song = test::MakeSong(125, 4);
};

TEST_F(PlaybackTest, NoSongNoPlaybackAndStopWithoutStartIsHarmless) {
    EXPECT_FALSE(StartPlayback(nullptr));
    EXPECT_FALSE(StopPlayback(nullptr));
    EXPECT_TRUE(StopPlayback(&song));
    EXPECT_FALSE(device->IsPlaying());
    EXPECT_TRUE(Ring().empty());
    CloseSoundOutput();
    EXPECT_FALSE(StartPlayback(&song));
    EXPECT_EQ(CurrentSong(), nullptr);
}

TEST_F(PlaybackTest, StartResetsTheSongLinksItsChannelsAndRendersTheWholeRing) {
    song.globalVolume = song.tick = song.row = song.orderPosition = song.speed = song.tickFramesLeft = 9;
    song.nextRow = song.nextOrderPosition = 7;
    song.globalVolumeSlide = 5;
    song.tickHandler = CountTick;
    Channels()[4].index = 77;
    for (int start = 0; start < 2; ++start) {
        ASSERT_TRUE(StartPlayback(&song));
        EXPECT_EQ(std::vector<int>({song.globalVolume, song.row, song.orderPosition, song.nextRow,
                                    song.nextOrderPosition, song.speed, song.bpm, song.samplesPerTick}),
                  std::vector<int>({64, 0, 0, -1, -1, 6, 125, 882}));
        // 88400 frames of 882-frame ticks: 101 ticks, the first at frame 0.
        ASSERT_EQ(ticksRendered.size(), 101u);
        EXPECT_EQ(ticksRendered.front(), 0);
        EXPECT_EQ(song.tickFramesLeft, 101 * 882 - 88400);
        EXPECT_EQ(WriteBlock(), 0);
        EXPECT_EQ(device->PlayedBytes(), 0u);
        // Restarting plays from the beginning again.
        device->Advance(10 * kBlockFrames);
        RefillRing();
        ticksRendered.clear();
    }
    EXPECT_EQ(song.globalVolumeSlide, 5);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Channels()[i].voice, &Voices()[i]);
        EXPECT_EQ(Channels()[i].index, static_cast<int>(i));
    }
    EXPECT_EQ(Channels()[4].index, 77);   // beyond the song's channels
    EXPECT_FALSE(PlayerThreadRunning());  // an offline device needs no thread
}

TEST_F(PlaybackTest, WriterRendersWhatTheDeviceHasLeft) {
    ASSERT_TRUE(StartPlayback(&song));
    // Plays `blocks` more blocks, lets the writer catch up, says where it stands.
    const auto playThenRefill = [this](int blocks) {
        device->Advance(static_cast<std::uint64_t>(blocks) * kBlockFrames);
        RefillRing();
        return WriteBlock();
    };
    EXPECT_EQ(playThenRefill(97), 97);
    EXPECT_EQ(playThenRefill(3), 0);  // playing block 0 of the next lap: 97, 98, 99, then it waits
    EXPECT_EQ(playThenRefill(99), 99);
    EXPECT_EQ(playThenRefill(2), 1);  // playing block 1: 99 and 0
    EXPECT_EQ(playThenRefill(59), 60);
    // A whole lap at once: playing block 20 with the writer at 60, fallen
    // behind across the end; nothing renders until block 0 comes round.
    EXPECT_EQ(playThenRefill(60), 60);
    EXPECT_EQ(playThenRefill(80), 0);
}

TEST_F(PlaybackTest, TheDevicePlaysBlocksInTheOrderTheyAreRendered) {
    song.tickHandler = test::VaryVoiceEachTick;
    // The first ring, then 50 more blocks, as FillBlock renders them.
    ASSERT_TRUE(StartPlayback(&song));
    std::vector<std::int16_t> expected(Ring().begin(), Ring().end());
    for (int i = 0; i < 50; ++i) {
        const auto first = static_cast<std::ptrdiff_t>(WriteBlock()) * kBlockFrames * 2;
        FillBlock();
        expected.insert(expected.end(), Ring().begin() + first, Ring().begin() + first + kBlockFrames * 2);
    }
    // The same from a freshly opened output, played in uneven pieces.
    TearDown();
    SetUp();
    ASSERT_TRUE(StartPlayback(&song));
    std::vector<std::int16_t> heard(expected.size());
    std::span<std::int16_t> rest(heard);
    for (std::size_t piece : {37u, 2000u, 884u, 5u}) {
        for (; rest.size() >= 2 * piece; rest = rest.subspan(2 * piece)) device->Take(rest.first(2 * piece));
    }
    device->Take(rest);
    EXPECT_TRUE(heard == expected);
    // The second lap is new music, not the first ring again.
    EXPECT_FALSE(
        std::equal(expected.begin(), expected.begin() + 2 * kBlockFrames, expected.begin() + 2 * 88400));
}

TEST_F(PlaybackTest, StopLeavesTheDeviceLoopingTheRingAndClosingForgetsEverything) {
    const Sample tone = MakeSample(test::Ramp(100, 1000), kForwardLoop, 0, 100);
    ASSERT_TRUE(StartPlayback(&song));
    test::PlayVoice(0, tone, 0, kFixedOne);
    FillBlock();
    ASSERT_TRUE(StopPlayback(&song));
    EXPECT_EQ(CurrentSong(), nullptr);
    EXPECT_TRUE(device->IsPlaying());
    std::vector<std::int16_t> heard(4);
    device->Peek(heard);
    EXPECT_EQ(heard, std::vector<std::int16_t>(4, 1000));
    FillBlock();  // without a song nothing renders
    EXPECT_EQ(WriteBlock(), 1);

    ASSERT_TRUE(StartPlayback(&song));
    CloseSoundOutput();
    EXPECT_EQ(CurrentSong(), nullptr);
    EXPECT_EQ(Voices()[0].sample, nullptr);
    EXPECT_EQ(Channels()[0].voice, nullptr);
    EXPECT_TRUE(Ring().empty());
    EXPECT_EQ(CurrentOutput().sampleRate, 0);
}

TEST_F(PlaybackTest, FreeingASongStopsItsPlaybackOnly) {
    auto playing = std::make_unique<Song>(test::MakeSong());
    ASSERT_TRUE(StartPlayback(playing.get()));
    EXPECT_FALSE(FreeSong(nullptr));
    EXPECT_TRUE(FreeSong(std::make_unique<Song>(test::MakeSong())));
    EXPECT_NE(CurrentSong(), nullptr);
    EXPECT_TRUE(FreeSong(std::move(playing)));
    EXPECT_EQ(CurrentSong(), nullptr);
}

}  // namespace
}  // namespace zint
