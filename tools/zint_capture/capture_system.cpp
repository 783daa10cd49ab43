#include "tools/zint_capture/capture_system.h"

namespace zint::capture {

class CaptureSystem::Window final : public platform::Window {
public:
    Window(CaptureSystem& system, std::unique_ptr<platform::Window> inner, int width, int height)
        : system(system), inner(std::move(inner)), width(width), height(height) {}

    bool Created() const override { return inner->Created(); }
    platform::GlApi Api() const override { return inner->Api(); }

    // The capture ends the main loop the way closing the window would.
    platform::WindowEvent PollEvent() override {
        if (!system.session.WantsMoreFrames()) return platform::WindowEvent::Quit;
        const platform::WindowEvent event = inner->PollEvent();
        if (event == platform::WindowEvent::Quit) system.interrupted = true;
        return event;
    }

    void SwapBuffers() override {
        system.grabber(width, height, frame);
        system.session.TakeFrame(frame);
        system.clock.Advance();
        if (system.afterFrame) system.afterFrame();
        inner->SwapBuffers();
    }

    void Destroy() override { inner->Destroy(); }

private:
    CaptureSystem& system;
    std::unique_ptr<platform::Window> inner;
    int width;
    int height;
    std::vector<std::uint8_t> frame;
};

CaptureSystem::CaptureSystem(platform::System& inner, CaptureSession& session, FrameGrabber grabber,
                             std::function<void()> afterFrame, SoundDeviceMaker soundDevices)
    : inner(inner),
      session(session),
      grabber(std::move(grabber)),
      afterFrame(std::move(afterFrame)),
      soundDevices(std::move(soundDevices)),
      clock(session.Plan().framesPerSecond) {}

std::unique_ptr<platform::Window> CaptureSystem::CreateWindow(int width, int height, bool) {
    return std::make_unique<Window>(*this, inner.CreateWindow(width, height, false), width, height);
}

void CaptureSystem::ShowError(platform::Window*, std::string_view text) { reportedError = text; }

std::unique_ptr<platform::SoundDevice> CaptureSystem::CreateSoundDevice() {
    return soundDevices ? soundDevices() : inner.CreateSoundDevice();
}

}  // namespace zint::capture
