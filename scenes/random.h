#pragma once
// The program's one pseudo-random sequence, shared by every scene that wants
// noise. Results are 0..kRandMax whatever the C library's rand() would give,
// so the pictures do not depend on the platform. Never reseeded by the
// program itself; only the texture operations that take a seed reseed it.
#include <cstdint>

namespace zint {

inline constexpr int kRandMax = 32767;

// The next value of the sequence, 0..kRandMax.
int Rand();

// Restarts the sequence; seed 1 gives the sequence the program starts with.
void SeedRand(std::uint32_t seed);

}  // namespace zint
