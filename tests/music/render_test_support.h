#pragma once
// Renders a loaded song into memory the way xmrender does.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/xmrender/song_render.h"

namespace zint::test {

inline std::vector<std::int16_t> Render(Song& song, double seconds, bool untilRepeat = false, int rate = 44100) {
    std::vector<std::int16_t> samples;
    const xmrender::RenderResult result = xmrender::RenderSong(
        song, rate, {xmrender::FramesIn(seconds, rate), untilRepeat}, [&](std::span<const std::int16_t> block) {
            samples.insert(samples.end(), block.begin(), block.end());
            return true;
        });
    EXPECT_EQ(result.status, xmrender::RenderStatus::kRendered);
    EXPECT_EQ(result.frames * 2, samples.size());
    return samples;
}

inline bool Silent(const std::vector<std::int16_t>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](std::int16_t sample) { return sample == 0; });
}

}  // namespace zint::test
