// One ring block of the mixer with every voice busy: 32 looped samples at
// different steps, a third of them with gain ramps restarting every tick.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/fill_block_timing.h"
#include "music/memory_file_callbacks.h"
#include "music/mixer.h"
#include "music/offline_sound_device.h"
#include "music/player.h"

namespace zint {
namespace {

constexpr int kRate = 44100;

Sample LoopedNoise(std::uint32_t length, std::uint8_t loopMode, std::uint32_t seed) {
    Sample sample;
    sample.length = length;
    sample.loopMode = loopMode;
    sample.loopStart = length / 4;
    sample.loopLength = length - sample.loopStart;
    sample.data.resize(length + kGuardFrames);
    for (std::uint32_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        sample.data[i] = static_cast<std::int16_t>(seed >> 16);
    }
    const std::uint32_t loopEnd = sample.loopStart + sample.loopLength;
    sample.data[loopEnd] = sample.data[loopMode == kForwardLoop ? sample.loopStart : loopEnd - 1];
    return sample;
}

// What the tick engine would do to the ramping voices: new gains every tick.
void SwingGains(Song& song) {
    ++song.tick;
    for (int i = 0; i < kVoiceCount; i += 3) {
        Voice& voice = Voices()[static_cast<std::size_t>(i)];
        voice.targetLeft = static_cast<std::uint8_t>(song.tick * 40 + i);
        voice.targetRight = static_cast<std::uint8_t>(200 - song.tick * 25 - i);
    }
}

void BM_FillBlockAllVoices(benchmark::State& state) {
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    if (!OpenSoundOutput(kRate, std::make_unique<OfflineSoundDevice>())) {
        state.SkipWithError("no output");
        return;
    }
    std::vector<Sample> samples;
    for (int i = 0; i < kVoiceCount; ++i) {
        samples.push_back(LoopedNoise(2000 + 997 * static_cast<std::uint32_t>(i), i % 2 ? kPingPongLoop : kForwardLoop,
                                      static_cast<std::uint32_t>(i)));
    }
    Song song;
    song.defaultBpm = 125;
    song.channelCount = kVoiceCount;
    song.tickHandler = SwingGains;
    StartPlayback(&song);
    for (int i = 0; i < kVoiceCount; ++i) {
        Voice& voice = Voices()[static_cast<std::size_t>(i)];
        voice.sample = &samples[static_cast<std::size_t>(i)];
        voice.position = 0;
        voice.direction = kForward;
        // From about 0.19 (C-4 of an 8363 Hz sample) to about 2.5 frames per frame.
        voice.step = kFixedOne / 5 + static_cast<std::uint64_t>(i) * (kFixedOne / 13) + 12345;
        voice.targetLeft = voice.currentLeft = static_cast<std::uint8_t>(100 + i);
        voice.targetRight = voice.currentRight = static_cast<std::uint8_t>(180 - i);
    }

    bench::TimeFillBlock(state, kRate);
    StopPlayback(&song);
    CloseSoundOutput();
}
BENCHMARK(BM_FillBlockAllVoices)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zint
