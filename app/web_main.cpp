#include "app/lineup.h"
#include "app/startup.h"
#include "music/player.h"

// The page calls this on the viewer's start gesture. The sound output has no
// thread of its own to refill the ring, so it asks the player directly.
int main(int argc, char** argv) {
    auto system = zint::platform::CreateWebSystem(&zint::RefillRing);
    return zint::RunIntro(zint::CommandLineFromArguments(argc, argv), *system, zint::ThisProduction());
}
