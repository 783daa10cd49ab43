// The whole start-up on fakes: the order of window, music, line-up, loading
// verdict, main loop and shutdown on every path, and the command line.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "app/command_line.h"
#include "data/items.h"
#include "platform/refresh_rates.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::CallLog;

struct StartupTest : ::testing::Test {
    // The log of one whole run: a loader that finishes (succeeds) after
    // loaderFrames updates, then an effect of two frames.
    CallLog Run(const char* commandLine, int loaderFrames = 0,
                std::span<const std::uint8_t> module = data::ItemSpan(data::musicModule)) {
        log.clear();
        const Production production{
            [this, loaderFrames](SceneList& scenes, platform::Window&) {
                log.push_back("lineup");
                scenes.Append(std::make_unique<test::RecordingScene>(log, "loader", loaderFrames));
                scenes.Append(std::make_unique<test::RecordingScene>(log, "effect", 2));
            },
            module};
        EXPECT_EQ(RunIntro(commandLine, system, production), 0);
        return log;
    }

    CallLog log;
    test::FakeSystem system{log};
};

TEST_F(StartupTest, PlaysTheMusicFromTheLoadersSuccessToTheShutdown) {
    EXPECT_EQ(Run("-windowed"),
              (CallLog{"window:640x480:windowed", "sound:open", "lineup", "start:loader", "sound:reset", "sound:play",
                       "render:loader", "swap", "update:loader", "start:effect", "render:effect", "swap",
                       "update:effect", "render:effect", "swap", "update:effect", "sound:reset", "destroy"}));
    system.windowEvents = {platform::WindowEvent::Quit};
    EXPECT_EQ(Run("-windowed"), (CallLog{"window:640x480:windowed", "sound:open", "lineup", "start:loader",
                                         "sound:reset", "sound:play", "event:quit", "sound:reset", "destroy"}))
        << "quit runs the full shutdown";
}

TEST_F(StartupTest, EveryFailureReportsAsItShould) {
    system.windowCreated = false;
    EXPECT_EQ(Run(""), (CallLog{"window:640x480:full", "error:Unable to create window"}));
    system.windowCreated = true;
    system.soundDeviceOpens = false;
    EXPECT_EQ(Run("-windowed"),
              (CallLog{"window:640x480:windowed", "sound:open", "destroy", "error:Unable to create player"}));
    system.soundDeviceOpens = true;
    const std::vector<std::uint8_t> notAModule(100, 0x42);
    EXPECT_EQ(Run("-windowed", 0, notAModule),
              (CallLog{"window:640x480:windowed", "sound:open", "sound:reset", "destroy"}));
    EXPECT_EQ(Run("-windowed", 1),
              (CallLog{"window:640x480:windowed", "sound:open", "lineup", "start:loader",
                       "error(owned):Unable to load data (most likely the codec thing)\r\nInform tov", "destroy",
                       "sound:reset"}));
}

TEST(CommandLineTest, WindowedIsACaseSensitivePrefixOfTheJoinedArguments) {
    for (const auto& [line, full] : {std::pair{"", true}, {"-fullscreen", true}, {"-Windowed", true}, {"-window", true},
                                     {" -windowed", true}, {"-windowed", false}, {"-windowedplease", false},
                                     {"-windowed extra words", false}}) {
        EXPECT_EQ(WantsFullScreen(line), full) << line;
    }
    std::string words[] = {"zint", "-windowed", "x"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data()};
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
