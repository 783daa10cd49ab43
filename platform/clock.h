#pragma once
// The one timer of the program: a monotonic counter and its ticks per second.
#include <cstdint>

namespace zint::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Counter() = 0;
    virtual std::int64_t Frequency() = 0;
};

}  // namespace zint::platform
