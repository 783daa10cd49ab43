#include "tools/zint_capture/options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

namespace zint::capture {

namespace {

constexpr double kTimeTolerance = 1e-6;

bool ParseInt(std::string_view text, int& value) {
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    return status == std::errc() && end == text.data() + text.size();
}

// A finite decimal number of seconds, not negative.
bool ParseSeconds(std::string_view text, double& value) {
    const auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return status == std::errc() && end == text.data() + text.size() && std::isfinite(value) && value >= 0.0;
}

bool ParseStillTimes(std::string_view list, std::vector<double>& times) {
    while (true) {
        const std::size_t comma = list.find(',');
        double seconds = 0.0;
        if (!ParseSeconds(list.substr(0, comma), seconds)) return false;
        times.push_back(seconds);
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

bool StillNamesDiffer(const CaptureOptions& options, std::string& error) {
    std::set<std::string> paths;
    for (double seconds : options.stills) {
        const std::string path = StillPath(options.out, seconds);
        if (!paths.insert(path).second) {
            error = "--stills: two times give the same file " + path;
            return false;
        }
    }
    return true;
}

// Applies one option that takes a value.
bool ApplyValue(std::string_view name, std::string_view value, CaptureOptions& options, std::string& error) {
    if (name == "--out") {
        options.out = value;
        if (value.empty()) error = "--out needs a file name";
    } else if (name == "--wav") {
        options.wav = std::string(value);
        if (value.empty()) error = "--wav needs a file name";
    } else if (name == "--fps") {
        if (!ParseInt(value, options.framesPerSecond) || options.framesPerSecond < 1 ||
            options.framesPerSecond > kMaxFramesPerSecond) {
            error = "--fps takes a whole number from 1 to " + std::to_string(kMaxFramesPerSecond);
        }
    } else if (name == "--seconds") {
        double seconds = 0.0;
        if (!ParseSeconds(value, seconds) || seconds <= 0.0) error = "--seconds takes a number of seconds above 0";
        options.seconds = seconds;
    } else if (name == "--stills") {
        if (!ParseStillTimes(value, options.stills)) error = "--stills takes times in seconds separated by commas";
    } else {
        error = "unknown option " + std::string(name);
    }
    return error.empty();
}

}  // namespace

bool ParseOptions(std::span<const std::string_view> arguments, CaptureOptions& options, std::string& error) {
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
        std::string_view value;
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = name.starts_with("--") ? std::string(name) + " needs a value"
                                           : "unexpected argument " + std::string(name);
            return false;
        }
        if (!ApplyValue(name, value, options, error)) return false;
    }
    return StillNamesDiffer(options, error);
}

std::string HelpText() {
    return "Usage: zint-capture [--out FILE] [--fps N] [--seconds S] [--stills T1,T2,...] [--wav FILE]\n"
           "\n"
           "Renders the intro offline, frame by frame, into a video file.\n"
           "\n"
           "  --out FILE        the video: H.264 at 640 x 480 with the music as AAC\n"
           "                    (default zint.mp4; the name's extension picks the container)\n"
           "  --fps N           frames per second, 1 to 240 (default 60); every frame\n"
           "                    advances the scenes by exactly 1/N seconds\n"
           "  --seconds S       stop after S seconds of scene time (default: when the\n"
           "                    last scene ends)\n"
           "  --stills T1,...   also save the frames shown at these scene times (in\n"
           "                    seconds) as PNG images next to the video, named after it:\n"
           "                    with --out dir/zint.mp4 the still at 12 s is\n"
           "                    dir/zint_12.00s.png. The frame shown at T is frame\n"
           "                    floor(T x N), frame 0 being the loader's.\n"
           "  --wav FILE        also write the music as 16-bit stereo 44100 Hz WAV\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "Progress is shown while standard error is a terminal. The exit code is 0 on\n"
           "success, 1 when the capture failed and 2 for a wrong command line; the\n"
           "reason goes to standard error.\n";
}

std::int64_t FrameShownAt(double seconds, int framesPerSecond) {
    return static_cast<std::int64_t>(std::floor(seconds * framesPerSecond + kTimeTolerance));
}

std::int64_t FramesBefore(double seconds, int framesPerSecond) {
    return static_cast<std::int64_t>(std::ceil(seconds * framesPerSecond - kTimeTolerance));
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

std::string StillPath(const std::string& out, double seconds) {
    const std::filesystem::path video(out);
    return (video.parent_path() / (video.stem().string() + "_" + SecondsText(seconds) + "s.png")).string();
}

}  // namespace zint::capture
