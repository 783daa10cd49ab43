#pragma once
// The command line of xmrender.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zint::xmrender {

inline constexpr int kDefaultRate = 44100;
inline constexpr double kMaxSeconds = 600.0;  // nothing renders longer than 10 minutes

struct RenderOptions {
    std::string input;
    std::string output;
    std::optional<double> seconds;  // none: until the order sequence repeats
    int rate = kDefaultRate;
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program's name; false, with error set, on
// anything it does not understand.
bool ParseOptions(std::span<const std::string_view> arguments, RenderOptions& options, std::string& error);

std::string HelpText();

}  // namespace zint::xmrender
