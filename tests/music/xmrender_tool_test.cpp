// The xmrender program as a user runs it: the WAV it writes, the usage, and
// one clear line and nothing written for every input it cannot render.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/music/player_test_support.h"

namespace zint {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    const test::Bytes bytes = test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class XmrenderToolTest : public testing::Test {
protected:
    void TearDown() override { fs::remove_all(folder); }

    // Runs xmrender with the arguments (paths among them print quoted); the
    // exit status, and what it wrote to standard output and error.
    template <typename... Arguments>
    std::tuple<int, std::string, std::string> Xmrender(const Arguments&... arguments) {
        std::ostringstream command;
        command << ZINT_XMRENDER_BINARY;
        ((command << ' ' << arguments), ...);
        command << " >" << folder / "out.txt" << " 2>" << folder / "err.txt";
        const int raw = std::system(command.str().c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(folder / "out.txt"), Slurp(folder / "err.txt")};
    }
    fs::path Write(const std::string& name, const test::Bytes& bytes) {
        fs::create_directories(folder);
        test::WriteFile(folder / name, bytes);
        return folder / name;
    }

    fs::path folder = fs::temp_directory_path() / ("xmrender_test_" + std::to_string(::getpid()));
    fs::path wav = folder / "out.wav";
    fs::path song = Write("song.xm", test::ModuleOf({{{{test::kC4, 1}}, {}, {}, {}}}).Build());
};

// The WAV's header fields as little-endian numbers of `size` bytes at `offset`.
std::uint32_t At(const std::string& bytes, std::size_t offset, std::size_t size = 4) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

TEST_F(XmrenderToolTest, WritesA16BitStereoWavOfTheLengthAskedOrUntilTheOrderRepeats) {
    const auto [status, out, err] = Xmrender(song, wav, "--seconds 1.5 --rate 22050");
    ASSERT_EQ(std::pair(status, err), std::pair(0, std::string()));
    const std::string bytes = Slurp(wav);
    ASSERT_EQ(bytes.size(), 44u + 33075 * 4);
    EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8), "RIFFWAVEfmt ");
    EXPECT_EQ(std::vector<std::uint32_t>({At(bytes, 24), At(bytes, 22, 2), At(bytes, 34, 2), At(bytes, 40)}),
              std::vector<std::uint32_t>({22050, 2, 16, 33075 * 4}));  // rate, channels, bits, data bytes
    EXPECT_FALSE(fs::exists(folder / "out.wav.part"));
    ASSERT_EQ(std::get<0>(Xmrender(song, wav)), 0);
    EXPECT_EQ(fs::file_size(wav), 44u + 4 * 6 * 882 * 4);
    const std::string usage = "Usage: xmrender IN.xm OUT.wav [--seconds S] [--rate HZ]\n";
    EXPECT_TRUE(std::get<1>(Xmrender("--help")).starts_with(usage));
}

// Each fails with one line naming the problem, and leaves no WAV behind.
TEST_F(XmrenderToolTest, RefusesWhatItCannotRenderAndAWrongCommandLine) {
    test::XmModule wide = test::ModuleOf({{{}}});
    wide.channelCount = 33;
    for (const auto& [run, expectedStatus, named] :
         {std::tuple{Xmrender(folder / "missing.xm", wav), 1, "missing.xm: cannot be read"},
          {Xmrender(Write("text.xm", {'h', 'i'}), wav), 1, "text.xm: not an XM module"},
          {Xmrender(Write("wide.xm", wide.Build()), wav), 1, "wide.xm: damaged"},
          {Xmrender(folder, wav), 1, "is a folder"},
          {Xmrender(song, folder / "no" / "out.wav"), 1, "no/out.wav: cannot be written"},
          {Xmrender(song), 2, "needs a WAV file"}, {Xmrender(song, wav, "--rate 100"), 2, "--rate"},
          {Xmrender(song, wav, "--seconds 0"), 2, "--seconds"}, {Xmrender(song, wav, "--seconds 601"), 2, "--seconds"},
          {Xmrender(song, wav, "--loud"), 2, "unknown option --loud"},
          {Xmrender(song, wav, "extra"), 2, "unexpected argument extra"}}) {
        const auto& [status, out, err] = run;
        EXPECT_EQ(status, expectedStatus) << named;
        EXPECT_TRUE(err.starts_with("xmrender: ") && err.find(named) != std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(fs::exists(wav) || fs::exists(folder / "out.wav.part")) << named;
    }
}

}  // namespace
}  // namespace zint
