#pragma once
// The production in an offscreen window of the asked OpenGL kind, stepped as
// the main loop steps it at a fixed 60 frames a second, drawing only the
// frames asked for: for comparing and timing the two drawing paths.
#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/lineup.h"
#include "gfx/drawing.h"
#include "platform/gl_functions.h"
#include "platform/system.h"
#include "scenes/random.h"

namespace zint::test {

using Frame = std::vector<std::uint8_t>;  // RGBA rows of 640 x 480, bottom row first

// Its rows are a multiple of 8 bytes: every pack alignment reads them alike.
inline Frame ReadFrame() {
    decltype(&glReadPixels) readPixels = nullptr;
    platform::FindGlFunction(readPixels, "glReadPixels");
    Frame frame(640 * 480 * 4);
    gl::Flush();
    readPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

// The line-up draws into the run itself as its window, so that the run keeps
// the loader's last swap: the loading screen is only ever shown by the
// loader itself.
class ProductionRun final : public platform::Window {
public:
    // glRequest is what ZINT_GL says: "es" or "compat".
    explicit ProductionRun(const char* glRequest) {
        setenv("ZINT_GL", glRequest, 1);
        system = platform::CreateSdlSystem();
        window = system->CreateWindow(640, 480, false);
        unsetenv("ZINT_GL");
        if (!window->Created()) return;
        gl::SelectDrawing(window->Api());
        SeedRand(1);
        BuildLineUp(scenes, *this);
        scenes[0].Start();
        scenes[current].Start();
    }

    ~ProductionRun() override {
        scenes = SceneList();
        gl::SelectDrawing(platform::GlApi::Compatibility);
        if (window) window->Destroy();
    }

    bool Created() const override { return window->Created(); }
    platform::GlApi Api() const override { return window->Api(); }
    platform::WindowEvent PollEvent() override { return window->PollEvent(); }
    void SwapBuffers() override {
        loadingScreen = ReadFrame();
        window->SwapBuffers();
    }
    void Destroy() override { window->Destroy(); }

    bool Ready() const { return Created() && current < scenes.Count(); }

    // Updates without drawing up to the given frame after the loader.
    void StepTo(int target) {
        for (; frame < target && current < scenes.Count(); ++frame) {
            scenes[current].Update(1.0f / 60.0f);
            if (scenes[current].IsFinished() && ++current < scenes.Count()) scenes[current].Start();
        }
    }

    Frame Render() {
        scenes[current].Render();
        return ReadFrame();
    }

    // Draws the current frame and shows it, as the main loop does.
    void RenderAndSwap() {
        scenes[current].Render();
        gl::Flush();
        window->SwapBuffers();
    }

    Frame loadingScreen;

private:
    std::unique_ptr<platform::System> system;
    std::unique_ptr<platform::Window> window;
    SceneList scenes;
    std::size_t current = 1;
    int frame = 0;
};

}  // namespace zint::test
