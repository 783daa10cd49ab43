// Writes the tests' modules into a folder, as seeds for the fuzzer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/music/xm_writer.h"

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const zint::test::XmModule& module) {
    const zint::test::Bytes bytes = module.Build();
    std::ofstream(folder / (name + ".xm"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    using zint::test::SmallModule;
    using zint::test::XmModule;
    Write(folder, "small", SmallModule());

    XmModule wide = SmallModule();
    wide.channelCount = 32;
    wide.patterns[0].packed.assign(4 * 32, 0x80);
    Write(folder, "wide", wide);

    XmModule manySamples = SmallModule();
    manySamples.instruments[1].samples.resize(16, manySamples.instruments[1].samples[1]);
    Write(folder, "many_samples", manySamples);

    XmModule enveloped = SmallModule();
    enveloped.instruments[1].volume = {{0, 64, 4, 48, 8, 16, 12, 0}, 4, 1, 1, 2, 0x07};
    enveloped.instruments.resize(4, {});
    Write(folder, "envelopes", enveloped);

    XmModule longSong = SmallModule();
    longSong.songLength = 256;
    for (int i = 0; i < 256; ++i) longSong.orderTable[i] = static_cast<std::uint8_t>(i % 5);
    longSong.restartPosition = 7;
    Write(folder, "long_song", longSong);
    return 0;
}
