#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/scene_list.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

TEST(SceneList, GrowsByFourFromSixteenAndKeepsOrder) {
    test::CallLog log;
    SceneList list;
    EXPECT_EQ(list.Capacity(), 16u);
    std::vector<Scene*> added;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 25; ++i) {
        auto scene = std::make_unique<test::RecordingScene>(log, std::to_string(i), 1);
        added.push_back(scene.get());
        list.Append(std::move(scene));
        capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities[15], 16u);
    EXPECT_EQ(capacities[16], 20u);
    EXPECT_EQ(capacities[19], 20u);
    EXPECT_EQ(capacities[20], 24u);
    EXPECT_EQ(capacities[24], 28u);
    ASSERT_EQ(list.Count(), 25u);
    for (std::size_t i = 0; i < added.size(); ++i) EXPECT_EQ(&list[i], added[i]);
}

TEST(PauseScene, FinishesOnlyWhenElapsedExceedsItsDuration) {
    PauseScene pause(1.0f);
    pause.Start();
    EXPECT_FALSE(pause.IsFinished());
    pause.Update(0.5f);
    pause.Update(0.5f);
    EXPECT_EQ(pause.elapsed, 1.0f);
    EXPECT_FALSE(pause.IsFinished()) << "exactly the duration is not finished";
    pause.Update(1e-6f);
    EXPECT_TRUE(pause.IsFinished());
}

TEST(PauseScene, OneLongFrameFinishesItAndStartResetsTheTime) {
    PauseScene pause(1.0f);
    pause.Start();
    pause.Update(5.0f);
    EXPECT_TRUE(pause.IsFinished());
    pause.Start();
    EXPECT_EQ(pause.elapsed, 0.0f);
    EXPECT_FALSE(pause.IsFinished());
}

TEST(CommandLine, WindowedIsACaseSensitivePrefix) {
    EXPECT_TRUE(WantsFullScreen(""));
    EXPECT_TRUE(WantsFullScreen("-fullscreen"));
    EXPECT_TRUE(WantsFullScreen("-Windowed"));
    EXPECT_TRUE(WantsFullScreen("-window"));
    EXPECT_TRUE(WantsFullScreen(" -windowed"));
    EXPECT_FALSE(WantsFullScreen("-windowed"));
    EXPECT_FALSE(WantsFullScreen("-windowedplease"));
    EXPECT_FALSE(WantsFullScreen("-windowed extra words"));
}

}  // namespace
}  // namespace zint
