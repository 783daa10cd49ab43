#include "tools/zint_capture/music_sound.h"

#include <algorithm>

namespace zint::capture {

namespace {

class OutputHandle final : public platform::SoundDevice {
public:
    explicit OutputHandle(OfflineSoundDevice& output) : output(output) {}
    ~OutputHandle() override { output.Reset(); }

    bool Open(int sampleRate) override { return output.Open(sampleRate); }
    void Play(std::span<const std::int16_t> ring) override { output.Play(ring); }
    void Reset() override { output.Reset(); }
    std::uint64_t PlayedBytes() const override { return output.PlayedBytes(); }
    void RingWritten() override { output.RingWritten(); }
    bool IsRealTime() const override { return output.IsRealTime(); }
    void RaiseThreadPriority() override {}

private:
    OfflineSoundDevice& output;
};

}  // namespace

std::unique_ptr<platform::SoundDevice> MusicSound::NewDevice() { return std::make_unique<OutputHandle>(output); }

void MusicSound::Render(std::span<std::int16_t> samples) {
    if (output.IsPlaying()) {
        output.Take(samples);
    } else {
        std::fill(samples.begin(), samples.end(), 0);
    }
}

}  // namespace zint::capture
