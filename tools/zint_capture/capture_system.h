#pragma once
// The platform the intro runs on while it is captured: the real window,
// whose every buffer swap first hands the finished frame to the capture, and
// a clock that advances by exactly one frame per swap.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"
#include "tools/zint_capture/capture_session.h"

namespace zint::capture {

// Counts swapped frames at framesPerSecond counts per second, so the main
// loop measures exactly 1/fps seconds for every frame.
class FrameClock final : public platform::Clock {
public:
    explicit FrameClock(int framesPerSecond) : framesPerSecond(framesPerSecond) {}
    std::int64_t Counter() override { return frames; }
    std::int64_t Frequency() override { return framesPerSecond; }
    void Advance() { ++frames; }

private:
    int framesPerSecond;
    std::int64_t frames = 0;
};

// Reads the finished frame, width x height packed RGB rows from the top.
using FrameGrabber = std::function<void(int width, int height, std::vector<std::uint8_t>& rgb)>;

// Makes the sound output the intro's music plays into.
using SoundDeviceMaker = std::function<std::unique_ptr<platform::SoundDevice>()>;

class CaptureSystem final : public platform::System {
public:
    // afterFrame runs once each frame has been taken (progress display).
    // Without a soundDevices maker the inner system's sound output is used.
    CaptureSystem(platform::System& inner, CaptureSession& session, FrameGrabber grabber,
                  std::function<void()> afterFrame = {}, SoundDeviceMaker soundDevices = {});

    // A window without full-screen mode change, whatever is asked for.
    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool fullScreen) override;
    platform::Clock& GetClock() override { return clock; }
    // Nothing is shown: the message becomes the capture's failure.
    void ShowError(platform::Window* owner, std::string_view text) override;
    std::unique_ptr<platform::SoundDevice> CreateSoundDevice() override;

    // The last message the intro reported, empty when none.
    const std::string& ReportedError() const { return reportedError; }
    // True when the window was asked to close (an interrupt) before the end.
    bool Interrupted() const { return interrupted; }

private:
    class Window;

    platform::System& inner;
    CaptureSession& session;
    FrameGrabber grabber;
    std::function<void()> afterFrame;
    SoundDeviceMaker soundDevices;
    FrameClock clock;
    std::string reportedError;
    bool interrupted = false;
};

}  // namespace zint::capture
