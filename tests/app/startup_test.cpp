#include "app/startup.h"

#include <gtest/gtest.h>

#include "data/items.h"
#include "platform/refresh_rates.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::CallLog;
using test::RecordingScene;

struct StartupFixture : ::testing::Test {
    Production WithLoader(int loaderFrames) {
        return {[this, loaderFrames](SceneList& scenes, platform::Window&) {
                    log.push_back("lineup");
                    scenes.Append(std::make_unique<RecordingScene>(log, "loader", loaderFrames));
                    scenes.Append(std::make_unique<RecordingScene>(log, "effect", 2));
                },
                data::ItemSpan(data::musicModule)};
    }

    CallLog log;
    test::FakeSystem system{log};
};

TEST_F(StartupFixture, PlaysTheMusicFromTheLoadersSuccessToTheShutdown) {
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    const CallLog expected{"window:640x480:windowed", "sound:open", "lineup", "start:loader",
                           "sound:reset", "sound:play",
                           "render:loader", "swap", "update:loader", "start:effect",
                           "render:effect", "swap", "update:effect",
                           "render:effect", "swap", "update:effect",
                           "sound:reset", "destroy"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, NoWindowReportsAndPreparesNothing) {
    system.windowCreated = false;
    EXPECT_EQ(RunIntro("", system, WithLoader(0)), 0);
    const CallLog expected{"window:640x480:full", "error:Unable to create window"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, NoSoundOutputReportsAfterTheWindowIsGoneAndBuildsNoScene) {
    system.soundDeviceOpens = false;
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    const CallLog expected{"window:640x480:windowed", "sound:open", "destroy", "error:Unable to create player"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, ARefusedModuleEndsWithoutAMessage) {
    const std::vector<std::uint8_t> notAModule(100, 0x42);
    Production production = WithLoader(0);
    production.module = notAModule;
    EXPECT_EQ(RunIntro("-windowed", system, production), 0);
    const CallLog expected{"window:640x480:windowed", "sound:open", "sound:reset", "destroy"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, FailedLoadingReportsOverTheWindowAndNeverStartsTheMusic) {
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(1)), 0);
    const CallLog expected{"window:640x480:windowed", "sound:open", "lineup", "start:loader",
                           "error(owned):Unable to load data (most likely the codec thing)\r\nInform tov",
                           "destroy", "sound:reset"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, QuitRunsTheFullShutdown) {
    system.windowEvents = {platform::WindowEvent::Quit};
    EXPECT_EQ(RunIntro("-windowed", system, WithLoader(0)), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "render:loader"), 0);
    const CallLog tail(log.end() - 3, log.end());
    EXPECT_EQ(tail, (CallLog{"event:quit", "sound:reset", "destroy"}));
}

TEST(RefreshRates, TriesEachRateInOrderUntilOneIsAccepted) {
    std::vector<int> tried;
    const int accepted = platform::WalkRefreshRates([&](int rate) {
        tried.push_back(rate);
        return rate == 75;
    });
    EXPECT_EQ(accepted, 75);
    EXPECT_EQ(tried, (std::vector<int>{85, 75}));

    tried.clear();
    EXPECT_EQ(platform::WalkRefreshRates([&](int rate) {
                  tried.push_back(rate);
                  return rate == 0;
              }),
              0);
    EXPECT_EQ(tried, (std::vector<int>{85, 75, 70, 0}));

    tried.clear();
    EXPECT_EQ(platform::WalkRefreshRates([&](int rate) {
                  tried.push_back(rate);
                  return false;
              }),
              -1);
    EXPECT_EQ(tried, (std::vector<int>{85, 75, 70, 0}));
}

TEST(CommandLine, ArgumentsAreJoinedByBlanks) {
    char program[] = "zint";
    char first[] = "-windowed";
    char second[] = "x";
    char* argv[] = {program, first, second};
    EXPECT_EQ(CommandLineFromArguments(1, argv), "");
    EXPECT_EQ(CommandLineFromArguments(3, argv), "-windowed x");
}

}  // namespace
}  // namespace zint
