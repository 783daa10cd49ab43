// zint-capture as a user runs it: short captures of the production's line-up,
// read back with the decoders, and its failures.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/lineup.h"
#include "app/startup.h"
#include "data/items.h"
#include "platform/media_probe.h"
#include "tests/music/loader_test_support.h"
#include "tests/music/render_test_support.h"
#include "tests/support/fakes.h"

namespace zint {
namespace {

// Of this process alone: other runs of the suite may share the machine.
const std::filesystem::path kFolder =
    std::filesystem::temp_directory_path() / ("zint-capture-tool-" + std::to_string(getpid()));

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct ToolResult {
    int exitCode = -1;
    std::string output;  // standard output and error together
};

ToolResult RunTool(const std::string& arguments, const std::string& environment = "") {
    const auto log = kFolder.string() + ".log";
    const std::string command = environment + " " ZINT_CAPTURE_BINARY " " + arguments + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    const std::vector<std::uint8_t> output = ReadBytes(log);
    std::filesystem::remove(log);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(output.begin(), output.end())};
}

platform::MediaInfo Probe(const std::filesystem::path& path) {
    std::string error;
    const auto media = platform::ProbeMedia(path.string(), error);
    EXPECT_TRUE(media) << path << ": " << error;
    return media.value_or(platform::MediaInfo{});
}

std::vector<std::uint8_t> StillPixels(const std::filesystem::path& path, int width, int height) {
    std::string error;
    const auto still = platform::DecodePng(ReadBytes(path), error);
    EXPECT_TRUE(still) << path << ": " << error;
    if (!still) return {};
    EXPECT_EQ(still->width * 10000 + still->height, width * 10000 + height) << path;
    return still->pixels;
}

// Runs the production's line-up in this process through the intro's start-up
// and main loop at a fixed frame time, and reads the back buffer of the
// chosen frames just before their swap, row by row from the top.
class SnapshotWindow final : public platform::Window {
public:
    SnapshotWindow(std::unique_ptr<platform::Window> inner, std::vector<std::int64_t>& wanted,
                   std::vector<std::vector<std::uint8_t>>& shots)
        : inner(std::move(inner)), wanted(wanted), shots(shots) {}
    bool Created() const override { return inner->Created(); }
    platform::WindowEvent PollEvent() override {
        return shots.size() == wanted.size() ? platform::WindowEvent::Quit : inner->PollEvent();
    }
    void SwapBuffers() override {
        if (shots.size() < wanted.size() && frame == wanted[shots.size()]) {
            std::vector<std::uint8_t>& rgb = shots.emplace_back();
            std::vector<std::uint8_t> row(640 * 4);
            glReadBuffer(GL_BACK);
            for (int y = 479; y >= 0; --y) {
                glReadPixels(0, y, 640, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
                for (std::size_t x = 0; x < 640; ++x) rgb.insert(rgb.end(), &row[4 * x], &row[4 * x + 3]);
            }
        }
        ++frame;
        inner->SwapBuffers();
    }
    void Destroy() override { inner->Destroy(); }

private:
    std::unique_ptr<platform::Window> inner;
    std::vector<std::int64_t>& wanted;
    std::vector<std::vector<std::uint8_t>>& shots;
    std::int64_t frame = 0;
};

struct SnapshotSystem final : platform::System {
    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool) override {
        return std::make_unique<SnapshotWindow>(sdl->CreateWindow(width, height, false), frames, shots);
    }
    platform::Clock& GetClock() override { return clock; }
    void ShowError(platform::Window*, std::string_view text) override { error = text; }
    std::unique_ptr<platform::SoundDevice> CreateSoundDevice() override {
        return std::make_unique<test::FakeSoundDevice>();
    }

    std::unique_ptr<platform::System> sdl = platform::CreateSdlSystem();
    test::FakeClock clock{25};  // one count per read: the loop reads once per frame
    std::vector<std::int64_t> frames;
    std::vector<std::vector<std::uint8_t>> shots;
    std::string error;
};

void ExpectSameBytesOneFramePerFrameTimeAndTheSoundOfItsLength() {
    for (const char* suffix : {".mp4", ".wav", "_0.00s.png", "_0.50s.png", "_1.50s.png"}) {
        const auto first = ReadBytes(kFolder / (std::string("a") + suffix));
        EXPECT_FALSE(first.empty()) << suffix;
        EXPECT_TRUE(first == ReadBytes(kFolder / (std::string("b") + suffix))) << suffix;
    }
    const platform::MediaInfo media = Probe(kFolder / "a.mp4");
    EXPECT_EQ(media.videoCodec + " " + media.audioCodec, "h264 aac");
    EXPECT_EQ(std::vector<std::int64_t>({media.width, media.height, media.videoFrames, media.frameRateNumerator,
                                         media.frameRateDenominator, media.sampleRate, media.channels,
                                         media.audioStatedFrames}),
              std::vector<std::int64_t>({640, 480, 75, 25, 1, 44100, 2, 3 * 44100}));
    // The decoder leaves the padding of the last 1024-frame AAC block in.
    EXPECT_GE(media.audioFrames, 3 * 44100);
    EXPECT_LT(media.audioFrames, 3 * 44100 + 1024);
}

// Silence while the loader's two frames are shown, then, from the main loop's
// first frame, the module from its first frame exactly as the player renders it.
void ExpectTheMusicFromTheMainLoopsFirstFrame() {
    const auto bytes = ReadBytes(kFolder / "a.wav");
    ASSERT_EQ(bytes.size(), 44u + 3u * 44100u * 4u);
    std::vector<std::int16_t> heard((bytes.size() - 44) / 2);
    std::memcpy(heard.data(), bytes.data() + 44, heard.size() * 2);

    const auto module = data::ItemSpan(data::musicModule);
    test::LoadResult loaded = test::LoadFromBytes(test::Bytes(module.begin(), module.end()));
    ASSERT_NE(loaded.song, nullptr);
    const std::vector<std::int16_t> song = test::Render(*loaded.song, 3);
    constexpr std::size_t kLoaderSamples = 2 * 2 * 44100 / 25;
    ASSERT_TRUE(std::all_of(heard.begin(), heard.begin() + kLoaderSamples, [](std::int16_t s) { return s == 0; }));
    ASSERT_TRUE(std::equal(heard.begin() + kLoaderSamples, heard.end(), song.begin()));
    EXPECT_FALSE(test::Silent(song));
}

void ExpectStillsAreWhatTheLineUpDrawsAtTheirTimes() {
    SnapshotSystem system;
    system.frames = {0, 12, 37};
    RunIntro("-windowed", system, ThisProduction());
    ASSERT_EQ(system.error, "");
    ASSERT_EQ(system.shots.size(), 3u);
    const std::array<const char*, 3> names{"a_0.00s.png", "a_0.50s.png", "a_1.50s.png"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(StillPixels(kFolder / names[i], 640, 480) == system.shots[i]) << names[i] << " is not the frame";
    }
}

// At 1920 x 1080 every pixel twice over each way, 320 columns and 60 rows in.
void ExpectStillsScaleUpWithTheSize() {
    const ToolResult run =
        RunTool("--out " + (kFolder / "hd.mkv").string() + " --size 1920x1080 --fps 25 --seconds 0.6 --stills 0.5");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<std::uint8_t> small = StillPixels(kFolder / "a_0.50s.png", 640, 480);
    ASSERT_FALSE(small.empty());
    std::vector<std::uint8_t> expected(1920 * 1080 * 3, 0);
    for (std::size_t y = 0; y < 960; ++y) {
        for (std::size_t x = 0; x < 1280; ++x) {
            std::copy_n(&small[((y / 2) * 640 + x / 2) * 3], 3, &expected[((y + 60) * 1920 + x + 320) * 3]);
        }
    }
    EXPECT_TRUE(StillPixels(kFolder / "hd_0.50s.png", 1920, 1080) == expected);
    const platform::MediaInfo media = Probe(kFolder / "hd.mkv");
    EXPECT_EQ(std::to_string(media.width) + "x" + std::to_string(media.height), "1920x1080");
}

// Two identical 3 s captures at 25 fps with their WAV files and stills, made
// once for all the checks.
TEST(CaptureTool, ShortCapturesOfTheProduction) {
    std::filesystem::remove_all(kFolder);
    std::filesystem::create_directories(kFolder);
    for (const char* name : {"a", "b"}) {
        const std::string stem = (kFolder / name).string();
        const ToolResult run =
            RunTool("--out " + stem + ".mp4 --wav " + stem + ".wav --fps 25 --seconds 3 --stills 0,0.5,1.5");
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.output, "") << "quiet when standard error is no terminal";
    }
    ExpectSameBytesOneFramePerFrameTimeAndTheSoundOfItsLength();
    ExpectTheMusicFromTheMainLoopsFirstFrame();
    ExpectStillsAreWhatTheLineUpDrawsAtTheirTimes();
    ExpectStillsScaleUpWithTheSize();
    std::filesystem::remove_all(kFolder);
}

TEST(CaptureToolFailures, SayWhyExitNonZeroAndLeaveNoVideo) {
    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
        std::string environment = {};
    };
    const std::string video = kFolder.string() + "-failure.mp4";
    const std::vector<Case> cases{
        {"--out /nonexistent-folder/v.mp4 --seconds 0.1", 1, "zint-capture: cannot write /nonexistent-folder/v.mp4"},
        {"--out " + video + " --seconds 0.5 --stills 1", 1, "before the still at 1.00 s"},
        {"--out " + video + " --seconds 0.1", 1, "zint-capture: Unable to create window",
         "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"},  // no EGL vendor library, no context
        // Wrong command lines fail before anything is rendered or written.
        {"--out x.xyz", 2, "zint-capture: x.xyz: no known container"},
        {"--out " + video + ".wav", 2, "cannot hold H.264 video"},
        {"--out " + video + " --size 1921x1080", 2, "needs an even width and height"},
    };
    for (const Case& c : cases) {
        const ToolResult run = RunTool(c.arguments, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << ": " << run.output;
        EXPECT_FALSE(std::filesystem::exists(video) || std::filesystem::exists("x.xyz")) << c.arguments;
    }
    std::filesystem::remove(video);  // only there when the check above failed
    const ToolResult help = RunTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: zint-capture", 0), 0u) << help.output;
}

}  // namespace
}  // namespace zint
