#include "platform/web/web_sound_device.h"

#include <emscripten.h>

namespace {

void (*refillAfterTaken)() = nullptr;

// The audio context and its script processor live in Module.zintSound. The
// processor plays the ring in a loop from Module.zintSound.ring (a byte
// address) and counts the bytes taken; without a ring it plays silence.
// False when the page has no Web Audio or refuses the rate.
EM_JS(int, zint_sound_open, (int sampleRate), {
    const AudioContextType = window.AudioContext || window.webkitAudioContext;
    if (!AudioContextType) return 0;
    let context;
    try {
        context = new AudioContextType({sampleRate: sampleRate});
    } catch (e) {
        return 0;
    }
    if (context.sampleRate !== sampleRate || !context.createScriptProcessor) {
        context.close();
        return 0;
    }
    // About 93 ms a call at 44100 Hz: few enough calls, and far less than the
    // ring the player keeps ahead.
    const processor = context.createScriptProcessor(4096, 0, 2);
    const sound = {context: context, processor: processor, ring: 0, ringSamples: 0, playedBytes: 0};
    // The player renders the blocks behind the play position, and past the
    // ring's end only once the position is in its first two blocks: so the
    // position moves on, and the player refills, in steps shorter than a
    // block (882 frames at 44100 Hz).
    const kStepFrames = 512;
    processor.onaudioprocess = function(event) {
        const left = event.outputBuffer.getChannelData(0);
        const right = event.outputBuffer.getChannelData(1);
        if (!sound.ring) {
            left.fill(0);
            right.fill(0);
            return;
        }
        for (let done = 0; done < left.length && sound.ring;) {
            const ring = HEAP16.subarray(sound.ring >> 1, (sound.ring >> 1) + sound.ringSamples);
            const frames = Math.min(kStepFrames, left.length - done);
            let at = (sound.playedBytes / 2) % sound.ringSamples;
            const first = at;
            for (let i = done; i < done + frames; ++i) {
                left[i] = ring[at] / 32768;
                right[i] = ring[at + 1] / 32768;
                at += 2;
                if (at >= sound.ringSamples) at = 0;
            }
            if (Module['zintSoundTaken']) Module['zintSoundTaken'](ring, first, frames * 2);
            sound.playedBytes += frames * 4;
            done += frames;
            _zint_sound_taken();
        }
    };
    processor.connect(context.destination);
    Module['zintSound'] = sound;
    return 1;
});

EM_JS(void, zint_sound_play, (const void* ring, int samples), {
    const sound = Module['zintSound'];
    if (!sound) return;
    sound.ring = ring;
    sound.ringSamples = samples;
    sound.playedBytes = 0;
    if (ring && sound.context.state !== 'running') sound.context.resume();
});

EM_JS(double, zint_sound_played_bytes, (), {
    const sound = Module['zintSound'];
    return sound ? sound.playedBytes : 0;
});

EM_JS(void, zint_sound_close, (), {
    const sound = Module['zintSound'];
    if (!sound) return;
    sound.processor.disconnect();
    sound.processor.onaudioprocess = null;
    sound.context.close();
    delete Module['zintSound'];
});

class WebSoundDevice final : public zint::platform::SoundDevice {
public:
    explicit WebSoundDevice(void (*refill)()) { refillAfterTaken = refill; }
    ~WebSoundDevice() override {
        if (open) zint_sound_close();
        refillAfterTaken = nullptr;
    }

    bool Open(int sampleRate) override {
        if (open) return false;
        open = zint_sound_open(sampleRate) != 0;
        return open;
    }

    void Play(std::span<const std::int16_t> ring) override {
        if (open) zint_sound_play(ring.data(), static_cast<int>(ring.size()));
    }

    void Reset() override {
        if (open) zint_sound_play(nullptr, 0);
    }

    std::uint64_t PlayedBytes() const override { return static_cast<std::uint64_t>(zint_sound_played_bytes()); }

    // One thread: what the player wrote is there when the processor next runs.
    void RingWritten() override {}

    // The output keeps its own clock, but no thread polls it: it calls the
    // refill itself.
    bool IsRealTime() const override { return false; }

    void RaiseThreadPriority() override {}

private:
    bool open = false;
};

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void zint_sound_taken() {
    if (refillAfterTaken != nullptr) refillAfterTaken();
}

namespace zint::platform::web {

std::unique_ptr<SoundDevice> CreateWebSoundDevice(void (*refill)()) { return std::make_unique<WebSoundDevice>(refill); }

}  // namespace zint::platform::web
