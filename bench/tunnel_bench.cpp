#include <benchmark/benchmark.h>

#include "scenes/path.h"
#include "scenes/tunnel_scene.h"

namespace zint {
namespace {

// One camera step along the tunnel's loop, as every frame takes.
void BM_AdvancePath(benchmark::State& state) {
    const auto keys = MakeTunnelPathKeys();
    Path path(keys, true);
    path.Reset();
    for (auto _ : state) {
        path.AdvancePath();
        benchmark::DoNotOptimize(path.point);
    }
}
BENCHMARK(BM_AdvancePath);

// The tube's per-frame geometry without the drawing: 16 key points and
// their ring frames.
void BM_TubeRingFrames(benchmark::State& state) {
    const auto keys = MakeTunnelPathKeys();
    const Path path(keys, true);
    int current = 0;
    for (auto _ : state) {
        Vector3 previous = path.KeyPoint(current - 1, 0);
        for (int k = 0; k < 16; ++k) {
            const Vector3 centre = path.KeyPoint(current + k, 0);
            benchmark::DoNotOptimize(TunnelScene::RingFrame(previous, centre));
            previous = centre;
        }
        current = (current + 1) % 31;
    }
}
BENCHMARK(BM_TubeRingFrames);

}  // namespace
}  // namespace zint
