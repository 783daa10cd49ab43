#pragma once
#include <string_view>

namespace zint {

inline constexpr std::string_view kWindowedSwitch = "-windowed";

// The command line is the text after the program's name. Anything that
// starts with "-windowed" (case-sensitive) asks for a window.
inline bool WantsFullScreen(std::string_view commandLine) {
    return !commandLine.starts_with(kWindowedSwitch);
}

}  // namespace zint
