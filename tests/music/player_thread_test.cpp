// The player thread against SDL's audio device (the dummy driver when the
// tests run): starting and stopping, and rendering exactly what an offline
// device gets.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/system.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using namespace std::chrono_literals;

class SdlPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        test::UseMemoryFileCallbacks();
        song.tickHandler = test::VaryVoiceEachTick;
    }
    void TearDown() override { CloseSoundOutput(); }
    bool OpenSdlOutput() { return OpenSoundOutput(test::kRate, system->CreateSoundDevice()); }

    std::unique_ptr<platform::System> system = platform::CreateSdlSystem();
    Song song = test::MakeSong(255);  // 432 frames per tick
};

TEST_F(SdlPlayerTest, StartsAndStopsRepeatedlyAndClosingEndsTheThread) {
    ASSERT_TRUE(OpenSdlOutput());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(StartPlayback(&song));
        EXPECT_TRUE(PlayerThreadRunning());
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 * 7));
        ASSERT_TRUE(i % 2 == 0 ? StopPlayback(&song) : (CloseSoundOutput(), OpenSdlOutput()));
        EXPECT_FALSE(PlayerThreadRunning());
        EXPECT_EQ(CurrentSong(), nullptr);
    }
}

TEST_F(SdlPlayerTest, ThreadRendersWhatTheOfflineDeviceGets) {
    ASSERT_TRUE(OpenSdlOutput());
    test::ticksSeen = 0;
    ASSERT_TRUE(StartPlayback(&song));
    // A little more than a lap (2.2 s, 225 ticks) after the first ring: the
    // device has played blocks the thread rendered.
    const int target = test::ticksSeen.load() + 225;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (test::ticksSeen.load() < target && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_GE(test::ticksSeen.load(), target) << "the device did not play";
    ASSERT_TRUE(StopPlayback(&song));
    const std::vector<std::int16_t> played(Ring().begin(), Ring().end());
    const int ticks = test::ticksSeen.load();
    const int writeBlock = WriteBlock();

    // The same number of blocks, rendered offline.
    ASSERT_TRUE(OpenSoundOutput(test::kRate, std::make_unique<OfflineSoundDevice>()));
    test::ticksSeen = 0;
    ASSERT_TRUE(StartPlayback(&song));
    for (int blocks = 0; blocks < 1000 && (test::ticksSeen.load() != ticks || WriteBlock() != writeBlock); ++blocks) {
        FillBlock();
    }
    ASSERT_EQ(test::ticksSeen.load(), ticks);
    EXPECT_TRUE(std::vector<std::int16_t>(Ring().begin(), Ring().end()) == played);
}

}  // namespace
}  // namespace zint
