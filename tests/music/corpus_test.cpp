// Real modules from Debian packages (fetched into the build tree by the
// corpus.fetch test): every package gave some, and every one loads within the
// format's limits with nothing to mend, the same from disk as from memory,
// and plays 20 seconds, not silent and the same twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "music/file_callbacks.h"
#include "tests/music/loader_test_support.h"
#include "tests/music/render_test_support.h"

namespace zint {
namespace {

// The modules in the folder named by ZINT_XM_CORPUS, sorted by name.
std::vector<std::filesystem::path> CorpusModules() {
    std::vector<std::filesystem::path> modules;
    const char* directory = std::getenv("ZINT_XM_CORPUS");
    if (directory == nullptr || !std::filesystem::is_directory(directory)) return modules;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == ".xm") modules.push_back(entry.path());
    }
    std::sort(modules.begin(), modules.end());
    return modules;
}

TEST(CorpusTest, EveryPackageGaveModules) {
    const std::vector<std::filesystem::path> modules = CorpusModules();
    const char* directory = std::getenv("ZINT_XM_CORPUS");
    ASSERT_NE(directory, nullptr);
    std::ifstream stamp(std::filesystem::path(directory) / ".fetched");  // names the packages fetched
    std::string line;
    std::getline(stamp, line);
    std::istringstream packages(line);
    int packageCount = 0;
    for (std::string package; packages >> package; ++packageCount) {
        EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), [&](const auto& path) {
            return path.filename().string().starts_with(package + "__");
        })) << package;
    }
    EXPECT_GT(packageCount, 0);
}

TEST(CorpusTest, EveryModuleLoadsWithNothingToMendAndPlaysTheSameTwice) {
    const std::vector<std::filesystem::path> modules = CorpusModules();
    ASSERT_FALSE(modules.empty());
    for (const auto& path : modules) {
        SCOPED_TRACE(path.filename().string());
        SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        std::uint32_t repairs = ~0u;
        const std::unique_ptr<Song> fromDisk = LoadSong(path.c_str(), {}, &repairs);
        ASSERT_NE(fromDisk, nullptr);
        EXPECT_EQ(repairs, 0u);
        test::ExpectPlayable(*fromDisk);
        EXPECT_GT(fromDisk->songLength, 0);

        const test::LoadResult fromMemory = test::LoadFromBytes(test::ReadFile(path));
        ASSERT_NE(fromMemory.song, nullptr);
        ASSERT_EQ(fromDisk->patterns.size(), fromMemory.song->patterns.size());
        for (std::size_t i = 0; i < fromDisk->patterns.size(); ++i) {
            EXPECT_EQ(fromDisk->patterns[i].cells, fromMemory.song->patterns[i].cells);
        }
        ASSERT_EQ(fromDisk->instruments.size(), fromMemory.song->instruments.size());
        for (std::size_t i = 0; i < fromDisk->instruments.size(); ++i) {
            ASSERT_EQ(fromDisk->instruments[i].sampleCount, fromMemory.song->instruments[i].sampleCount);
            for (int s = 0; s < fromDisk->instruments[i].sampleCount; ++s) {
                EXPECT_EQ(fromDisk->instruments[i].ownedSamples[s].data,
                          fromMemory.song->instruments[i].ownedSamples[s].data);
            }
        }

        const std::vector<std::int16_t> first = test::Render(*fromDisk, 20);
        ASSERT_EQ(first.size(), 2u * 20 * 44100);
        EXPECT_FALSE(test::Silent(first));
        EXPECT_TRUE(test::Render(*fromDisk, 20) == first);
    }
}

}  // namespace
}  // namespace zint
