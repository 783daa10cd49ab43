#include "app/startup.h"

#include "app/command_line.h"
#include "app/main_loop.h"
#include "app/music_hookup.h"
#include "gfx/drawing.h"

namespace zint {

int RunIntro(std::string_view commandLine, platform::System& system, const Production& production) {
    platform::Clock& clock = system.GetClock();
    const bool fullScreen = WantsFullScreen(commandLine);

    std::unique_ptr<platform::Window> window = system.CreateWindow(kScreenWidth, kScreenHeight, fullScreen);
    if (!window->Created()) {
        system.ShowError(nullptr, kNoWindowMessage);
        return 0;
    }
    gl::SelectDrawing(window->Api());

    MusicHookUp music(production.module);
    switch (music.Prepare(system.CreateSoundDevice())) {
    case MusicPrepared::Ready:
        break;
    case MusicPrepared::NoSoundOutput:
        window->Destroy();
        system.ShowError(nullptr, kNoPlayerMessage);
        return 0;
    case MusicPrepared::SongRefused:
        window->Destroy();
        return 0;
    }

    SceneList scenes;
    production.buildLineUp(scenes, *window);

    Scene& loader = scenes[0];
    loader.Start();
    if (!loader.IsFinished()) {
        system.ShowError(window.get(), kLoadFailedMessage);
        window->Destroy();
        music.ReleaseAfterFailedLoad();
        return 0;
    }

    music.Start();
    RunMainLoop(scenes, *window, clock);

    music.StopAndRelease();
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
