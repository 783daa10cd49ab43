#include "music/player.h"

#include <chrono>

#include "music/module_file.h"
#include "music/player_state.h"

namespace zint {

namespace {

constexpr int kBlockMs = 20;
constexpr int kReferenceRate = 44100;  // the rate at which a ramp lasts kReferenceRampFrames
constexpr int kReferenceRampFrames = 128;
constexpr int kBytesPerFrame = 4;
constexpr auto kPollInterval = std::chrono::milliseconds(5);
// Single-precision constants of the tick-length formula.
constexpr float kBpmScale = 0.4f;
constexpr float kPerMille = 0.001f;

PlayerState player;

void ResetMixer(const OutputFormat& format) {
    for (int i = 0; i < kVoiceCount; ++i) {
        Voice& voice = player.voices[static_cast<std::size_t>(i)];
        voice = Voice{};
        voice.index = i;
        voice.step = kFixedOne;
    }
    for (int i = 0; i < kBusCount; ++i) {
        MixBus& bus = player.buses[static_cast<std::size_t>(i)];
        bus = MixBus{};
        bus.busEnabled = i == 0 ? 1 : 0;
        bus.buffer.assign(static_cast<std::size_t>(format.blockFrames) * 2, 0.0f);
    }
}

void ResetSongForStart(Song& song) {
    song.globalVolume = song.initialGlobalVolume;
    song.nextRow = -1;
    song.nextOrderPosition = -1;
    song.speed = song.defaultSpeed;
    song.row = 0;
    song.orderPosition = 0;
    song.tickFramesLeft = 0;
    song.tick = 0;
    SetBpm(song, song.defaultBpm);
}

void LinkChannels(const Song& song) {
    const int count = song.channelCount < kMaxChannels ? song.channelCount : kMaxChannels;
    for (int i = 0; i < count; ++i) {
        Channel& channel = player.channels[static_cast<std::size_t>(i)];
        channel = Channel{};
        channel.voice = &player.voices[static_cast<std::size_t>(i)];
        channel.index = i;
    }
}

// Whether the writer at writeBlock renders while the device plays playBlock:
// it renders the blocks behind the play position, and across the ring's end
// only once the device is back at block 0 or 1.
bool WriterCatchesUp(int writeBlock, int playBlock) {
    return writeBlock != playBlock && (writeBlock < playBlock || playBlock == 0 || playBlock == 1);
}

void RenderBlock() {
    player.rendering.store(true, std::memory_order_release);
    FillBlock();
    player.rendering.store(false, std::memory_order_release);
    player.device->RingWritten();
}

}  // namespace

PlayerState& Player() { return player; }

OutputFormat OutputFormatFor(int sampleRate) {
    OutputFormat format;
    format.sampleRate = sampleRate;
    format.blockFrames = ((sampleRate * kBlockMs) / 1000 + 3) / 4 * 4;
    format.bufferMs = kBufferMs;
    format.ringFrames = (kBufferMs / kBlockMs) * format.blockFrames * 2;
    format.blockCount = format.ringFrames / format.blockFrames;
    format.rampLength = sampleRate * kReferenceRampFrames / kReferenceRate;
    format.rampReciprocal = 1.0f / static_cast<float>(format.rampLength);
    return format;
}

bool OpenSoundOutput(int sampleRate, std::unique_ptr<platform::SoundDevice> device) {
    if (!InstalledModuleFileCallbacks().Installed() || device == nullptr) return false;
    if (sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate) return false;
    CloseSoundOutput();
    if (!device->Open(sampleRate)) return false;
    player.device = std::move(device);
    player.format = OutputFormatFor(sampleRate);
    ResetMixer(player.format);
    return true;
}

void CloseSoundOutput() {
    // The thread must not outlive the device it polls.
    if (player.song != nullptr) StopPlayback(player.song);
    if (player.device != nullptr) player.device->Reset();
    player.device.reset();
    player.format = OutputFormat{};
    player.ring = {};
    player.mixArea = {};
    player.writeBlock = 0;
    player.channels.fill(Channel{});
    player.voices.fill(Voice{});
    for (MixBus& bus : player.buses) bus = MixBus{};
}

bool StartPlayback(Song* song) {
    if (song == nullptr) return false;
    StopPlayback(song);
    if (player.device == nullptr) return false;
    ResetSongForStart(*song);
    LinkChannels(*song);
    player.song = song;

    // The device may still be looping the previous ring.
    player.device->Reset();
    const auto ringSamples = static_cast<std::size_t>(player.format.ringFrames) * 2;
    player.ring.assign(ringSamples, 0);
    player.mixArea.assign(ringSamples, 0.0f);
    player.writeBlock = 0;
    do {
        FillBlock();
    } while (player.writeBlock != 0);
    player.device->RingWritten();
    player.device->Play(player.ring);

    player.stopRequested.store(false, std::memory_order_release);
    if (player.device->IsRealTime()) {
        // Cleared before the thread exists, so that no one takes a thread that
        // has not begun yet for one that has ended.
        player.threadExited.store(false, std::memory_order_release);
        player.thread = std::thread(PlayerThread);
    }
    return true;
}

bool StopPlayback(Song* song) {
    if (song == nullptr) return false;
    player.stopRequested.store(true, std::memory_order_release);
    while (player.rendering.load(std::memory_order_acquire)) std::this_thread::yield();
    if (player.thread.joinable()) player.thread.join();
    player.mixArea = {};
    player.song = nullptr;
    return true;
}

void SetBpm(Song& song, int bpm) {
    song.bpm = bpm;
    // A tempo below 1 would make an endless tick.
    const int effectiveBpm = bpm < 1 ? 1 : bpm;
    const double tickMs = 1000.0 / (effectiveBpm * static_cast<double>(kBpmScale));
    song.samplesPerTick = static_cast<int>(tickMs * player.format.sampleRate * static_cast<double>(kPerMille));
}

void PlayerThread() {
    player.device->RaiseThreadPriority();
    while (!player.stopRequested.load(std::memory_order_acquire)) {
        RefillRing();
        std::this_thread::sleep_for(kPollInterval);
    }
    player.threadExited.store(true, std::memory_order_release);
}

void RefillRing() {
    if (player.device == nullptr || player.song == nullptr) return;
    const int playBlock = PlayBlockAt(player.device->PlayedBytes(), player.format);
    while (WriterCatchesUp(player.writeBlock, playBlock)) RenderBlock();
}

int PlayBlockAt(std::uint64_t playedBytes, const OutputFormat& format) {
    if (format.ringFrames <= 0) return 0;
    const auto frameInRing =
        static_cast<int>((playedBytes / kBytesPerFrame) % static_cast<std::uint64_t>(format.ringFrames));
    return frameInRing / format.blockFrames;
}

const OutputFormat& CurrentOutput() { return player.format; }
std::span<Voice, kVoiceCount> Voices() { return player.voices; }
std::span<Channel, kMaxChannels> Channels() { return player.channels; }
std::span<MixBus, kBusCount> Buses() { return player.buses; }
std::span<const std::int16_t> Ring() { return player.ring; }
int WriteBlock() { return player.writeBlock; }
const Song* CurrentSong() { return player.song; }
bool PlayerThreadRunning() { return !player.threadExited.load(std::memory_order_acquire); }

}  // namespace zint
