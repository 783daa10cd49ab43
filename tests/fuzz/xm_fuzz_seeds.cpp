// Writes the tests' modules into a folder, as seeds for the fuzzer.
#include <cstdio>
#include <filesystem>

#include "tests/music/xm_writer.h"

int main(int argc, char** argv) {
    using zint::test::SmallModule;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    zint::test::XmModule wide = SmallModule(), manySamples = SmallModule(), enveloped = SmallModule(),
                         longSong = SmallModule();
    wide.channelCount = 32;
    wide.patterns[0].packed.assign(4 * 32, 0x80);
    manySamples.instruments[1].samples.resize(16, manySamples.instruments[1].samples[1]);
    enveloped.instruments[1].volume = {{0, 64, 4, 48, 8, 16, 12, 0}, 4, 1, 1, 2, 0x07};
    enveloped.instruments.resize(4, {});
    longSong.songLength = 256;
    for (int i = 0; i < 256; ++i) longSong.orderTable[i] = static_cast<std::uint8_t>(i % 5);
    longSong.restartPosition = 7;
    for (const auto& [name, module] : {std::pair{"small", SmallModule()}, {"wide", wide},
                                       {"many_samples", manySamples}, {"envelopes", enveloped},
                                       {"long_song", longSong}}) {
        zint::test::WriteFile(folder / (std::string(name) + ".xm"), module.Build());
    }
    return 0;
}
