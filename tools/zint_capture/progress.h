#pragma once
// One status line on a terminal, rewritten in place while the capture runs:
// frames done, current scene, scene seconds rendered, speed as a multiple of
// real time and time left.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "tools/zint_capture/scene_track.h"

namespace zint::capture {

class Progress {
public:
    // Shows nothing unless enabled. The end is guessed from expectedFrames.
    Progress(std::FILE* stream, bool enabled, std::int64_t expectedFrames, int framesPerSecond);

    // At most a few times a second.
    void Frame(std::int64_t framesDone, const SceneTrack& scenes);
    // Shows the final state and ends the line.
    void Done(std::int64_t framesDone, const SceneTrack& scenes);

private:
    void Show(std::int64_t framesDone, const SceneTrack& scenes, bool finished);

    using Clock = std::chrono::steady_clock;
    std::FILE* stream;
    bool enabled;
    std::int64_t expectedFrames;
    int framesPerSecond;
    Clock::time_point started = Clock::now();
    Clock::time_point lastShown{};
    bool shown = false;
};

}  // namespace zint::capture
