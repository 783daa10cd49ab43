// The player's real work per block: the production's module, 32 channels,
// the tick engine at every tick boundary and the mixer in between. The
// player thread must render a 20 ms block in well under a millisecond.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "bench/fill_block_timing.h"
#include "data/memory_file.h"
#include "music/loader.h"
#include "music/memory_file_callbacks.h"
#include "music/mixer.h"
#include "music/offline_sound_device.h"
#include "music/player.h"
#include "music/tick_engine.h"

namespace zint {
namespace {

constexpr int kRate = 44100;

// The production's module, playing on an offline output; null when either fails.
std::unique_ptr<Song> StartProductionModule() {
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    std::ifstream in(ZINT_PRODUCTION_MODULE, std::ios::binary);
    static const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    MemoryFile file{0, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
    std::unique_ptr<Song> song = LoadSong(&file);
    if (!song || !OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>())) return nullptr;
    StartPlayback(song.get());
    return song;
}

void Finish(Song& song) {
    StopPlayback(&song);
    CloseSoundOutput();
}

void BM_FillBlockOfTheProductionModule(benchmark::State& state) {
    const std::unique_ptr<Song> song = StartProductionModule();
    if (!song) {
        state.SkipWithError("no song or no output");
        return;
    }
    bench::TimeFillBlock(state, kRate);
    Finish(*song);
}
BENCHMARK(BM_FillBlockOfTheProductionModule)->Unit(benchmark::kMicrosecond);

// Ticks alone, without mixing: SongTick over the production's rows.
void BM_SongTick(benchmark::State& state) {
    const std::unique_ptr<Song> song = StartProductionModule();
    if (!song) {
        state.SkipWithError("no song or no output");
        return;
    }
    for (auto _ : state) SongTick(*song);
    Finish(*song);
}
BENCHMARK(BM_SongTick)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zint
