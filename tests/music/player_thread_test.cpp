// The player thread against SDL's audio device (the dummy driver when the
// tests run): starting and stopping, and rendering exactly what an offline
// device gets.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/system.h"
#include "tests/music/player_test_support.h"

namespace zint {
namespace {

using namespace std::chrono_literals;
using namespace test;

// A tick handler that plays a looped saw on voice 0 and changes its pitch and
// both gains on every tick, so that every block differs. Counts the ticks.
inline const Sample toneForTicks = MakeSample(Ramp(100, -30000, 600), kForwardLoop, 0, 100);
inline std::atomic<int> ticksSeen{0};
inline void VaryVoiceEachTick(Song& song) {
    Voice& voice = Voices()[0];
    if (voice.sample == nullptr) PlayVoice(0, toneForTicks, 0, kHalf);
    voice.step = kHalf + static_cast<std::uint64_t>(song.tick % 7) * 0x1000000;
    voice.targetLeft = static_cast<std::uint8_t>(song.tick * 37);
    voice.targetRight = static_cast<std::uint8_t>(255 - song.tick * 11);
    ++song.tick;
    ticksSeen.fetch_add(1, std::memory_order_relaxed);
}


// Starts and stops (by a stop, or by closing the output) at different points;
// then plays a little more than a lap (2.2 s, 225 ticks of 432 frames) past
// the first ring, so that the device has played blocks the thread rendered,
// and renders the same number of blocks offline.
TEST(SdlPlayerTest, StartsStopsAndRendersWhatTheOfflineDeviceGets) {
    UseMemoryFileCallbacks();
    const std::unique_ptr<platform::System> system = platform::CreateSdlSystem();
    const auto openSdl = [&] { return OpenSoundOutput(kRate, system->CreateSoundDevice()); };
    Song song = MakeSong(255);
    song.tickHandler = VaryVoiceEachTick;
    struct Closer {
        ~Closer() { CloseSoundOutput(); }  // before the song goes, even when an assertion ends the test
    } closer;
    ASSERT_TRUE(openSdl());
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(StartPlayback(&song));
        EXPECT_TRUE(PlayerThreadRunning());
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 * 7));
        ASSERT_TRUE(i % 2 == 0 ? StopPlayback(&song) : (CloseSoundOutput(), openSdl()));
        EXPECT_FALSE(PlayerThreadRunning());
        EXPECT_EQ(CurrentSong(), nullptr);
    }
    ticksSeen = 0;
    ASSERT_TRUE(StartPlayback(&song));
    const int target = ticksSeen.load() + 225;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (ticksSeen.load() < target && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    ASSERT_GE(ticksSeen.load(), target) << "the device did not play";
    ASSERT_TRUE(StopPlayback(&song));
    const std::vector<std::int16_t> played(Ring().begin(), Ring().end());
    const int ticks = ticksSeen.load(), writeBlock = WriteBlock();

    ASSERT_TRUE(OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>()));
    ticksSeen = 0;
    ASSERT_TRUE(StartPlayback(&song));
    for (int blocks = 0; blocks < 1000 && (ticksSeen.load() != ticks || WriteBlock() != writeBlock); ++blocks) {
        FillBlock();
    }
    ASSERT_EQ(ticksSeen.load(), ticks);
    EXPECT_TRUE(std::vector<std::int16_t>(Ring().begin(), Ring().end()) == played);
}

}  // namespace
}  // namespace zint
