#include "tools/xmrender/options.h"

#include <charconv>
#include <cmath>

#include "music/player.h"

namespace zint::xmrender {

namespace {

bool ParseRate(std::string_view text, int& rate) {
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), rate);
    return status == std::errc() && end == text.data() + text.size() && rate >= kMinSampleRate &&
           rate <= kMaxSampleRate;
}

bool ParseSeconds(std::string_view text, double& seconds) {
    const auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    return status == std::errc() && end == text.data() + text.size() && std::isfinite(seconds) && seconds > 0.0 &&
           seconds <= kMaxSeconds;
}

// Applies --seconds or --rate.
bool ApplyValue(std::string_view name, std::string_view value, RenderOptions& options, std::string& error) {
    if (name == "--seconds") {
        double seconds = 0.0;
        if (ParseSeconds(value, seconds)) {
            options.seconds = seconds;
        } else {
            error = "--seconds takes a number of seconds above 0 and at most 600";
        }
    } else if (!ParseRate(value, options.rate)) {
        error = "--rate takes a whole number of Hz from " + std::to_string(kMinSampleRate) + " to " +
                std::to_string(kMaxSampleRate);
    }
    return error.empty();
}

bool TakeFileName(std::string_view argument, RenderOptions& options, std::string& error) {
    if (options.input.empty()) {
        options.input = argument;
    } else if (options.output.empty()) {
        options.output = argument;
    } else {
        error = "unexpected argument " + std::string(argument);
    }
    return error.empty();
}

}  // namespace

bool ParseOptions(std::span<const std::string_view> arguments, RenderOptions& options, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (!name.starts_with("--")) {
            if (!TakeFileName(name, options, error)) return false;
            continue;
        }
        std::string_view value;
        const std::size_t equals = name.find('=');
        if (equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name != "--seconds" && name != "--rate") {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (equals == std::string_view::npos) {
            if (i + 1 == arguments.size()) {
                error = std::string(name) + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (!ApplyValue(name, value, options, error)) return false;
    }
    if (!options.help && !options.version && options.output.empty()) {
        error = options.input.empty() ? "needs an XM file and a WAV file" : "needs a WAV file to write";
        return false;
    }
    return true;
}

std::string HelpText() {
    return "Usage: xmrender IN.xm OUT.wav [--seconds S] [--rate HZ]\n"
           "\n"
           "Plays an XM module with the intro's own player and writes what it would\n"
           "sound like as a 16-bit stereo WAV file. The file's first frame is the first\n"
           "frame of the song's first tick.\n"
           "\n"
           "  --seconds S   render S seconds (at most 600); by default the song plays\n"
           "                until its order sequence first comes back to a position it\n"
           "                has already played, for at most 10 minutes\n"
           "  --rate HZ     sample rate, 8000 to 384000 (default 44100)\n"
           "  --help        show this text\n"
           "  --version     show the version\n"
           "\n"
           "The exit code is 0 on success, 1 when the module cannot be rendered or the\n"
           "WAV file cannot be written (nothing is written then), 2 for a wrong command\n"
           "line; the reason goes to standard error.\n";
}

}  // namespace zint::xmrender
