// zint-capture: runs the intro's own start-up, line-up and main loop offline
// and writes what it shows into a video file, frame by frame.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/lineup.h"
#include "app/startup.h"
#include "platform/offscreen_video.h"
#include "platform/video_encoder.h"
#include "tools/zint_capture/back_buffer.h"
#include "tools/zint_capture/background_encoder.h"
#include "tools/zint_capture/capture_system.h"
#include "tools/zint_capture/music_sound.h"
#include "tools/zint_capture/options.h"
#include "tools/zint_capture/progress.h"
#include "tools/zint_capture/scene_track.h"

namespace zint::capture {

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;
// The line-up's scene time, 24 + 1 + 32 + 1 + 12 s; only the estimate of the
// time left uses it.
constexpr double kProductionSeconds = 70.0;

int Fail(std::string message) {
    // The intro's own messages end their first line with CR LF.
    for (std::size_t at; (at = message.find('\r')) != std::string::npos;) message.erase(at, 1);
    std::fprintf(stderr, "zint-capture: %s\n", message.c_str());
    return kFailure;
}

CapturePlan MakePlan(const CaptureOptions& options) {
    CapturePlan plan;
    plan.framing = FitInto(kScreenWidth, kScreenHeight, options.width, options.height);
    plan.framesPerSecond = options.framesPerSecond;
    if (options.seconds) plan.frameLimit = FramesBefore(*options.seconds, options.framesPerSecond);
    for (double seconds : options.stills) {
        plan.stills.push_back({seconds, FrameShownAt(seconds, options.framesPerSecond),
                               StillPath(options.out, seconds), false});
    }
    return plan;
}

// The outputs that only make sense complete go when the capture fails.
struct Outputs {
    std::unique_ptr<platform::VideoEncoder> video;
    std::unique_ptr<WavWriter> wav;
    const CaptureOptions& options;

    int Discard(const std::string& why) {
        video.reset();
        wav.reset();
        std::error_code ignored;
        std::filesystem::remove(options.out, ignored);
        if (options.wav) std::filesystem::remove(*options.wav, ignored);
        return Fail(why);
    }
};

int Capture(const CaptureOptions& options) {
    platform::ForceOffscreenVideo();
    std::string error;
    Outputs outputs{nullptr, nullptr, options};
    auto encoder = platform::OpenVideoEncoder({options.out, options.width, options.height, options.framesPerSecond,
                                               kSampleRate, options.constantRateFactor},
                                              error);
    if (!encoder) return Fail(error);
    outputs.video = std::make_unique<BackgroundEncoder>(std::move(encoder));
    if (options.wav) {
        outputs.wav = WavWriter::Open(*options.wav, kSampleRate, error);
        if (!outputs.wav) return outputs.Discard(error);
    }

    const CapturePlan plan = MakePlan(options);
    MusicSound sound;
    CaptureSession session(plan, *outputs.video, outputs.wav.get(), sound);
    SceneTrack scenes;
    const std::int64_t expectedFrames =
        plan.frameLimit.value_or(FramesBefore(kProductionSeconds, options.framesPerSecond) + 1);
    Progress progress(stderr, isatty(STDERR_FILENO) != 0, expectedFrames, options.framesPerSecond);

    const auto sdl = platform::CreateSdlSystem();
    CaptureSystem system(
        *sdl, session, ReadBackBuffer, [&] { progress.Frame(session.FramesDone(), scenes); },
        [&] { return sound.NewDevice(); });
    RunIntro("-windowed", system, TrackScenes(ThisProduction(), scenes));
    progress.Done(session.FramesDone(), scenes);

    if (!system.ReportedError().empty()) return outputs.Discard(system.ReportedError());
    if (!session.Finish()) return outputs.Discard(session.Error());
    if (system.Interrupted()) {
        return Fail("interrupted; " + options.out + " holds the first " + SecondsText(session.SecondsDone()) + " s");
    }
    return 0;
}

}  // namespace

}  // namespace zint::capture

int main(int argc, char** argv) {
    using namespace zint::capture;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    CaptureOptions options;
    std::string error;
    if (ParseOptions(arguments, options, error) && !options.help) error = zint::platform::ContainerProblem(options.out);
    if (!error.empty()) {
        std::fprintf(stderr, "zint-capture: %s\nTry zint-capture --help.\n", error.c_str());
        return kUsage;
    }
    if (options.help) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("zint-capture " ZINT_VERSION);
        return 0;
    }
    return Capture(options);
}
