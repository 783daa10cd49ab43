#include "tools/zint_capture/progress.h"

#include <algorithm>

namespace zint::capture {

namespace {

constexpr std::chrono::milliseconds kInterval{250};

}  // namespace

Progress::Progress(std::FILE* stream, bool enabled, std::int64_t expectedFrames, int framesPerSecond)
    : stream(stream), enabled(enabled), expectedFrames(expectedFrames), framesPerSecond(framesPerSecond) {}

void Progress::Frame(std::int64_t framesDone, const SceneTrack& scenes) {
    if (!enabled) return;
    const Clock::time_point now = Clock::now();
    if (shown && now - lastShown < kInterval) return;
    lastShown = now;
    shown = true;
    Show(framesDone, scenes, false);
}

void Progress::Show(std::int64_t framesDone, const SceneTrack& scenes, bool finished) {
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double sceneSeconds = static_cast<double>(framesDone) / framesPerSecond;
    const double speed = wallSeconds > 0.0 ? sceneSeconds / wallSeconds : 0.0;
    std::fprintf(stream, "\rframe %lld  scene %zu/%zu  %.2f s rendered  %.2fx real time", static_cast<long long>(framesDone),
                 scenes.current + 1, scenes.count, sceneSeconds, speed);
    const std::int64_t framesLeft = std::max<std::int64_t>(expectedFrames - framesDone, 0);
    if (!finished && framesDone > 0 && framesLeft > 0) {
        const auto secondsLeft = static_cast<long long>(wallSeconds * framesLeft / framesDone);
        std::fprintf(stream, "  about %lld:%02lld left", secondsLeft / 60, secondsLeft % 60);
    }
    std::fprintf(stream, "\x1b[K");
    std::fflush(stream);
}

void Progress::Done(std::int64_t framesDone, const SceneTrack& scenes) {
    if (!enabled) return;
    Show(framesDone, scenes, true);
    std::fprintf(stream, "\n");
}

}  // namespace zint::capture
