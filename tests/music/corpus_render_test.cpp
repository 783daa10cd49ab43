// Every module of the corpus plays for 20 seconds through the offline
// device: no crash, not silent, and the same samples on a second render.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/module_file.h"
#include "tests/music/corpus_modules.h"
#include "tests/music/render_test_support.h"

namespace zint {
namespace {

TEST(CorpusRenderTest, EveryModulePlaysTwentySecondsTheSameTwice) {
    const std::vector<std::filesystem::path> modules = test::CorpusModules();
    ASSERT_FALSE(modules.empty());
    for (const auto& path : modules) {
        SCOPED_TRACE(path.filename().string());
        SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        const std::unique_ptr<Song> song = LoadSong(path.c_str());
        ASSERT_NE(song, nullptr);
        const std::vector<std::int16_t> first = test::Render(*song, 20);
        ASSERT_EQ(first.size(), 2u * 20 * 44100);
        EXPECT_FALSE(test::Silent(first));
        EXPECT_TRUE(test::Render(*song, 20) == first);
    }
}

}  // namespace
}  // namespace zint
