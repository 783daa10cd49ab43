// The file callbacks over memory and over disk keep one contract, and the
// loader's stream degrades to nothing when no file is open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <tuple>

#include <unistd.h>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using test::Bytes;

// The same 100 counting bytes in memory and in a file, read through each
// set of callbacks: reads are cut at the end and leave the rest of the
// destination alone; seeks follow their origin and stop at the end (an
// unknown origin moves nothing, before the start counts as past the end).
TEST(ModuleFileCallbacksTest, MemoryAndDiskKeepOneContract) {
    Bytes bytes(100);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    MemoryFile memory{0, 100, bytes.data()};
    const std::string path =
        std::filesystem::temp_directory_path() / ("zint_module_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 100);
    for (const bool disk : {false, true}) {
        SCOPED_TRACE(disk ? "disk" : "memory");
        if (disk) {
            SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        } else {
            test::UseMemoryFileCallbacks();
        }
        ModuleStream stream(disk ? static_cast<const void*>(path.c_str()) : &memory);
        ASSERT_TRUE(stream.IsOpen());
        std::uint8_t buffer[10];
        EXPECT_EQ(stream.Read(buffer, 10), 10u);
        EXPECT_EQ(buffer[9], 9);
        stream.Seek(-3, kSeekEnd);
        std::fill(std::begin(buffer), std::end(buffer), 0xEE);
        EXPECT_EQ(stream.Read(buffer, 10), 3u);
        EXPECT_EQ(std::vector<int>(buffer, buffer + 4), std::vector<int>({97, 98, 99, 0xEE}));
        EXPECT_EQ(stream.Read(buffer, 10), 0u);
        EXPECT_EQ(buffer[0], 97);
        for (const auto& [offset, origin, position] : {std::tuple{20, kSeekSet, 20u},
                                                       {5, kSeekCurrent, 25u},
                                                       {-5, kSeekCurrent, 20u},
                                                       {0, kSeekEnd, 100u},
                                                       {-40, kSeekEnd, 60u},
                                                       {7, 3, 60u},
                                                       {101, kSeekSet, 100u},
                                                       {10, kSeekSet, 10u},
                                                       {-11, kSeekCurrent, 100u},
                                                       {5, kSeekEnd, 100u}}) {
            stream.Seek(offset, static_cast<std::uint8_t>(origin));
            EXPECT_EQ(stream.Tell(), position) << offset << " from " << int{origin};
        }
        EXPECT_EQ(stream.Size(), 100u);
    }
    std::filesystem::remove(path);
}

TEST(ModuleFileCallbacksTest, WhatDoesNotOpenYieldsNothingAndAMissingOperationClearsAllFive) {
    EXPECT_EQ(DiskFileOpen("/nonexistent/zint/module.xm"), nullptr);
    EXPECT_EQ(DiskFileOpen(nullptr), nullptr);
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, nullptr);
    const ModuleFileCallbacks& installed = InstalledModuleFileCallbacks();
    EXPECT_FALSE(installed.open || installed.close || installed.read || installed.seek || installed.tell);
    const Bytes module = test::SmallModule().Build();
    MemoryFile file{0, static_cast<std::uint32_t>(module.size()), module.data()};
    EXPECT_EQ(LoadSong(&file), nullptr);

    ModuleStream stream("anything");
    EXPECT_FALSE(stream.IsOpen());
    std::uint8_t byte = 7;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 7);
    stream.Seek(5, kSeekSet);
    EXPECT_EQ(stream.Tell(), 0u);
    EXPECT_EQ(stream.Size(), 0u);
}

// Counts opens and closes, and fails to open on request.
struct CountingFile {
    static inline int opens = 0;
    static inline int closes = 0;
    static inline bool failOpen = false;
    static ModuleFileHandle Open(const void* name) {
        ++opens;
        return failOpen ? nullptr : MemoryFileOpen(name);
    }
    static void Close(ModuleFileHandle handle) {
        ++closes;
        MemoryFileClose(handle);
    }
};

TEST(ModuleFileCallbacksTest, LoadSongClosesWhatItOpenedOnSuccessAndFailure) {
    SetModuleFileCallbacks(CountingFile::Open, CountingFile::Close, MemoryFileRead, MemoryFileSeek,
                           MemoryFileTell);
    const Bytes good = test::SmallModule().Build();
    Bytes bad = good;
    bad[0] = 'e';
    MemoryFile goodFile{0, static_cast<std::uint32_t>(good.size()), good.data()};
    MemoryFile badFile{0, static_cast<std::uint32_t>(bad.size()), bad.data()};
    EXPECT_NE(LoadSong(&goodFile), nullptr);
    EXPECT_EQ(LoadSong(&badFile), nullptr);
    CountingFile::failOpen = true;
    EXPECT_EQ(LoadSong(&goodFile), nullptr);
    CountingFile::failOpen = false;
    EXPECT_EQ(CountingFile::opens, 3);
    EXPECT_EQ(CountingFile::closes, 2);
}

}  // namespace
}  // namespace zint
