#pragma once
// π and its multiples as single-precision values: scene arithmetic is in
// 32-bit floats, and the pictures depend on these exact roundings.
namespace zint {

inline constexpr float kPi = 3.1415927f;
inline constexpr float kHalfPi = 1.5707964f;
inline constexpr float kTwoPi = 2.0f * kPi;

}  // namespace zint
