// make_module OUT.xm: composes the production's song and writes it as an
// Extended Module. The output is the same, byte for byte, on every run.
#include <cstdio>
#include <exception>
#include <fstream>

#include "tools/make_module/song.h"
#include "tools/make_module/xm_writer.h"

namespace {

// The module is embedded behind a 16-bit byte count.
constexpr std::size_t kLargestModule = 0xFFFF;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.xm\n", argv[0]);
        return 2;
    }
    try {
        const auto bytes = zint::xm::WriteXm(zint::compose::ComposeModule());
        if (bytes.size() > kLargestModule) {
            std::fprintf(stderr, "module is %zu bytes, more than %zu\n", bytes.size(), kLargestModule);
            return 1;
        }
        std::ofstream out(argv[1], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
        std::printf("%s: %zu bytes\n", argv[1], bytes.size());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
