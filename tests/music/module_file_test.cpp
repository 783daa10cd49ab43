// The file callbacks over memory and over disk keep one contract, and the
// loader's stream degrades to nothing when no file is open.
#include <gtest/gtest.h>

#include <cstdio>
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

Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

// A file on disk that disappears with the test.
class TempFile {
public:
    explicit TempFile(const Bytes& bytes)
        : path((std::filesystem::temp_directory_path() / ("zint_module_" + std::to_string(::getpid()) + "_" +
                                                          std::to_string(counter++) + ".xm"))
                   .string()) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() { std::filesystem::remove(path); }
    std::string path;

private:
    static inline int counter = 0;
};

struct Callbacks {
    const char* name;
    decltype(ModuleFileCallbacks::open) open;
    decltype(ModuleFileCallbacks::close) close;
    decltype(ModuleFileCallbacks::read) read;
    decltype(ModuleFileCallbacks::seek) seek;
    decltype(ModuleFileCallbacks::tell) tell;
};

void PrintTo(const Callbacks& callbacks, std::ostream* out) { *out << callbacks.name; }

const Callbacks kMemory{"memory", MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell};
const Callbacks kDisk{"disk", DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell};

class FileCallbacksTest : public testing::TestWithParam<Callbacks> {
protected:
    void SetUp() override {
        const Callbacks& c = GetParam();
        SetModuleFileCallbacks(c.open, c.close, c.read, c.seek, c.tell);
    }

    // The name each implementation understands for the same 100 bytes.
    const void* Name() { return GetParam().open == MemoryFileOpen ? static_cast<const void*>(&memory) : disk.path.c_str(); }

    Bytes bytes = Counting(100);
    MemoryFile memory{0, 100, bytes.data()};
    TempFile disk{bytes};
};

TEST_P(FileCallbacksTest, ReadsAreCutAtTheEndAndLeaveTheRestOfTheDestinationAlone) {
    ModuleStream stream(Name());
    ASSERT_TRUE(stream.IsOpen());
    std::uint8_t buffer[10];
    EXPECT_EQ(stream.Read(buffer, 10), 10u);
    EXPECT_EQ(buffer[9], 9);
    EXPECT_EQ(stream.Tell(), 10u);

    stream.Seek(-3, kSeekEnd);
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    EXPECT_EQ(stream.Read(buffer, 10), 3u);
    EXPECT_EQ(buffer[0], 97);
    EXPECT_EQ(buffer[2], 99);
    EXPECT_EQ(buffer[3], 0xEE);
    EXPECT_EQ(stream.Tell(), 100u);
    EXPECT_EQ(stream.Read(buffer, 10), 0u);
    EXPECT_EQ(buffer[0], 97);
    EXPECT_EQ(stream.Read(buffer, 0), 0u);
}

TEST_P(FileCallbacksTest, SeeksFollowTheirOriginAndStopAtTheEnd) {
    ModuleStream stream(Name());
    // An unknown origin moves nothing; before the start counts as past the end.
    for (const auto& [offset, origin, position] :
         {std::tuple{20, kSeekSet, 20u}, {5, kSeekCurrent, 25u}, {-5, kSeekCurrent, 20u}, {0, kSeekEnd, 100u},
          {-40, kSeekEnd, 60u}, {7, 3, 60u}, {101, kSeekSet, 100u}, {10, kSeekSet, 10u}, {-11, kSeekCurrent, 100u},
          {5, kSeekEnd, 100u}}) {
        stream.Seek(offset, static_cast<std::uint8_t>(origin));
        EXPECT_EQ(stream.Tell(), position) << offset << " from " << int{origin};
    }
    EXPECT_EQ(stream.Size(), 100u);
    EXPECT_EQ(stream.Tell(), 100u);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndDisk, FileCallbacksTest, testing::Values(kMemory, kDisk),
                         [](const testing::TestParamInfo<Callbacks>& info) { return std::string(info.param.name); });

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
    SetModuleFileCallbacks(CountingFile::Open, CountingFile::Close, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
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
