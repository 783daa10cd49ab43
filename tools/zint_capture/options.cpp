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

// "WIDTHxHEIGHT", each even and from the intro's picture up to 8K.
bool ParseSize(std::string_view text, CaptureOptions& options, std::string& error) {
    const std::size_t cross = text.find('x');
    int width = 0;
    int height = 0;
    if (cross == std::string_view::npos || !ParseInt(text.substr(0, cross), width) ||
        !ParseInt(text.substr(cross + 1), height)) {
        error = "--size takes WIDTHxHEIGHT, for example 1920x1080";
    } else if (width < kMinVideoWidth || height < kMinVideoHeight) {
        error = "--size " + std::string(text) + " is smaller than the intro's 640x480 picture";
    } else if (width > kMaxVideoWidth || height > kMaxVideoHeight) {
        error = "--size " + std::string(text) + " is beyond H.264's largest, 7680x4320";
    } else if (width % 2 != 0 || height % 2 != 0) {
        error = "--size " + std::string(text) + ": H.264 with 4:2:0 chroma needs an even width and height";
    }
    options.width = width;
    options.height = height;
    return error.empty();
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
    } else if (name == "--size") {
        ParseSize(value, options, error);
    } else if (name == "--crf") {
        if (!ParseInt(value, options.constantRateFactor) || options.constantRateFactor < 0 ||
            options.constantRateFactor > kMaxConstantRateFactor) {
            error = "--crf takes a whole number from 0 (lossless) to " + std::to_string(kMaxConstantRateFactor);
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
    return "Usage: zint-capture [--out FILE] [--fps N] [--size WxH] [--crf N] [--seconds S]\n"
           "                    [--stills T1,T2,...] [--wav FILE]\n"
           "\n"
           "Renders the intro offline, frame by frame, into a video file.\n"
           "\n"
           "  --out FILE        the video: H.264 with the music as AAC (default zint.mp4;\n"
           "                    the name's extension picks the container: .mp4, .mkv, .mov)\n"
           "  --fps N           frames per second, 1 to 240 (default 60); every frame\n"
           "                    advances the scenes by exactly 1/N seconds\n"
           "  --size WxH        the video's size, even numbers, at least 640x480 (the\n"
           "                    default): the picture is scaled up by the largest whole\n"
           "                    factor that fits, pixels kept sharp, and centred on black.\n"
           "                    1920x1080 gives a 1280 x 960 picture between black bars.\n"
           "  --crf N           H.264 quality, 0 (lossless) to 51, lower is better and\n"
           "                    bigger (default 18)\n"
           "  --seconds S       stop after S seconds of scene time (default: when the\n"
           "                    last scene ends)\n"
           "  --stills T1,...   also save the frames shown at these scene times (in\n"
           "                    seconds) as PNG images next to the video, named after it:\n"
           "                    with --out dir/zint.mp4 the still at 12 s is\n"
           "                    dir/zint_12.00s.png, at the video's size. The frame shown\n"
           "                    at T is frame floor(T x N), frame 0 being the loader's.\n"
           "  --wav FILE        also write the music as 16-bit stereo 44100 Hz WAV\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "Progress, with the speed as a multiple of real time, is shown while standard\n"
           "error is a terminal. The exit code is 0 on success, 1 when the capture failed\n"
           "and 2 for a wrong command line; the reason goes to standard error.\n";
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
