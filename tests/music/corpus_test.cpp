// Real modules from Debian packages (fetched into the build tree by the
// corpus.fetch test): every package gave some, and every one loads within the
// format's limits with nothing to mend and plays 20 seconds, not silent, the
// same loaded from memory as from disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "music/file_callbacks.h"
#include "tests/music/loader_test_support.h"
#include "tests/music/render_test_support.h"

namespace zint {
namespace {

TEST(CorpusTest, EveryPackageGaveModulesThatLoadWithNothingToMendAndPlayTheSameTwice) {
    const char* directory = std::getenv("ZINT_XM_CORPUS");
    ASSERT_TRUE(directory != nullptr && std::filesystem::is_directory(directory));
    std::vector<std::filesystem::path> modules;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == ".xm") modules.push_back(entry.path());
    }
    std::ifstream stamp(std::filesystem::path(directory) / ".fetched");  // names the packages fetched
    std::string package;
    for (int packages = 0; stamp >> package || packages == 0; ++packages) {  // at least one
        EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), [&](const auto& path) {
            return path.filename().string().starts_with(package + "__");
        })) << package;
    }
    for (const auto& path : modules) {
        SCOPED_TRACE(path.filename().string());
        SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        std::uint32_t repairs = ~0u;
        const std::unique_ptr<Song> fromDisk = LoadSong(path.c_str(), {}, &repairs);
        ASSERT_NE(fromDisk, nullptr);
        EXPECT_EQ(repairs, 0u);
        test::ExpectPlayable(*fromDisk);
        const test::LoadResult fromMemory = test::LoadFromBytes(test::ReadFile(path));
        ASSERT_NE(fromMemory.song, nullptr);
        const std::vector<std::int16_t> first = test::Render(*fromDisk, 20);
        ASSERT_EQ(first.size(), 2u * 20 * 44100);
        EXPECT_FALSE(test::Silent(first));
        EXPECT_TRUE(test::Render(*fromMemory.song, 20) == first) << "from memory, or a second time";
    }
}

}  // namespace
}  // namespace zint
