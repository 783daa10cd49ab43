// The whole start-up on fakes: the order of window, music, line-up, loading
// verdict, main loop and shutdown on every path, and the command line.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/command_line.h"
#include "data/items.h"
#include "platform/refresh_rates.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::CallLog;

struct StartupTest : ::testing::Test {
    Production WithLoader(int loaderFrames) {
        return {[this, loaderFrames](SceneList& scenes, platform::Window&) {
                    log.push_back("lineup");
                    scenes.Append(std::make_unique<test::RecordingScene>(log, "loader", loaderFrames));
                    scenes.Append(std::make_unique<test::RecordingScene>(log, "effect", 2));
                },
                data::ItemSpan(data::musicModule)};
    }

    CallLog log;
    test::FakeSystem system{log};
};

TEST_F(StartupTest, PlaysTheMusicFromTheLoadersSuccessToTheShutdown) {
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    EXPECT_EQ(log, (CallLog{"window:640x480:windowed", "sound:open", "lineup", "start:loader", "sound:reset",
                            "sound:play", "render:loader", "swap", "update:loader", "start:effect",
                            "render:effect", "swap", "update:effect", "render:effect", "swap",
                            "update:effect", "sound:reset", "destroy"}));
}

TEST_F(StartupTest, EveryFailureReportsAsItShouldAndReturnsZero) {
    system.windowCreated = false;
    EXPECT_EQ(RunIntro("", system, WithLoader(0)), 0);
    EXPECT_EQ(log, (CallLog{"window:640x480:full", "error:Unable to create window"}));

    log.clear();
    system.windowCreated = true;
    system.soundDeviceOpens = false;
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    EXPECT_EQ(log,
              (CallLog{"window:640x480:windowed", "sound:open", "destroy", "error:Unable to create player"}));

    log.clear();
    system.soundDeviceOpens = true;
    const std::vector<std::uint8_t> notAModule(100, 0x42);
    Production refused = WithLoader(0);
    refused.module = notAModule;
    EXPECT_EQ(RunIntro("-windowed", system, refused), 0);
    EXPECT_EQ(log, (CallLog{"window:640x480:windowed", "sound:open", "sound:reset", "destroy"}));

    log.clear();
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(1)), 0);
    EXPECT_EQ(log, (CallLog{"window:640x480:windowed", "sound:open", "lineup", "start:loader",
                            "error(owned):Unable to load data (most likely the codec thing)\r\nInform tov",
                            "destroy", "sound:reset"}));
}

TEST_F(StartupTest, QuitRunsTheFullShutdown) {
    system.windowEvents = {platform::WindowEvent::Quit};
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "render:loader"), 0);
    EXPECT_EQ(CallLog(log.end() - 3, log.end()), (CallLog{"event:quit", "sound:reset", "destroy"}));
}

TEST(CommandLineTest, WindowedIsACaseSensitivePrefixOfTheJoinedArguments) {
    for (const char* line : {"", "-fullscreen", "-Windowed", "-window", " -windowed"}) {
        EXPECT_TRUE(WantsFullScreen(line)) << line;
    }
    for (const char* line : {"-windowed", "-windowedplease", "-windowed extra words"}) {
        EXPECT_FALSE(WantsFullScreen(line)) << line;
    }
    char program[] = "zint";
    char first[] = "-windowed";
    char second[] = "x";
    char* argv[] = {program, first, second};
    EXPECT_EQ(CommandLineFromArguments(1, argv), "");
    EXPECT_EQ(CommandLineFromArguments(3, argv), "-windowed x");
}

TEST(RefreshRatesTest, TriesEachRateInOrderUntilOneIsAccepted) {
    const std::vector<int> all{85, 75, 70, 0};
    for (const auto& [accepting, result, tries] : {std::tuple{75, 75, 2}, {0, 0, 4}, {-1, -1, 4}}) {
        std::vector<int> tried;
        EXPECT_EQ(platform::WalkRefreshRates([&](int rate) {
                      tried.push_back(rate);
                      return rate == accepting;
                  }),
                  result);
        EXPECT_EQ(tried, std::vector<int>(all.begin(), all.begin() + tries));
    }
}

}  // namespace
}  // namespace zint
