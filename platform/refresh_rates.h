#pragma once
// Full-screen mode selection: the rates tried in order, 0 meaning the
// display's default rate, -1 ending the list.
#include <array>

namespace zint::platform {

inline constexpr std::array<int, 5> RefreshRates{85, 75, 70, 0, -1};

// Calls trySetMode(rate) for each listed rate until one succeeds; returns the
// rate that was accepted, or -1 when none was.
template <typename TrySetMode>
int WalkRefreshRates(TrySetMode&& trySetMode) {
    for (int rate : RefreshRates) {
        if (rate < 0) break;
        if (trySetMode(rate)) return rate;
    }
    return -1;
}

}  // namespace zint::platform
