// The production's own module, as the program carries it, loads whole
// through the memory file, with nothing to mend.
#include <gtest/gtest.h>

#include "data/items.h"
#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

TEST(ProductionModuleTest, LoadsWithNothingToMendAndConsumesExactlyItsBytes) {
    const auto embedded = data::ItemSpan(data::musicModule);
    const test::Bytes bytes(embedded.begin(), embedded.end());
    ASSERT_EQ(bytes, test::ReadFile(ZINT_PRODUCTION_MODULE)) << "the embedded item is data/module.xm";
    const test::LoadResult loaded = test::LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.repairs, 0u);
    EXPECT_EQ(loaded.endPosition, bytes.size());
    test::ExpectPlayable(*loaded.song);

    const Song& song = *loaded.song;
    EXPECT_EQ(song.channelCount, 32);
    EXPECT_EQ(song.patternSlotCount, 10);
    EXPECT_EQ(song.songLength, 10);
    EXPECT_EQ(song.restartPosition, 0);
    EXPECT_EQ(song.songFlags & 1, 1);
    EXPECT_EQ(song.defaultSpeed, 6);
    EXPECT_EQ(song.defaultBpm, 108);
}

}  // namespace
}  // namespace zint
