// Real modules from Debian packages (fetched into the build tree by the
// corpus.fetch test): every one loads within the format's limits, with
// nothing to mend, the same from disk as from memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "music/file_callbacks.h"
#include "tests/music/corpus_modules.h"
#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

void ExpectSameSong(const Song& a, const Song& b) {
    ASSERT_EQ(a.patterns.size(), b.patterns.size());
    for (std::size_t i = 0; i < a.patterns.size(); ++i) EXPECT_EQ(a.patterns[i].cells, b.patterns[i].cells);
    ASSERT_EQ(a.instruments.size(), b.instruments.size());
    for (std::size_t i = 0; i < a.instruments.size(); ++i) {
        ASSERT_EQ(a.instruments[i].sampleCount, b.instruments[i].sampleCount);
        for (int s = 0; s < a.instruments[i].sampleCount; ++s) {
            EXPECT_EQ(a.instruments[i].ownedSamples[s].data, b.instruments[i].ownedSamples[s].data);
        }
    }
}

TEST(CorpusTest, EveryPackageGaveModules) {
    const std::vector<std::filesystem::path> modules = test::CorpusModules();
    // The fetch step's stamp names the packages it fetched.
    const char* directory = std::getenv("ZINT_XM_CORPUS");
    ASSERT_NE(directory, nullptr);
    std::ifstream stamp(std::filesystem::path(directory) / ".fetched");
    std::string line;
    std::getline(stamp, line);
    std::istringstream packages(line);
    std::string package;
    int packageCount = 0;
    while (packages >> package) {
        ++packageCount;
        EXPECT_TRUE(std::any_of(modules.begin(), modules.end(),
                                [&](const auto& path) { return path.filename().string().starts_with(package + "__"); }))
            << package;
    }
    EXPECT_GT(packageCount, 0);
}

TEST(CorpusTest, EveryModuleLoadsWithinTheLimitsWithNothingToMend) {
    const std::vector<std::filesystem::path> modules = test::CorpusModules();
    ASSERT_FALSE(modules.empty());
    for (const auto& path : modules) {
        SCOPED_TRACE(path.filename().string());
        SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        std::uint32_t repairs = ~0u;
        const std::unique_ptr<Song> fromDisk = LoadSong(path.c_str(), {}, &repairs);
        ASSERT_NE(fromDisk, nullptr);
        EXPECT_EQ(repairs, 0u);
        test::ExpectPlayable(*fromDisk);
        EXPECT_GT(fromDisk->channelCount, 0);
        EXPECT_GT(fromDisk->songLength, 0);

        const test::LoadResult fromMemory = test::LoadFromBytes(test::ReadFile(path));
        ASSERT_NE(fromMemory.song, nullptr);
        EXPECT_EQ(fromMemory.repairs, 0u);
        ExpectSameSong(*fromDisk, *fromMemory.song);
    }
}

}  // namespace
}  // namespace zint
