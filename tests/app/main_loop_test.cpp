// The main loop and the scene list, driven by fakes: the call order of a
// frame, the hand-over between scenes, events, quit, and the clock's seconds.
#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "tests/support/fakes.h"

namespace zint {
namespace {

using platform::WindowEvent;
using test::CallLog;
using test::RecordingScene;

struct MainLoopTest : ::testing::Test {
    // Scenes of the given names and frame counts, the first started as the start-up does.
    LoopEnd Run(std::initializer_list<std::pair<const char*, int>> lineUp) {
        for (const auto& [name, frames] : lineUp) scenes.Append(std::make_unique<RecordingScene>(log, name, frames));
        scenes[0].Start();
        return RunMainLoop(scenes, window, clock);
    }
    const std::vector<float>& Updates(std::size_t scene) { return static_cast<RecordingScene&>(scenes[scene]).updates; }

    CallLog log;
    SceneList scenes;
    test::FakeClock clock{3};
    test::ScriptedWindow window{log};
};

TEST_F(MainLoopTest, RendersBeforeUpdatingByTheClocksSecondsAndHandsOverWithoutAnExtraFrame) {
    window.events = {WindowEvent::Other};
    clock.steps = {100, 1, 2, 3};  // the first read is the starting point
    EXPECT_EQ(Run({{"a", 2}, {"b", 1}}), LoopEnd::LastSceneFinished);
    // An event is handled alone, without drawing; the last scene ends the
    // loop in the iteration that finished it, with no further poll.
    EXPECT_EQ(log, (CallLog{"start:a", "event:other", "render:a", "swap", "update:a", "render:a", "swap", "update:a",
                            "start:b", "render:b", "swap", "update:b"}));
    EXPECT_EQ(window.polls, 4);
    EXPECT_EQ(std::pair(Updates(0), Updates(1)),
              std::pair(std::vector<float>{static_cast<float>(1.0 / 3.0), static_cast<float>(2.0 / 3.0)},
                        std::vector<float>{1.0f}));
}

TEST_F(MainLoopTest, QuitLeavesAtOnceWithTheRestOfTheEventsUnread) {
    window.events = {WindowEvent::Other, WindowEvent::Quit, WindowEvent::Other};
    EXPECT_EQ(Run({{"a", 1000}, {"b", 1000}}), LoopEnd::QuitRequested);
    EXPECT_EQ(log, (CallLog{"start:a", "event:other", "event:quit"}));
    EXPECT_EQ(window.events.size(), 1u);
}

TEST_F(MainLoopTest, TheSceneListGrowsByFourFromSixteenAndKeepsOrder) {
    std::vector<std::size_t> capacities{scenes.Capacity()};
    for (int i = 0; i < 25; ++i) {
        scenes.Append(std::make_unique<RecordingScene>(log, std::to_string(i), 1));
        capacities.push_back(scenes.Capacity());
    }
    EXPECT_EQ(std::vector<std::size_t>({capacities[0], capacities[16], capacities[17], capacities[21], capacities[25]}),
              std::vector<std::size_t>({16, 16, 20, 24, 28}));
    ASSERT_EQ(scenes.Count(), 25u);
    for (std::size_t i = 0; i < 25; ++i) EXPECT_EQ(static_cast<RecordingScene&>(scenes[i]).name, std::to_string(i));
}

TEST(PauseSceneTest, FinishesOnlyWhenElapsedExceedsItsDuration) {
    PauseScene pause(1.0f);
    pause.Start();
    pause.Update(0.5f);
    pause.Update(0.5f);
    EXPECT_FALSE(pause.IsFinished()) << "exactly the duration is not finished";
    pause.Update(1e-6f);
    EXPECT_TRUE(pause.IsFinished());
    pause.Start();
    EXPECT_FALSE(pause.IsFinished());
    pause.Update(5.0f);  // one long frame
    EXPECT_TRUE(pause.IsFinished());
}

}  // namespace
}  // namespace zint
