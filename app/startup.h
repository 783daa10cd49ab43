#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/scene_list.h"
#include "gfx/draw_state.h"
#include "platform/system.h"

namespace zint {

inline constexpr std::string_view kNoWindowMessage = "Unable to create window";
inline constexpr std::string_view kLoadFailedMessage =
    "Unable to load data (most likely the codec thing)\r\nInform tov";

// Fills the list with the production's scenes; scene 0 is the loader, whose
// IsFinished right after Start is the loading verdict.
using LineUpBuilder = std::function<void(SceneList&, platform::Window&)>;

// What the start-up runs: the scenes and the music.
struct Production {
    LineUpBuilder buildLineUp;
    std::span<const std::uint8_t> module;  // an XM module; it must outlive the run
};

// The whole run: window, music, line-up, loading verdict, main loop,
// shutdown. Returns the process exit code, which is 0 on every path.
int RunIntro(std::string_view commandLine, platform::System& system, const Production& production);

// The text after the program's name, as one line: the arguments joined by blanks.
std::string CommandLineFromArguments(int argc, char** argv);

}  // namespace zint
