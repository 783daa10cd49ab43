// Feeds arbitrary bytes to the XM loader through a memory file. A song that
// loads must keep every structural promise (checked in full, so the
// sanitizers see any read past a buffer); one that does not must leave
// nothing behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "data/memory_file.h"
#include "music/loader.h"
#include "music/memory_file_callbacks.h"
#include "tests/music/song_invariants.h"

namespace {

// Reads every frame, guard frames included, so that a wrong size shows up.
unsigned TouchSampleData(const zint::Song& song) {
    unsigned sum = 0;
    for (const zint::Instrument& instrument : song.instruments) {
        for (const zint::Sample* sample : instrument.samples) {
            for (std::int16_t frame : sample->data) sum += static_cast<std::uint16_t>(frame);
        }
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) return 0;
    zint::SetModuleFileCallbacks(zint::MemoryFileOpen, zint::MemoryFileClose, zint::MemoryFileRead,
                                 zint::MemoryFileSeek, zint::MemoryFileTell);
    zint::MemoryFile file{0, static_cast<std::uint32_t>(size), data};
    std::unique_ptr<zint::Song> song = zint::LoadSong(&file);
    if (song) {
        const std::string violation = zint::test::FirstViolation(*song);
        if (!violation.empty()) {
            std::fprintf(stderr, "loaded song breaks a promise: %s\n", violation.c_str());
            std::abort();
        }
        volatile unsigned sink = TouchSampleData(*song);
        (void)sink;
    }
    zint::FreeSong(std::move(song));
    return 0;
}
