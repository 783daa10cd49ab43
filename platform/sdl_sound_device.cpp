#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/sound_device.h"

namespace zint::platform {

namespace {

// Frames SDL asks for per callback: about 23 ms at 44100 Hz, near one ring block.
constexpr Uint16 kCallbackFrames = 1024;
constexpr int kChannels = 2;

class SdlSoundDevice final : public SoundDevice {
public:
    ~SdlSoundDevice() override {
        if (device == 0) return;
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open(int sampleRate) override {
        if (device != 0 || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        SDL_AudioSpec wanted{};
        wanted.freq = sampleRate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = kChannels;
        wanted.samples = kCallbackFrames;
        wanted.callback = &SdlSoundDevice::Callback;
        wanted.userdata = this;
        // No changes allowed: SDL converts to whatever the hardware wants.
        SDL_AudioSpec obtained{};
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        return true;
    }

    void Play(std::span<const std::int16_t> newRing) override {
        if (device == 0) return;
        SDL_LockAudioDevice(device);
        ring = reinterpret_cast<const Uint8*>(newRing.data());
        ringBytes = newRing.size_bytes();
        played.store(0, std::memory_order_relaxed);
        SDL_UnlockAudioDevice(device);
        SDL_PauseAudioDevice(device, 0);
    }

    void Reset() override {
        if (device == 0) return;
        // Pausing waits for a running callback; after it the ring is ours again.
        SDL_PauseAudioDevice(device, 1);
        SDL_LockAudioDevice(device);
        ring = nullptr;
        ringBytes = 0;
        SDL_UnlockAudioDevice(device);
    }

    std::uint64_t PlayedBytes() const override { return played.load(std::memory_order_acquire); }

    void RingWritten() override { written.fetch_add(1, std::memory_order_release); }

    bool IsRealTime() const override { return true; }

    void RaiseThreadPriority() override { SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL); }

private:
    static void SDLCALL Callback(void* userdata, Uint8* stream, int length) {
        static_cast<SdlSoundDevice*>(userdata)->Fill(stream, static_cast<std::size_t>(length));
    }

    // Runs on SDL's audio thread with the device locked.
    void Fill(Uint8* stream, std::size_t length) {
        if (ring == nullptr || ringBytes == 0) {
            std::memset(stream, 0, length);
            return;
        }
        // Pairs with RingWritten: what the writer finished is visible here.
        written.load(std::memory_order_acquire);
        const std::uint64_t start = played.load(std::memory_order_relaxed);
        std::size_t offset = static_cast<std::size_t>(start % ringBytes);
        for (std::size_t done = 0; done < length;) {
            const std::size_t piece = std::min(length - done, ringBytes - offset);
            std::memcpy(stream + done, ring + offset, piece);
            done += piece;
            offset = 0;
        }
        played.store(start + length, std::memory_order_release);
    }

    SDL_AudioDeviceID device = 0;
    const Uint8* ring = nullptr;
    std::size_t ringBytes = 0;
    std::atomic<std::uint64_t> played{0};
    std::atomic<std::uint32_t> written{0};
};

}  // namespace

std::unique_ptr<SoundDevice> CreateSdlSoundDevice() { return std::make_unique<SdlSoundDevice>(); }

}  // namespace zint::platform
