#include "app/main_loop.h"

#include "gfx/drawing.h"

namespace zint {

LoopEnd RunMainLoop(SceneList& scenes, platform::Window& window, platform::Clock& clock) {
    const double frequency = static_cast<double>(clock.Frequency());
    std::int64_t previous = clock.Counter();
    std::size_t current = 0;

    while (true) {
        const platform::WindowEvent event = window.PollEvent();
        if (event == platform::WindowEvent::Quit) return LoopEnd::QuitRequested;
        if (event == platform::WindowEvent::Other) continue;

        Scene& scene = scenes[current];
        scene.Render();
        gl::Flush();
        window.SwapBuffers();

        const std::int64_t now = clock.Counter();
        const auto seconds = static_cast<float>(static_cast<double>(now - previous) / frequency);
        previous = now;

        scene.Update(seconds);
        if (scene.IsFinished()) {
            ++current;
            if (current >= scenes.Count()) return LoopEnd::LastSceneFinished;
            scenes[current].Start();
        }
    }
}

}  // namespace zint
