// The player thread against SDL's audio device (the dummy driver when the
// tests run): starting and stopping, keeping the ring filled, and rendering
// exactly what an offline device gets.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "music/player.h"
#include "platform/system.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using namespace std::chrono_literals;
using test::kRate;

class SdlPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        test::InstallMemoryFileCallbacks();
        system = platform::CreateSdlSystem();
        test::ticksSeen = 0;
        test::toneForTicks = &tone;
        song.tickHandler = test::VaryVoiceEachTick;
    }
    void TearDown() override {
        CloseSoundOutput();
        system.reset();
    }

    bool OpenSdlOutput() { return OpenSoundOutput(kRate, system->CreateSoundDevice()); }

    // Waits until the thread has rendered `ticks` ticks or several seconds passed.
    static bool WaitForTicks(int ticks) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (test::ticksSeen.load() < ticks) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    std::unique_ptr<platform::System> system;
    const Sample tone = test::MakeTone();
    Song song = test::MakeSong(255);  // 432 frames per tick
};

TEST_F(SdlPlayerTest, NoAudioDriverMeansNoOutput) {
    const char* previous = std::getenv("SDL_AUDIODRIVER");
    const std::string restore = previous != nullptr ? previous : "";
    setenv("SDL_AUDIODRIVER", "none", 1);
    EXPECT_FALSE(OpenSdlOutput());
    EXPECT_EQ(CurrentOutput().sampleRate, 0);
    setenv("SDL_AUDIODRIVER", restore.c_str(), 1);
}

TEST_F(SdlPlayerTest, StartsAndStopsRepeatedly) {
    ASSERT_TRUE(OpenSdlOutput());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(StartPlayback(&song));
        EXPECT_TRUE(PlayerThreadRunning());
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 * 7));
        ASSERT_TRUE(StopPlayback(&song));
        EXPECT_FALSE(PlayerThreadRunning());
        EXPECT_EQ(CurrentSong(), nullptr);
    }
}

TEST_F(SdlPlayerTest, ClosingWhilePlayingEndsTheThread) {
    ASSERT_TRUE(OpenSdlOutput());
    ASSERT_TRUE(StartPlayback(&song));
    CloseSoundOutput();
    EXPECT_FALSE(PlayerThreadRunning());
    EXPECT_EQ(CurrentSong(), nullptr);
}

TEST_F(SdlPlayerTest, ThreadRendersWhatTheOfflineDeviceGets) {
    ASSERT_TRUE(OpenSdlOutput());
    ASSERT_TRUE(StartPlayback(&song));
    // The first ring's ticks, and perhaps a block more if the thread was quick.
    const int firstRing = test::ticksSeen.load();
    EXPECT_GE(firstRing, 88400 / 432 + 1);
    // A little more than a lap (2.2 s, 225 ticks): the device has played
    // blocks the thread rendered.
    ASSERT_TRUE(WaitForTicks(firstRing + 225)) << "the device did not play";
    ASSERT_TRUE(StopPlayback(&song));
    const std::vector<std::int16_t> played(Ring().begin(), Ring().end());
    const int ticks = test::ticksSeen.load();
    const int writeBlock = WriteBlock();
    CloseSoundOutput();

    // The same number of blocks, rendered offline.
    auto offline = std::make_unique<OfflineSoundDevice>();
    ASSERT_TRUE(OpenSoundOutput(kRate, std::move(offline)));
    test::ticksSeen = 0;
    ASSERT_TRUE(StartPlayback(&song));
    for (int blocks = 0; blocks < 1000 && (test::ticksSeen.load() != ticks || WriteBlock() != writeBlock); ++blocks) {
        FillBlock();
    }
    ASSERT_EQ(test::ticksSeen.load(), ticks);
    ASSERT_EQ(WriteBlock(), writeBlock);
    EXPECT_TRUE(std::vector<std::int16_t>(Ring().begin(), Ring().end()) == played);
}

}  // namespace
}  // namespace zint
