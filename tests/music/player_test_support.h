#pragma once
// Voices, samples and songs for the player's tests, and a fixture that opens
// the output on an offline device.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "music/memory_file_callbacks.h"
#include "music/mixer.h"
#include "music/offline_sound_device.h"
#include "music/player.h"

namespace zint::test {

inline constexpr int kRate = 44100;
inline constexpr std::uint64_t kHalf = kFixedOne / 2;

inline void InstallMemoryFileCallbacks() {
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
}

// A sample as the loader leaves it: the frames, then the zeroed guard frames,
// the first of them a copy for the loop's interpolation.
inline Sample MakeSample(std::vector<std::int16_t> frames, std::uint8_t loopMode = kNoLoop, std::uint32_t loopStart = 0,
                         std::uint32_t loopLength = 0) {
    Sample sample;
    sample.length = static_cast<std::uint32_t>(frames.size());
    sample.loopMode = loopMode;
    sample.loopStart = loopMode == kNoLoop ? 0 : loopStart;
    sample.loopLength = loopMode == kNoLoop ? sample.length : loopLength;
    sample.data = std::move(frames);
    sample.data.resize(sample.length + kGuardFrames, 0);
    const std::uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (loopMode == kForwardLoop) sample.data[loopEnd] = sample.data[sample.loopStart];
    if (loopMode == kPingPongLoop) sample.data[loopEnd] = sample.data[loopEnd - 1];
    return sample;
}

inline std::vector<std::int16_t> Constant(std::size_t frames, std::int16_t value) {
    return std::vector<std::int16_t>(frames, value);
}

// A voice playing `sample` from `position` at full gain on both sides, with
// no ramp pending.
inline Voice& PlayVoice(int index, const Sample& sample, std::uint64_t position, std::uint64_t step,
                        std::uint8_t gain = 255) {
    Voice& voice = Voices()[static_cast<std::size_t>(index)];
    voice.sample = &sample;
    voice.position = position;
    voice.step = step;
    voice.direction = kForward;
    voice.targetLeft = voice.targetRight = voice.currentLeft = voice.currentRight = gain;
    voice.rampTargetLeft = voice.rampTargetRight = gain;
    voice.rampFramesLeft = 0;
    return voice;
}

// What one frame of a voice adds to silence: the mixer's arithmetic, spelled out.
inline float Mixed(double value, double gain) { return static_cast<float>(0.0f + value * gain); }
inline double Gain(std::uint8_t byte) { return static_cast<float>(byte) * kGainUnit; }

inline Song MakeSong(int bpm = 125, std::int16_t channels = 4) {
    Song song;
    song.channelCount = channels;
    song.defaultSpeed = 6;
    song.defaultBpm = static_cast<std::int16_t>(bpm);
    song.initialGlobalVolume = 64;
    return song;
}

// A looped saw wave of 100 frames.
inline Sample MakeTone() {
    std::vector<std::int16_t> frames(100);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<std::int16_t>(600 * static_cast<int>(i) - 30000);
    return MakeSample(std::move(frames), kForwardLoop, 0, 100);
}

// A tick handler that plays toneForTicks on voice 0 and changes its pitch and
// both gains on every tick, so that every block differs. Counts the ticks.
inline const Sample* toneForTicks = nullptr;
inline std::atomic<int> ticksSeen{0};

inline void VaryVoiceEachTick(Song& song) {
    Voice& voice = Voices()[0];
    if (voice.sample == nullptr) {
        voice.sample = toneForTicks;
        voice.position = 0;
        voice.direction = kForward;
    }
    voice.step = kHalf + static_cast<std::uint64_t>(song.tick % 7) * 0x1000000;
    voice.targetLeft = static_cast<std::uint8_t>(song.tick * 37);
    voice.targetRight = static_cast<std::uint8_t>(255 - song.tick * 11);
    ++song.tick;
    ticksSeen.fetch_add(1, std::memory_order_relaxed);
}

// The output open on an offline device at 44100 Hz; closed again afterwards.
class OfflinePlayerTest : public testing::Test {
protected:
    void SetUp() override {
        InstallMemoryFileCallbacks();
        auto owned = std::make_unique<OfflineSoundDevice>();
        device = owned.get();
        ASSERT_TRUE(OpenSoundOutput(kRate, std::move(owned)));
    }
    void TearDown() override { CloseSoundOutput(); }

    OfflineSoundDevice* device = nullptr;
};

}  // namespace zint::test
