// Frames per second of each scene through the compatibility profile and
// through the OpenGL ES 3.0 emulation, side by side: the whole frame as the
// main loop draws and shows it (the offscreen window waits for each one).
#include <benchmark/benchmark.h>

#include "tests/support/production_run.h"

namespace zint {
namespace {

// Production frames after the loader, one in each scene.
constexpr int kTunnelFrame = 10 * 60;
constexpr int kBoidsFrame = 40 * 60;
constexpr int kGridFrame = 60 * 60;

void BM_Scene(benchmark::State& state) {
    const bool es = state.range(0) == 1;
    test::ProductionRun run(es ? "es" : "compat");
    if (!run.Ready() || (run.Api() == platform::GlApi::Es3) != es) {
        state.SkipWithError("no offscreen context of that kind");
        return;
    }
    run.StepTo(static_cast<int>(state.range(1)));
    for (auto _ : state) run.RenderAndSwap();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void SceneArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"es", "frame"});
    for (int frame : {kTunnelFrame, kBoidsFrame, kGridFrame}) {
        for (int es : {0, 1}) b->Args({es, frame});
    }
}
BENCHMARK(BM_Scene)->Apply(SceneArguments)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
}  // namespace zint
