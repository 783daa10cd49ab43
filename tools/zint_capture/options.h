#pragma once
// The command line of zint-capture.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zint::capture {

inline constexpr int kDefaultFramesPerSecond = 60;
inline constexpr int kMaxFramesPerSecond = 240;
inline constexpr int kDefaultConstantRateFactor = 18;
inline constexpr int kMaxConstantRateFactor = 51;
// The intro's picture; the largest H.264 levels go to 8K.
inline constexpr int kMinVideoWidth = 640;
inline constexpr int kMinVideoHeight = 480;
inline constexpr int kMaxVideoWidth = 7680;
inline constexpr int kMaxVideoHeight = 4320;

struct CaptureOptions {
    std::string out = "zint.mp4";
    int framesPerSecond = kDefaultFramesPerSecond;
    int width = kMinVideoWidth;  // of the video frame
    int height = kMinVideoHeight;
    int constantRateFactor = kDefaultConstantRateFactor;
    std::optional<double> seconds;  // scene time after which to stop
    std::vector<double> stills;     // scene times of the frames to save as PNG
    std::optional<std::string> wav;
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program's name; false, with error set, on
// anything it does not understand.
bool ParseOptions(std::span<const std::string_view> arguments, CaptureOptions& options, std::string& error);

std::string HelpText();

// The frame shown at the given scene time: frame n covers [n/fps, (n+1)/fps),
// frame 0 being the loader's. A hair of tolerance keeps decimal times such
// as 0.7 s at 30 fps on the frame they name.
std::int64_t FrameShownAt(double seconds, int framesPerSecond);

// How many frames start before the given scene time.
std::int64_t FramesBefore(double seconds, int framesPerSecond);

// Seconds as shown to the user and in file names: "12.00".
std::string SecondsText(double seconds);

// The still of the given time goes next to the video, named after it:
// "dir/zint.mp4" and 12 s give "dir/zint_12.00s.png".
std::string StillPath(const std::string& out, double seconds);

}  // namespace zint::capture
