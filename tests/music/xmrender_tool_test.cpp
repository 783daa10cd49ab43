// The xmrender program as a user runs it: the WAV it writes, the usage, and
// one clear line and nothing written for every input it cannot render.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/music/tick_test_support.h"

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
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

class XmrenderToolTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("xmrender_test_" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    Outcome Xmrender(const std::string& arguments) {
        const std::string command = std::string(ZINT_XMRENDER_BINARY) + " " + arguments + " >" +
                                    (folder / "out.txt").string() + " 2>" + (folder / "err.txt").string();
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(folder / "out.txt"), Slurp(folder / "err.txt")};
    }
    fs::path Write(const std::string& name, const test::Bytes& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder / name;
    }
    // Fails with one line naming `named`, and leaves no WAV behind.
    void ExpectRefused(const Outcome& run, int status, const std::string& named) {
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(run.err.rfind("xmrender: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(folder / "out.wav"));
        EXPECT_FALSE(fs::exists(folder / "out.wav.part"));
    }
    std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    fs::path folder;
};

TEST_F(XmrenderToolTest, WritesA16BitStereoWavOfTheLengthAsked) {
    const fs::path module = Write("song.xm", test::ModuleOf({{{{test::kC4, 1}}, {}, {}, {}}}).Build());
    const Outcome run = Xmrender(Quoted(module) + " " + Quoted(folder / "out.wav") + " --seconds 1.5 --rate 22050");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string wav = Slurp(folder / "out.wav");
    ASSERT_EQ(wav.size(), 44u + 33075 * 4);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32At(wav, 24), 22050u);
    EXPECT_EQ(U32At(wav, 22) & 0xFFFF, 2u);          // channels
    EXPECT_EQ(U32At(wav, 34) & 0xFFFF, 16u);         // bits
    EXPECT_EQ(U32At(wav, 40), 33075u * 4);
    EXPECT_FALSE(fs::exists(folder / "out.wav.part"));
}

TEST_F(XmrenderToolTest, WithoutALengthItPlaysUntilTheOrderRepeats) {
    const fs::path module = Write("song.xm", test::ModuleOf({{{{test::kC4, 1}}, {}, {}, {}}}).Build());
    ASSERT_EQ(Xmrender(Quoted(module) + " " + Quoted(folder / "out.wav")).status, 0);
    EXPECT_EQ(fs::file_size(folder / "out.wav"), 44u + 4 * 6 * 882 * 4);
}

TEST_F(XmrenderToolTest, HelpPrintsTheUsage) {
    const Outcome run = Xmrender("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: xmrender IN.xm OUT.wav [--seconds S] [--rate HZ]\n", 0), 0u);
}

TEST_F(XmrenderToolTest, RefusesWhatItCannotRender) {
    const std::string out = Quoted(folder / "out.wav");
    ExpectRefused(Xmrender(Quoted(folder / "missing.xm") + " " + out), 1, "missing.xm: cannot be read");
    ExpectRefused(Xmrender(Quoted(Write("text.xm", {'h', 'i'})) + " " + out), 1, "text.xm: not an XM module");
    test::XmModule wide = test::ModuleOf({{{}}});
    wide.channelCount = 33;
    ExpectRefused(Xmrender(Quoted(Write("wide.xm", wide.Build())) + " " + out), 1, "wide.xm: damaged");
    ExpectRefused(Xmrender(Quoted(folder) + " " + out), 1, "is a folder");
    const fs::path module = Write("song.xm", test::ModuleOf({{{}}}).Build());
    ExpectRefused(Xmrender(Quoted(module) + " " + Quoted(folder / "no" / "out.wav")), 1, "no/out.wav: cannot be written");
}

TEST_F(XmrenderToolTest, RefusesAWrongCommandLine) {
    const fs::path module = Write("song.xm", test::ModuleOf({{{}}}).Build());
    const std::string files = Quoted(module) + " " + Quoted(folder / "out.wav");
    ExpectRefused(Xmrender(Quoted(module)), 2, "needs a WAV file");
    ExpectRefused(Xmrender(files + " --rate 100"), 2, "--rate");
    ExpectRefused(Xmrender(files + " --seconds 0"), 2, "--seconds");
    ExpectRefused(Xmrender(files + " --seconds 601"), 2, "--seconds");
    ExpectRefused(Xmrender(files + " --loud"), 2, "unknown option --loud");
    ExpectRefused(Xmrender(files + " extra"), 2, "unexpected argument extra");
}

}  // namespace
}  // namespace zint
