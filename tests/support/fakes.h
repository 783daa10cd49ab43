#pragma once
// Fakes of the platform interfaces and a scene that records its calls, so the
// main loop and the start-up can be driven without a display.
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/scene.h"
#include "platform/system.h"

namespace zint::test {

// Everything the fakes see, in order, as short words: "render:a", "swap", ...
using CallLog = std::vector<std::string>;

// Each read of the counter advances it by the next scripted step (else 1).
struct FakeClock final : platform::Clock {
    explicit FakeClock(std::int64_t frequency = 1000) : frequency(frequency) {}
    std::int64_t Counter() override {
        counter += steps.empty() ? 1 : steps.front();
        if (!steps.empty()) steps.pop_front();
        return counter;
    }
    std::int64_t Frequency() override { return frequency; }

    std::int64_t frequency;
    std::int64_t counter = 0;
    std::deque<std::int64_t> steps;
};

// Plays back a script of events, one per poll, then reports none.
struct ScriptedWindow final : platform::Window {
    ScriptedWindow(CallLog& log, bool created = true) : log(log), created(created) {}
    bool Created() const override { return created; }
    platform::WindowEvent PollEvent() override {
        ++polls;
        if (events.empty()) return platform::WindowEvent::None;
        const platform::WindowEvent event = events.front();
        events.pop_front();
        log.push_back(event == platform::WindowEvent::Quit ? "event:quit" : "event:other");
        return event;
    }
    void SwapBuffers() override { log.push_back("swap"); }
    void Destroy() override { log.push_back("destroy"); }

    CallLog& log;
    bool created;
    int polls = 0;
    std::deque<platform::WindowEvent> events;
};

// Finishes after the given number of updates; with none, at once (a
// loader's verdict).
struct RecordingScene final : Scene {
    RecordingScene(CallLog& log, std::string name, int framesToFinish)
        : log(log), name(std::move(name)), framesToFinish(framesToFinish) {}
    bool Start() override {
        log.push_back("start:" + name);
        return true;
    }
    void Update(float seconds) override {
        log.push_back("update:" + name);
        updates.push_back(seconds);
    }
    void Render() override { log.push_back("render:" + name); }
    bool IsFinished() override { return static_cast<int>(updates.size()) >= framesToFinish; }

    CallLog& log;
    std::string name;
    int framesToFinish;
    std::vector<float> updates;
};

// A sound output that plays nothing and never moves; `opens` decides whether
// Open succeeds (false: a machine without sound hardware). With a log, it
// records "sound:open", "sound:play" and "sound:reset".
struct FakeSoundDevice final : platform::SoundDevice {
    explicit FakeSoundDevice(bool opens = true, CallLog* log = nullptr) : opens(opens), log(log) {}
    bool Open(int) override {
        Note("sound:open");
        return opens;
    }
    void Play(std::span<const std::int16_t>) override { Note("sound:play"); }
    void Reset() override { Note("sound:reset"); }
    std::uint64_t PlayedBytes() const override { return 0; }
    void RingWritten() override {}
    bool IsRealTime() const override { return false; }
    void RaiseThreadPriority() override {}
    void Note(const char* what) {
        if (log != nullptr) log->push_back(what);
    }

    bool opens;
    CallLog* log;
};

struct FakeSystem final : platform::System {
    explicit FakeSystem(CallLog& log) : log(log) {}
    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool fullScreen) override {
        log.push_back("window:" + std::to_string(width) + "x" + std::to_string(height) +
                      (fullScreen ? ":full" : ":windowed"));
        auto window = std::make_unique<ScriptedWindow>(log, windowCreated);
        window->events = windowEvents;
        return window;
    }
    platform::Clock& GetClock() override { return clock; }
    void ShowError(platform::Window* owner, std::string_view text) override {
        log.push_back(std::string(owner != nullptr ? "error(owned):" : "error:") + std::string(text));
    }
    std::unique_ptr<platform::SoundDevice> CreateSoundDevice() override {
        return std::make_unique<FakeSoundDevice>(soundDeviceOpens, &log);
    }

    CallLog& log;
    FakeClock clock;
    bool windowCreated = true;
    bool soundDeviceOpens = true;
    std::deque<platform::WindowEvent> windowEvents;
};

}  // namespace zint::test
