// The sound output's sizes and rules on an offline device: opening, the
// ring's first rendering, the writer's catch-up, stopping and releasing.
#include "music/player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "music/loader.h"
#include "tests/music/player_test_support.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::kRate;
using test::MakeSample;
using test::MakeSong;

constexpr int kBlockFrames = 884;

TEST(OutputFormatTest, SizesFollowTheRate) {
    const OutputFormat cd = OutputFormatFor(44100);
    EXPECT_EQ(cd.blockFrames, 884);
    EXPECT_EQ(cd.bufferMs, 1000);
    EXPECT_EQ(cd.ringFrames, 88400);
    EXPECT_EQ(cd.blockCount, 100);
    EXPECT_EQ(cd.rampLength, 128);
    EXPECT_EQ(cd.rampReciprocal, 1.0f / 128.0f);

    const OutputFormat half = OutputFormatFor(22050);
    EXPECT_EQ(half.blockFrames, 444);
    EXPECT_EQ(half.ringFrames, 44400);
    EXPECT_EQ(half.blockCount, 100);
    EXPECT_EQ(half.rampLength, 64);
}

TEST(PlayBlockTest, FromTheDevicesByteCount) {
    const OutputFormat format = OutputFormatFor(44100);
    EXPECT_EQ(PlayBlockAt(4 * 89400, format), 1);  // frame 1000 of the second lap
    EXPECT_EQ(PlayBlockAt(0, format), 0);
    EXPECT_EQ(PlayBlockAt(4 * 883 + 3, format), 0);
    EXPECT_EQ(PlayBlockAt(4 * 884, format), 1);
    EXPECT_EQ(PlayBlockAt(4 * 88399, format), 99);
    EXPECT_EQ(PlayBlockAt(std::uint64_t{4} * 88400 * 1000000 + 4 * 884 * 42, format), 42);
}

using SetBpmTest = test::OfflinePlayerTest;

TEST_F(SetBpmTest, FramesPerTickAt44100) {
    Song song;
    const std::vector<std::pair<int, int>> figures{{125, 882}, {108, 1020}, {32, 3445}, {255, 432}};
    for (const auto& [bpm, frames] : figures) {
        SetBpm(song, bpm);
        EXPECT_EQ(song.bpm, bpm);
        EXPECT_EQ(song.samplesPerTick, frames) << bpm;
    }
    for (int bpm = 1; bpm <= 255; ++bpm) {
        SetBpm(song, bpm);
        ASSERT_EQ(song.samplesPerTick, 110250 / bpm) << bpm;
    }
}

TEST_F(SetBpmTest, TempoZeroStillGivesATick) {
    Song song;
    SetBpm(song, 0);
    EXPECT_EQ(song.bpm, 0);
    EXPECT_EQ(song.samplesPerTick, 110250);
}

class OpenSoundOutputTest : public testing::Test {
protected:
    void SetUp() override { test::InstallMemoryFileCallbacks(); }
    void TearDown() override {
        CloseSoundOutput();
        test::InstallMemoryFileCallbacks();
    }
};

TEST_F(OpenSoundOutputTest, RefusesWithoutCallbacksDeviceOrUsableRate) {
    SetModuleFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>()));
    test::InstallMemoryFileCallbacks();
    EXPECT_FALSE(OpenSoundOutput(kRate, nullptr));
    EXPECT_FALSE(OpenSoundOutput(0, std::make_unique<OfflineSoundDevice>()));
    EXPECT_FALSE(OpenSoundOutput(100, std::make_unique<OfflineSoundDevice>()));
    EXPECT_FALSE(OpenSoundOutput(kMaxSampleRate + 1, std::make_unique<OfflineSoundDevice>()));
    EXPECT_FALSE(OpenSoundOutput(kRate, std::make_unique<test::FakeSoundDevice>(false)));
    EXPECT_EQ(CurrentOutput().sampleRate, 0);
}

TEST_F(OpenSoundOutputTest, OpensTheDeviceAndResetsTheMixer) {
    auto owned = std::make_unique<test::FakeSoundDevice>();
    const test::FakeSoundDevice* device = owned.get();
    ASSERT_TRUE(OpenSoundOutput(kRate, std::move(owned)));
    EXPECT_EQ(device->openedRate, kRate);
    Voices()[3].sample = &emptySample;
    Voices()[3].bus = 2;
    Buses()[5].busEnabled = 1;

    // Opening again closes the first output and starts from scratch.
    ASSERT_TRUE(OpenSoundOutput(22050, std::make_unique<OfflineSoundDevice>()));
    EXPECT_EQ(CurrentOutput().blockFrames, 444);
    for (int i = 0; i < kVoiceCount; ++i) {
        const Voice& voice = Voices()[static_cast<std::size_t>(i)];
        EXPECT_EQ(voice.index, i);
        EXPECT_EQ(voice.step, kFixedOne);
        EXPECT_EQ(voice.sample, nullptr);
        EXPECT_EQ(voice.bus, 0);
    }
    for (int i = 0; i < kBusCount; ++i) {
        const MixBus& bus = Buses()[static_cast<std::size_t>(i)];
        EXPECT_EQ(bus.busEnabled, i == 0 ? 1 : 0);
        EXPECT_EQ(bus.buffer, std::vector<float>(2 * 444, 0.0f));
    }
}

std::vector<int> ticksRendered;  // the song's tickFramesLeft at each tick: 0 when a tick is due

void CountTick(Song& song) { ticksRendered.push_back(song.tickFramesLeft); }

class PlaybackTest : public test::OfflinePlayerTest {
protected:
    void SetUp() override {
        test::OfflinePlayerTest::SetUp();
        ticksRendered.clear();
    }
    Song song = MakeSong(125, 4);
};

TEST_F(PlaybackTest, NoSongNoPlayback) {
    EXPECT_FALSE(StartPlayback(nullptr));
    EXPECT_FALSE(StopPlayback(nullptr));
    CloseSoundOutput();
    EXPECT_FALSE(StartPlayback(&song));
    EXPECT_EQ(CurrentSong(), nullptr);
}

TEST_F(PlaybackTest, StopWithoutStartIsHarmless) {
    EXPECT_TRUE(StopPlayback(&song));
    EXPECT_EQ(CurrentSong(), nullptr);
    EXPECT_FALSE(device->IsPlaying());
    EXPECT_TRUE(Ring().empty());
}

TEST_F(PlaybackTest, StartResetsTheSongAndLinksItsChannels) {
    song.globalVolume = song.tick = song.row = song.orderPosition = song.speed = song.tickFramesLeft = 9;
    song.nextRow = song.nextOrderPosition = 7;
    song.globalVolumeSlide = 5;
    Channels()[4].index = 77;
    ASSERT_TRUE(StartPlayback(&song));
    EXPECT_EQ(CurrentSong(), &song);
    EXPECT_EQ(std::vector<int>({song.globalVolume, song.tick, song.row, song.orderPosition, song.nextRow,
                                song.nextOrderPosition, song.speed, song.bpm, song.samplesPerTick}),
              std::vector<int>({64, 0, 0, 0, -1, -1, 6, 125, 882}));
    EXPECT_EQ(song.globalVolumeSlide, 5);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Channels()[i].voice, &Voices()[i]);
        EXPECT_EQ(Channels()[i].index, static_cast<int>(i));
    }
    EXPECT_EQ(Channels()[4].index, 77);   // beyond the song's channels
    EXPECT_FALSE(PlayerThreadRunning());  // an offline device needs no thread
}

TEST_F(PlaybackTest, StartRendersTheWholeRingFromTheFirstTick) {
    song.tickHandler = CountTick;
    ASSERT_TRUE(StartPlayback(&song));
    // 88400 frames of 882-frame ticks: 101 ticks, the first at frame 0.
    ASSERT_EQ(ticksRendered.size(), 101u);
    EXPECT_EQ(ticksRendered.front(), 0);
    EXPECT_EQ(song.tickFramesLeft, 101 * 882 - 88400);
    EXPECT_EQ(WriteBlock(), 0);
    EXPECT_EQ(Ring().size(), 2u * 88400);
    EXPECT_TRUE(device->IsPlaying());
    EXPECT_EQ(device->PlayedBytes(), 0u);
}

TEST_F(PlaybackTest, StopLeavesTheDeviceLoopingTheRing) {
    const Sample tone = MakeSample(test::Constant(100, 1000), kForwardLoop, 0, 100);
    ASSERT_TRUE(StartPlayback(&song));
    test::PlayVoice(0, tone, 0, kFixedOne);
    FillBlock();
    ASSERT_TRUE(StopPlayback(&song));
    EXPECT_EQ(CurrentSong(), nullptr);
    EXPECT_TRUE(device->IsPlaying());
    std::vector<std::int16_t> heard(4);
    device->Peek(heard);
    EXPECT_EQ(heard, std::vector<std::int16_t>(4, 1000));
    // Without a song nothing renders any more.
    FillBlock();
    EXPECT_EQ(WriteBlock(), 1);
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
    // Play block 0 of the next lap: blocks 97, 98 and 99, then it waits.
    EXPECT_EQ(playThenRefill(3), 0);
    EXPECT_EQ(playThenRefill(99), 99);
    // Play block 1: blocks 99 and 0.
    EXPECT_EQ(playThenRefill(2), 1);
    EXPECT_EQ(playThenRefill(59), 60);
    // A whole lap at once: play block 20 with the writer at 60, fallen
    // behind across the end; nothing renders until block 0 comes round.
    EXPECT_EQ(playThenRefill(60), 60);
    EXPECT_EQ(playThenRefill(80), 0);
}

TEST_F(PlaybackTest, TakePlaysBlocksInTheOrderTheyAreRendered) {
    const Sample tone = test::MakeTone();
    test::toneForTicks = &tone;
    song.tickHandler = test::VaryVoiceEachTick;

    // The first ring, then 50 more blocks, as FillBlock renders them.
    ASSERT_TRUE(StartPlayback(&song));
    std::vector<std::int16_t> expected(Ring().begin(), Ring().end());
    for (int i = 0; i < 50; ++i) {
        const auto first = static_cast<std::ptrdiff_t>(WriteBlock()) * kBlockFrames * 2;
        FillBlock();
        expected.insert(expected.end(), Ring().begin() + first, Ring().begin() + first + kBlockFrames * 2);
    }

    // The same from a freshly opened output, played through the device in
    // uneven pieces.
    TearDown();
    SetUp();
    ASSERT_TRUE(StartPlayback(&song));
    std::vector<std::int16_t> heard(expected.size());
    std::span<std::int16_t> rest(heard);
    for (std::size_t piece : {37u, 2000u, 884u, 5u}) {
        while (rest.size() >= 2 * piece) {
            device->Take(rest.first(2 * piece));
            rest = rest.subspan(2 * piece);
        }
    }
    device->Take(rest);
    EXPECT_TRUE(heard == expected);
    // The second lap is new music, not the first ring again.
    EXPECT_FALSE(std::equal(expected.begin(), expected.begin() + 2 * kBlockFrames, expected.begin() + 2 * 88400));
}

TEST_F(PlaybackTest, RestartingPlaysFromTheBeginningAgain) {
    song.tickHandler = CountTick;
    ASSERT_TRUE(StartPlayback(&song));
    device->Advance(10 * kBlockFrames);
    RefillRing();
    ticksRendered.clear();
    ASSERT_TRUE(StartPlayback(&song));
    EXPECT_EQ(ticksRendered.size(), 101u);
    EXPECT_EQ(device->PlayedBytes(), 0u);
    EXPECT_EQ(WriteBlock(), 0);
}

TEST_F(PlaybackTest, ClosingStopsPlaybackAndForgetsEverything) {
    const Sample tone = MakeSample(test::Constant(10, 1));
    ASSERT_TRUE(StartPlayback(&song));
    test::PlayVoice(0, tone, 0, kFixedOne);
    CloseSoundOutput();
    EXPECT_EQ(CurrentSong(), nullptr);
    EXPECT_EQ(Voices()[0].sample, nullptr);
    EXPECT_EQ(Channels()[0].voice, nullptr);
    EXPECT_TRUE(Ring().empty());
    EXPECT_EQ(CurrentOutput().sampleRate, 0);
    FillBlock();  // nothing to render into
    EXPECT_EQ(WriteBlock(), 0);
}

TEST_F(PlaybackTest, FreeingTheSongStopsItsPlaybackOnly) {
    auto playing = std::make_unique<Song>(MakeSong());
    auto other = std::make_unique<Song>(MakeSong());
    ASSERT_TRUE(StartPlayback(playing.get()));
    EXPECT_TRUE(FreeSong(std::move(other)));
    EXPECT_NE(CurrentSong(), nullptr);
    EXPECT_TRUE(FreeSong(std::move(playing)));
    EXPECT_EQ(CurrentSong(), nullptr);
}

}  // namespace
}  // namespace zint
