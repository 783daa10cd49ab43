// Whole songs rendered as xmrender renders them: where the sound starts,
// where a render that follows the order sequence ends, and the production's
// module played twice the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/music/render_test_support.h"
#include "tests/music/tick_test_support.h"

namespace zint {
namespace {

using test::kC4;
using test::ModuleOf;
using test::Row;

std::vector<Row> EmptyRows(int count) { return std::vector<Row>(static_cast<std::size_t>(count)); }

std::unique_ptr<Song> Loaded(const test::XmModule& module) {
    test::LoadResult loaded = test::LoadFromBytes(module.Build());
    EXPECT_NE(loaded.song, nullptr);
    return std::move(loaded.song);
}

std::size_t FirstSoundingFrame(const std::vector<std::int16_t>& samples) {
    const auto sound = std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; });
    return static_cast<std::size_t>(sound - samples.begin()) / 2;
}

TEST(RenderTest, TheFirstFrameIsTheFirstFrameOfTheFirstTick) {
    // A note on row 1: six ticks of 882 frames of silence, then a gain ramp
    // that starts from 0 on its first frame.
    std::vector<Row> rows = EmptyRows(4);
    rows[1] = {{kC4, 1}};
    const std::unique_ptr<Song> song = Loaded(ModuleOf({rows}));
    const std::vector<std::int16_t> samples = test::Render(*song, 0.5);
    ASSERT_EQ(samples.size(), 2u * 22050);
    EXPECT_EQ(FirstSoundingFrame(samples), 6u * 882 + 1);
}

TEST(RenderTest, UntilTheOrderSequenceComesBackToAPositionItPlayed) {
    test::XmModule module = ModuleOf({EmptyRows(4), EmptyRows(4)});
    const std::unique_ptr<Song> song = Loaded(module);
    EXPECT_EQ(test::Render(*song, 60, true).size(), 2u * (2 * 4 * 6 * 882));
    EXPECT_EQ(test::Render(*song, 60, true, 22050).size(), 2u * (2 * 4 * 6 * 441));
    EXPECT_EQ(test::Render(*song, 0.25, true).size(), 2u * 11025);  // the length given comes first
    EXPECT_EQ(song->tickHandler, SongTick);

    // Entry 0 jumps to 1 on its row 1, entry 1 to itself on its row 2: 5 rows.
    std::vector<Row> first = EmptyRows(4), second = EmptyRows(4);
    first[1] = {{0, 0, 0, 0xB, 0x01}};
    second[2] = {{0, 0, 0, 0xB, 0x01}};
    const std::unique_ptr<Song> jumping = Loaded(ModuleOf({first, second}));
    EXPECT_EQ(test::Render(*jumping, 60, true).size(), 2u * (5 * 6 * 882));
}

// Listening in numbers: the whole song, as long as the scenes it plays under,
// is never silent for a second, uses the range without clipping, and plays
// the same every time.
TEST(RenderTest, TheProductionModuleIsHeardThroughoutNearFullScale) {
    test::LoadResult loaded = test::LoadFromBytes(test::ReadFile(ZINT_PRODUCTION_MODULE));
    ASSERT_NE(loaded.song, nullptr);
    const std::vector<std::int16_t> song = test::Render(*loaded.song, 600, true);
    const double seconds = static_cast<double>(song.size()) / 2 / 44100;
    EXPECT_GT(seconds, 70.0) << "shorter than the line-up";
    EXPECT_LT(seconds, 76.0);

    constexpr std::size_t kSecond = 2 * 44100;
    for (std::size_t start = 0; start + kSecond <= song.size(); start += kSecond) {
        double energy = 0;
        for (std::size_t i = start; i < start + kSecond; ++i) energy += double(song[i]) * song[i];
        const double rmsDb = 10 * std::log10(energy / kSecond / (32768.0 * 32768.0) + 1e-20);
        EXPECT_GT(rmsDb, -40.0) << "second " << start / kSecond << " is all but silent";
    }

    const auto [low, high] = std::minmax_element(song.begin(), song.end());
    const int peak = std::max(-int(*low), int(*high));
    EXPECT_GT(20 * std::log10(peak / 32768.0), -4.0) << "peak " << peak;
    const auto clipped = std::count_if(song.begin(), song.end(), [](std::int16_t s) { return s == 32767 || s == -32768; });
    EXPECT_LE(clipped, 8);

    EXPECT_EQ(test::Render(*loaded.song, 600, true), song);
}

}  // namespace
}  // namespace zint
