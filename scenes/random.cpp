#include "scenes/random.h"

namespace zint {

namespace {

// A 32-bit linear congruential generator whose upper bits are the result;
// its low bits are too regular to hand out.
constexpr std::uint32_t kMultiplier = 1103515245u;
constexpr std::uint32_t kIncrement = 12345u;
constexpr std::uint32_t kDefaultSeed = 1u;

std::uint32_t state = kDefaultSeed;

}  // namespace

int Rand() {
    state = state * kMultiplier + kIncrement;
    return static_cast<int>((state / 65536u) % (kRandMax + 1u));
}

void SeedRand(std::uint32_t seed) { state = seed; }

}  // namespace zint
