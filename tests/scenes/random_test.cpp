#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "scenes/random.h"

namespace zint {
namespace {

std::vector<int> Draws(int count) {
    std::vector<int> values(count);
    for (int& value : values) value = Rand();
    return values;
}

TEST(Random, SeedOneGivesTheClassicFifteenBitSequence) {
    SeedRand(1);
    EXPECT_EQ(Draws(10), (std::vector<int>{16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086}));
}

TEST(Random, ReseedingRestartsTheSequenceAndSeedsDiffer) {
    SeedRand(42);
    const std::vector<int> first = Draws(100);
    SeedRand(42);
    EXPECT_EQ(Draws(100), first);
    SeedRand(43);
    EXPECT_NE(Draws(100), first);
}

TEST(Random, ResultsSpanZeroToThirtyTwoThousandSevenHundredSixtySeven) {
    SeedRand(7);
    const std::vector<int> values = Draws(1 << 20);
    const auto [low, high] = std::ranges::minmax(values);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, kRandMax);
}

}  // namespace
}  // namespace zint
