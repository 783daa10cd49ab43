#include "app/lineup.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    auto system = zint::platform::CreateSdlSystem();
    return zint::RunIntro(zint::CommandLineFromArguments(argc, argv), *system, zint::ThisProduction());
}
