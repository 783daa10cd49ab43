// Whole songs rendered as xmrender renders them: where the sound starts,
// where a render that follows the order sequence ends, and the production's
// module heard throughout and played twice the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "data/items.h"
#include "tests/music/player_test_support.h"
#include "tests/music/render_test_support.h"

namespace zint {
namespace {

using namespace test;

std::vector<std::int16_t> Rendered(const std::vector<Rows>& patterns, double seconds, int rate = 44100,
                                   bool untilRepeat = true) {
    return Render(*LoadFromBytes(ModuleOf(patterns).Build()).song, seconds, untilRepeat, rate);
}

TEST(RenderTest, FromTheFirstFrameOfTheFirstTickUntilTheOrderSequenceComesBackToAPositionItPlayed) {
    // A note on row 1: six ticks of 882 frames of silence, then a gain ramp
    // that starts from 0 on its first frame.
    Rows rows = EmptyRows(4);
    rows[1] = {{kC4, 1}};
    const std::vector<std::int16_t> samples = Rendered({rows}, 0.5, 44100, false);
    ASSERT_EQ(samples.size(), 2u * 22050);
    const auto sound = std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; });
    EXPECT_EQ((sound - samples.begin()) / 2, 6 * 882 + 1);

    EXPECT_EQ(Rendered({EmptyRows(4), EmptyRows(4)}, 60).size(), 2u * (2 * 4 * 6 * 882));
    EXPECT_EQ(Rendered({EmptyRows(4), EmptyRows(4)}, 60, 22050).size(), 2u * (2 * 4 * 6 * 441));
    EXPECT_EQ(Rendered({EmptyRows(4), EmptyRows(4)}, 0.25).size(), 2u * 11025);  // the length given comes first
    // Entry 0 jumps to 1 on its row 1, entry 1 to itself on its row 2: 5 rows.
    Rows first = EmptyRows(4), second = EmptyRows(4);
    first[1] = {{0, 0, 0, 0xB, 0x01}};
    second[2] = {{0, 0, 0, 0xB, 0x01}};
    EXPECT_EQ(Rendered({first, second}, 60).size(), 2u * (5 * 6 * 882));
}

// The embedded module is data/module.xm, and loads whole with nothing to
// mend. Listening in numbers: the whole song, as long as the scenes it plays
// under, is never silent for a second, uses the range without clipping, and
// plays the same every time.
TEST(RenderTest, TheProductionModuleLoadsWholeAndIsHeardThroughoutNearFullScale) {
    const auto embedded = data::ItemSpan(data::musicModule);
    const Bytes bytes(embedded.begin(), embedded.end());
    ASSERT_EQ(bytes, ReadFile(ZINT_PRODUCTION_MODULE));
    LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(std::pair(loaded.repairs, loaded.endPosition), std::pair(0u, static_cast<std::uint32_t>(bytes.size())));
    ExpectPlayable(*loaded.song);
    const Song& read = *loaded.song;
    EXPECT_EQ(std::vector<int>({read.channelCount, read.patternSlotCount, read.songLength, read.restartPosition,
                                read.songFlags & 1, read.defaultSpeed, read.defaultBpm}),
              std::vector<int>({32, 10, 10, 0, 1, 6, 108}));
    const std::vector<std::int16_t> song = Render(*loaded.song, 600, true);
    const double seconds = static_cast<double>(song.size()) / 2 / 44100;
    EXPECT_TRUE(seconds > 70.0 && seconds < 76.0) << seconds << " s, against the line-up's length";
    constexpr std::size_t kSecond = 2 * 44100;
    for (std::size_t start = 0; start + kSecond <= song.size(); start += kSecond) {
        double energy = 0;
        for (std::size_t i = start; i < start + kSecond; ++i) energy += double(song[i]) * song[i];
        EXPECT_GT(10 * std::log10(energy / kSecond / (32768.0 * 32768.0) + 1e-20), -40.0) << start / kSecond;
    }
    const auto [low, high] = std::minmax_element(song.begin(), song.end());
    EXPECT_GT(20 * std::log10(std::max(-int(*low), int(*high)) / 32768.0), -4.0);
    EXPECT_LE(std::count_if(song.begin(), song.end(), [](std::int16_t s) { return s == 32767 || s == -32768; }), 8);
    EXPECT_EQ(Render(*loaded.song, 600, true), song);
}

}  // namespace
}  // namespace zint
