#pragma once
// Loading modules built by the tests straight from memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "data/memory_file.h"
#include "music/loader.h"
#include "music/memory_file_callbacks.h"
#include "tests/music/song_invariants.h"
#include "tests/music/xm_writer.h"

namespace zint::test {

struct LoadResult {
    std::unique_ptr<Song> song;
    std::uint32_t repairs = 0;
    std::uint32_t endPosition = 0;  // where the loader left the memory file
};

inline void UseMemoryFileCallbacks() {
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
}

inline LoadResult LoadFromBytes(const Bytes& bytes) {
    UseMemoryFileCallbacks();
    MemoryFile file{0, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
    LoadResult result;
    result.song = LoadSong(&file, {}, &result.repairs);
    result.endPosition = file.position;
    return result;
}

inline void ExpectPlayable(const Song& song) { EXPECT_EQ(FirstViolation(song), ""); }

}  // namespace zint::test
