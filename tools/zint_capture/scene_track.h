#pragma once
// Which scene of the line-up is current, for the progress display.
#include <cstddef>

#include "app/startup.h"

namespace zint::capture {

struct SceneTrack {
    std::size_t current = 0;  // index of the scene started last
    std::size_t count = 0;
};

// The same production, each scene wrapped so that its Start marks it
// current; every call still reaches the scene unchanged and in the same order.
Production TrackScenes(Production production, SceneTrack& track);

}  // namespace zint::capture
