#include <emscripten.h>

#include <string>

#include "platform/system.h"
#include "platform/web/web_page.h"
#include "platform/web/web_sound_device.h"
#include "platform/web/web_window.h"

namespace zint::platform {

namespace {

constexpr double kMicrosecondsPerMillisecond = 1000.0;
constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

// The page's monotonic clock in microseconds, or in its stepping mode a
// count of finished frames at `rate` a second, as the capture tool counts them.
class WebClock final : public Clock {
public:
    explicit WebClock(int rate) : rate(rate) {}

    std::int64_t Counter() override {
        if (Stepping()) return frames;
        return static_cast<std::int64_t>(emscripten_get_now() * kMicrosecondsPerMillisecond);
    }

    std::int64_t Frequency() override {
        return Stepping() ? rate : kMicrosecondsPerSecond;
    }

    void FrameFinished() { ++frames; }

private:
    bool Stepping() const { return rate > 0; }

    int rate;
    std::int64_t frames = 0;
};

class WebSystem final : public System {
public:
    explicit WebSystem(void (*refillSound)()) : clock(web::SteppedFrameRate()), refillSound(refillSound) {}
    ~WebSystem() override { web::ShowEnded(); }

    std::unique_ptr<Window> CreateWindow(int width, int height, bool) override {
        // Full screen is the page's to offer (a button and F); the canvas
        // keeps its 640 x 480 pixels either way.
        return std::make_unique<web::WebWindow>(width, height, [this] { clock.FrameFinished(); });
    }

    Clock& GetClock() override { return clock; }

    std::unique_ptr<SoundDevice> CreateSoundDevice() override { return web::CreateWebSoundDevice(refillSound); }

    void ShowError(Window*, std::string_view text) override { web::ShowMessage(std::string(text).c_str()); }

private:
    WebClock clock;
    void (*refillSound)();
};

}  // namespace

std::unique_ptr<System> CreateWebSystem(void (*refillSound)()) { return std::make_unique<WebSystem>(refillSound); }

}  // namespace zint::platform
