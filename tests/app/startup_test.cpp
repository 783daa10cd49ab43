#include "app/startup.h"

#include <gtest/gtest.h>

#include "platform/refresh_rates.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::CallLog;
using test::RecordingScene;

struct StartupFixture : ::testing::Test {
    LineUpBuilder LineUp(int loaderFrames) {
        return [this, loaderFrames](SceneList& scenes, platform::Window&) {
            log.push_back("lineup");
            scenes.Append(std::make_unique<RecordingScene>(log, "loader", loaderFrames));
            scenes.Append(std::make_unique<RecordingScene>(log, "effect", 2));
        };
    }

    CallLog log;
    test::FakeSystem system{log};
};

TEST_F(StartupFixture, RunsTheWholeLineUpAndTearsDownOnce) {
    EXPECT_EQ(RunIntro("-windowed", system, LineUp(0)), 0);
    const CallLog expected{"window:640x480:windowed", "lineup", "start:loader",
                           "render:loader", "swap", "update:loader", "start:effect",
                           "render:effect", "swap", "update:effect",
                           "render:effect", "swap", "update:effect", "destroy"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, NoWindowReportsAndBuildsNothing) {
    system.windowCreated = false;
    EXPECT_EQ(RunIntro("", system, LineUp(0)), 0);
    const CallLog expected{"window:640x480:full", "error:Unable to create window"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, FailedLoadingReportsOverTheWindowAndNeverRunsTheLoop) {
    EXPECT_EQ(RunIntro("-windowed", system, LineUp(1)), 0);
    const CallLog expected{"window:640x480:windowed", "lineup", "start:loader",
                           "error(owned):Unable to load data (most likely the codec thing)\r\nInform tov",
                           "destroy"};
    EXPECT_EQ(log, expected);
}

TEST_F(StartupFixture, QuitRunsTheFullShutdown) {
    system.windowEvents = {platform::WindowEvent::Quit};
    EXPECT_EQ(RunIntro("-windowed", system, LineUp(0)), 0);
    EXPECT_EQ(log.back(), "destroy");
    EXPECT_EQ(std::count(log.begin(), log.end(), "render:loader"), 0);
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
