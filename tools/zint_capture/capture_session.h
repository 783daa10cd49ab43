#pragma once
// What happens to each rendered frame: it goes into the video with exactly
// its share of the sound, into the WAV file, and into a PNG when a still
// was asked for at its time.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/video_encoder.h"
#include "tools/zint_capture/framing.h"
#include "tools/zint_capture/sound_source.h"
#include "tools/wav/wav_writer.h"

namespace zint::capture {

struct StillRequest {
    double seconds = 0.0;
    std::int64_t frame = 0;
    std::string path;
    bool written = false;
};

struct CapturePlan {
    Framing framing;  // from the rendered frames to the video's
    int framesPerSecond = 0;
    std::optional<std::int64_t> frameLimit;  // none: until the line-up ends
    std::vector<StillRequest> stills;
};

class CaptureSession {
public:
    // The wav writer is optional; the others must outlive the session.
    CaptureSession(CapturePlan plan, platform::VideoEncoder& video, WavWriter* wav, SoundSource& sound);

    // One rendered frame of the framing's source size, packed RGB rows from
    // the top. False once anything has failed; the capture should then end.
    bool TakeFrame(std::span<const std::uint8_t> rgb);

    // False once the frame limit is reached or something has failed.
    bool WantsMoreFrames() const;

    // Completes the video and the WAV file; fails too when a still's time was
    // never reached.
    bool Finish();

    std::int64_t FramesDone() const { return framesDone; }
    double SecondsDone() const { return static_cast<double>(framesDone) / plan.framesPerSecond; }
    std::int64_t SoundFramesDone() const { return soundFramesDone; }
    const CapturePlan& Plan() const { return plan; }
    const std::string& Error() const { return error; }

private:
    bool AddSound();
    bool WriteStills(std::span<const std::uint8_t> rgb);
    bool Fail(std::string why);

    CapturePlan plan;
    platform::VideoEncoder& video;
    WavWriter* wav;
    SoundSource& sound;
    std::vector<std::uint8_t> placed;
    std::vector<std::int16_t> soundBuffer;
    std::int64_t framesDone = 0;
    std::int64_t soundFramesDone = 0;
    std::string error;
};

}  // namespace zint::capture
