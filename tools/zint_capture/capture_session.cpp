#include "tools/zint_capture/capture_session.h"

#include <fstream>

#include "platform/image_encoder.h"
#include "tools/zint_capture/options.h"

namespace zint::capture {

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) error = "cannot write " + path;
    return static_cast<bool>(file);
}

}  // namespace

CaptureSession::CaptureSession(CapturePlan plan, platform::VideoEncoder& video, WavWriter* wav, SoundSource& sound)
    : plan(std::move(plan)), video(video), wav(wav), sound(sound) {}

bool CaptureSession::WantsMoreFrames() const {
    if (!error.empty()) return false;
    return !plan.frameLimit || framesDone < *plan.frameLimit;
}

bool CaptureSession::TakeFrame(std::span<const std::uint8_t> rgb) {
    if (!error.empty()) return false;
    const Framing& framing = plan.framing;
    const auto sourcePixels =
        static_cast<std::size_t>(framing.sourceWidth) * static_cast<std::size_t>(framing.sourceHeight);
    if (rgb.size() != sourcePixels * 3) {
        return Fail("a frame that is not " + std::to_string(framing.sourceWidth) + " x " +
                    std::to_string(framing.sourceHeight));
    }
    if (!framing.IsIdentity()) {
        PlaceFrame(framing, rgb, placed);
        rgb = placed;
    }
    if (!video.AddFrame(rgb)) return Fail(video.Error());
    if (!AddSound() || !WriteStills(rgb)) return false;
    ++framesDone;
    return true;
}

// The one place where sound enters the capture: per video frame, exactly
// that frame's share.
bool CaptureSession::AddSound() {
    const std::int64_t soundFrames = SoundFramesOfVideoFrame(framesDone, plan.framesPerSecond);
    soundBuffer.resize(static_cast<std::size_t>(soundFrames) * kChannels);
    sound.Render(soundBuffer);
    soundFramesDone += soundFrames;
    if (!video.AddAudio(soundBuffer)) return Fail(video.Error());
    if (wav != nullptr && !wav->Write(soundBuffer)) return Fail(wav->Error());
    return true;
}

bool CaptureSession::WriteStills(std::span<const std::uint8_t> rgb) {
    for (StillRequest& still : plan.stills) {
        if (still.written || still.frame != framesDone) continue;
        std::string why;
        const auto png = platform::EncodePng(plan.framing.width, plan.framing.height, rgb, why);
        if (!png || !WriteFile(still.path, *png, why)) return Fail(why);
        still.written = true;
    }
    return true;
}

bool CaptureSession::Finish() {
    if (!error.empty()) return false;
    if (!video.Finish()) return Fail(video.Error());
    if (wav != nullptr && !wav->Finish()) return Fail(wav->Error());
    for (const StillRequest& still : plan.stills) {
        if (!still.written) {
            return Fail("the capture ended before the still at " + SecondsText(still.seconds) + " s");
        }
    }
    return true;
}

bool CaptureSession::Fail(std::string why) {
    error = std::move(why);
    return false;
}

}  // namespace zint::capture
