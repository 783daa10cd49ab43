#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "tests/support/fakes.h"

namespace zint {
namespace {

using test::CallLog;
using test::FakeClock;
using test::RecordingScene;
using test::ScriptedWindow;
using platform::WindowEvent;

struct LoopFixture : ::testing::Test {
    RecordingScene& Add(const std::string& name, int frames) {
        auto scene = std::make_unique<RecordingScene>(log, name, frames);
        RecordingScene& ref = *scene;
        scenes.Append(std::move(scene));
        return ref;
    }

    CallLog log;
    SceneList scenes;
    FakeClock clock;
    ScriptedWindow window{log};
};

TEST_F(LoopFixture, RendersBeforeUpdatingAndHandsOverWithoutAnExtraFrame) {
    Add("a", 2);
    Add("b", 1);
    scenes[0].Start();

    EXPECT_EQ(RunMainLoop(scenes, window, clock), LoopEnd::LastSceneFinished);

    const CallLog expected{"start:a", "render:a", "swap", "update:a", "render:a", "swap", "update:a",
                           "start:b", "render:b", "swap", "update:b"};
    EXPECT_EQ(log, expected);
}

TEST_F(LoopFixture, LastSceneEndsTheLoopInTheSameIteration) {
    Add("only", 3);
    scenes[0].Start();
    RunMainLoop(scenes, window, clock);
    // Three frames and then no further poll for a fourth.
    EXPECT_EQ(window.polls, 3);
}

TEST_F(LoopFixture, PassesTheClockSecondsAsFloat) {
    RecordingScene& scene = Add("a", 3);
    clock.frequency = 3;
    clock.steps = {100, 1, 2, 3};  // the first read is the starting point
    scenes[0].Start();
    RunMainLoop(scenes, window, clock);
    ASSERT_EQ(scene.updates.size(), 3u);
    EXPECT_EQ(scene.updates[0], static_cast<float>(1.0 / 3.0));
    EXPECT_EQ(scene.updates[1], static_cast<float>(2.0 / 3.0));
    EXPECT_EQ(scene.updates[2], 1.0f);
}

TEST_F(LoopFixture, AnEventIsHandledAloneWithoutDrawing) {
    Add("a", 1);
    scenes[0].Start();
    window.events = {WindowEvent::Other, WindowEvent::Other};
    RunMainLoop(scenes, window, clock);
    const CallLog expected{"start:a", "event:other", "event:other", "render:a", "swap", "update:a"};
    EXPECT_EQ(log, expected);
}

TEST_F(LoopFixture, QuitInTheMiddleOfASceneLeavesAtTheNextCheck) {
    RecordingScene& a = Add("a", 1000);
    RecordingScene& b = Add("b", 1000);
    scenes[0].Start();
    window.events = {WindowEvent::Other, WindowEvent::Quit, WindowEvent::Other};

    EXPECT_EQ(RunMainLoop(scenes, window, clock), LoopEnd::QuitRequested);
    EXPECT_TRUE(a.updates.empty());
    EXPECT_EQ(b.starts, 0);
    EXPECT_EQ(window.events.size(), 1u);
}

TEST_F(LoopFixture, EachSceneStartsOnceAndOnlyWhenCurrent) {
    RecordingScene& a = Add("a", 1);
    RecordingScene& b = Add("b", 4);
    RecordingScene& c = Add("c", 1);
    scenes[0].Start();
    RunMainLoop(scenes, window, clock);
    EXPECT_EQ(a.starts, 1);
    EXPECT_EQ(b.starts, 1);
    EXPECT_EQ(c.starts, 1);
    // b had started before its first render, and c only after b's last update.
    const auto at = [&](const std::string& word) { return std::find(log.begin(), log.end(), word) - log.begin(); };
    EXPECT_LT(at("start:b"), at("render:b"));
    EXPECT_LT(at("update:b") + 6, at("start:c"));
}

}  // namespace
}  // namespace zint
