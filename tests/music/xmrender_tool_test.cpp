// The xmrender program as a user runs it: the WAV it writes, the usage, and
// one clear line and nothing written for every input it cannot render.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/music/player_test_support.h"

namespace zint {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

class XmrenderToolTest : public testing::Test {
protected:
    void TearDown() override { fs::remove_all(folder); }

    // Runs xmrender with the arguments; paths among them are quoted.
    template <typename... Arguments>
    Outcome Xmrender(const Arguments&... arguments) {
        std::ostringstream command;
        command << ZINT_XMRENDER_BINARY;
        ((command << ' ' << arguments), ...);  // a path prints quoted
        command << " >" << folder / "out.txt"
                << " 2>" << folder / "err.txt";
        const int raw = std::system(command.str().c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(folder / "out.txt"), Slurp(folder / "err.txt")};
    }
    fs::path Write(const std::string& name, const test::Bytes& bytes) {
        fs::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder / name;
    }
    // Fails with one line naming `named`, and leaves no WAV behind.
    void ExpectRefused(const Outcome& run, int status, const std::string& named) {
        EXPECT_EQ(run.status, status);
        EXPECT_TRUE(run.err.starts_with("xmrender: ")) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(wav));
        EXPECT_FALSE(fs::exists(folder / "out.wav.part"));
    }

    fs::path folder = fs::temp_directory_path() / ("xmrender_test_" + std::to_string(::getpid()));
    fs::path wav = folder / "out.wav";
    fs::path song = Write("song.xm", test::ModuleOf({{{{test::kC4, 1}}, {}, {}, {}}}).Build());
};

TEST_F(XmrenderToolTest, WritesA16BitStereoWavOfTheLengthAskedOrUntilTheOrderRepeats) {
    const Outcome run = Xmrender(song, wav, "--seconds 1.5 --rate 22050");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string bytes = Slurp(wav);
    ASSERT_EQ(bytes.size(), 44u + 33075 * 4);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(std::vector<std::uint32_t>(
                  {U32At(bytes, 24), U32At(bytes, 22) & 0xFFFF, U32At(bytes, 34) & 0xFFFF, U32At(bytes, 40)}),
              std::vector<std::uint32_t>({22050, 2, 16, 33075 * 4}));  // rate, channels, bits, data bytes
    EXPECT_FALSE(fs::exists(folder / "out.wav.part"));
    ASSERT_EQ(Xmrender(song, wav).status, 0);
    EXPECT_EQ(fs::file_size(wav), 44u + 4 * 6 * 882 * 4);
    EXPECT_TRUE(
        Xmrender("--help").out.starts_with("Usage: xmrender IN.xm OUT.wav [--seconds S] [--rate HZ]\n"));
}

TEST_F(XmrenderToolTest, RefusesWhatItCannotRenderAndAWrongCommandLine) {
    ExpectRefused(Xmrender(folder / "missing.xm", wav), 1, "missing.xm: cannot be read");
    ExpectRefused(Xmrender(Write("text.xm", {'h', 'i'}), wav), 1, "text.xm: not an XM module");
    test::XmModule wide = test::ModuleOf({{{}}});
    wide.channelCount = 33;
    ExpectRefused(Xmrender(Write("wide.xm", wide.Build()), wav), 1, "wide.xm: damaged");
    ExpectRefused(Xmrender(folder, wav), 1, "is a folder");
    ExpectRefused(Xmrender(song, folder / "no" / "out.wav"), 1, "no/out.wav: cannot be written");
    ExpectRefused(Xmrender(song), 2, "needs a WAV file");
    for (const char* option : {"--rate 100", "--seconds 0", "--seconds 601"}) {
        ExpectRefused(Xmrender(song, wav, option), 2,
                      std::string(option).substr(0, std::string(option).find(' ')));
    }
    ExpectRefused(Xmrender(song, wav, "--loud"), 2, "unknown option --loud");
    ExpectRefused(Xmrender(song, wav, "extra"), 2, "unexpected argument extra");
}

}  // namespace
}  // namespace zint
