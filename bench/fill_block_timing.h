#pragma once
// Times FillBlock on whatever the player has open and reports how many
// seconds of sound one second of rendering makes.
#include <benchmark/benchmark.h>

#include "music/mixer.h"
#include "music/player.h"

namespace zint::bench {

inline void TimeFillBlock(benchmark::State& state, int sampleRate) {
    for (auto _ : state) {
        FillBlock();
        benchmark::DoNotOptimize(Ring().data());
    }
    const double blockSeconds = static_cast<double>(CurrentOutput().blockFrames) / sampleRate;
    state.counters["x_realtime"] =
        benchmark::Counter(blockSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace zint::bench
