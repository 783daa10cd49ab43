#include "app/startup.h"

#include "app/command_line.h"
#include "app/main_loop.h"

namespace zint {

int RunIntro(std::string_view commandLine, platform::System& system, const LineUpBuilder& buildLineUp) {
    platform::Clock& clock = system.GetClock();
    const bool fullScreen = WantsFullScreen(commandLine);

    std::unique_ptr<platform::Window> window = system.CreateWindow(kScreenWidth, kScreenHeight, fullScreen);
    if (!window->Created()) {
        system.ShowError(nullptr, kNoWindowMessage);
        return 0;
    }

    SceneList scenes;
    buildLineUp(scenes, *window);

    Scene& loader = scenes[0];
    loader.Start();
    if (!loader.IsFinished()) {
        system.ShowError(window.get(), kLoadFailedMessage);
        window->Destroy();
        return 0;
    }

    RunMainLoop(scenes, *window, clock);

    window->Destroy();
    return 0;
}

std::string CommandLineFromArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace zint
