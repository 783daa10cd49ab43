#pragma once
// The player's process-wide state, shared by the output and the mixer. The
// main thread leaves everything but the three flags alone from the player
// thread's start until StopPlayback.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/player.h"
#include "music/song.h"
#include "platform/sound_device.h"

namespace zint {

struct PlayerState {
    std::unique_ptr<platform::SoundDevice> device;
    OutputFormat format;
    std::vector<std::int16_t> ring;  // ringFrames stereo frames
    std::vector<float> mixArea;      // ringFrames stereo frames; one block's stretch at a time
    int writeBlock = 0;
    Song* song = nullptr;
    std::array<Channel, kMaxChannels> channels{};
    std::array<Voice, kVoiceCount> voices{};
    std::array<MixBus, kBusCount> buses{};

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> rendering{false};
    std::atomic<bool> threadExited{true};
    std::thread thread;
};

// The one player of the process.
PlayerState& Player();

}  // namespace zint
