#pragma once
// The intro's music as the capture hears it: the player opens the one
// offline sound output handed out here, and each video frame takes the
// frames of sound that belong to it, so picture and sound line up as they do
// in the intro.
#include <memory>

#include "music/offline_sound_device.h"
#include "tools/zint_capture/sound_source.h"

namespace zint::capture {

class MusicSound final : public SoundSource {
public:
    // A handle onto the offline output for the player to open. The output
    // itself stays here, so it outlives whatever the player does with it.
    std::unique_ptr<platform::SoundDevice> NewDevice();

    // Silence before the music starts and after it has stopped.
    void Render(std::span<std::int16_t> samples) override;

private:
    OfflineSoundDevice output;
};

}  // namespace zint::capture
