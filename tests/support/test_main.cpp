// Every test binary runs headless unless told otherwise: Mesa's offscreen
// SDL driver gives a real OpenGL context without a display, and the dummy
// audio driver a sound device that needs no hardware.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
