// zint-capture as a user runs it: short captures of the production's line-up,
// read back with the decoders, and its failures.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/lineup.h"
#include "app/startup.h"
#include "data/items.h"
#include "platform/media_probe.h"
#include "tests/music/loader_test_support.h"
#include "tests/music/render_test_support.h"
#include "tests/support/fakes.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

// Of this process alone: other runs of the suite may share the machine.
const std::filesystem::path kFolder =
    std::filesystem::temp_directory_path() / ("zint-capture-tool-" + std::to_string(getpid()));

// The exit code, and standard output and error together.
std::pair<int, std::string> RunTool(const std::string& arguments, const std::string& environment = "") {
    const std::string command = environment + " " ZINT_CAPTURE_BINARY " " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

platform::MediaInfo Probe(const std::filesystem::path& path) {
    std::string error;
    const auto media = platform::ProbeMedia(path.string(), error);
    EXPECT_TRUE(media) << path << ": " << error;
    return media.value_or(platform::MediaInfo{});
}

std::vector<std::uint8_t> StillPixels(const std::filesystem::path& path, int width, int height) {
    std::string error;
    const auto still = platform::DecodePng(test::ReadFile(path), error);
    EXPECT_TRUE(still && still->width == width && still->height == height) << path << ": " << error;
    return still ? still->pixels : std::vector<std::uint8_t>{};
}

// Runs the production's line-up in this process through the intro's start-up
// and main loop at a fixed frame time, and keeps the back buffer of the
// chosen frames just before their swap, top row first.
struct SnapshotSystem final : platform::System {
    struct Window final : platform::Window {
        Window(SnapshotSystem& system, std::unique_ptr<platform::Window> inner)
            : system(system), inner(std::move(inner)) {}
        bool Created() const override { return inner->Created(); }
        platform::WindowEvent PollEvent() override {
            return system.shots.size() == system.frames.size() ? platform::WindowEvent::Quit : inner->PollEvent();
        }
        void SwapBuffers() override {
            if (system.shots.size() < system.frames.size() && frame == system.frames[system.shots.size()]) {
                const std::vector<std::uint8_t> up = test::ReadRgb(0, 0, 640, 480);  // OpenGL's rows count up
                std::vector<std::uint8_t>& shot = system.shots.emplace_back();
                for (std::size_t y = 480; y-- > 0;) shot.insert(shot.end(), &up[y * 1920], &up[y * 1920] + 1920);
            }
            ++frame;
            inner->SwapBuffers();
        }
        void Destroy() override { inner->Destroy(); }

        SnapshotSystem& system;
        std::unique_ptr<platform::Window> inner;
        std::int64_t frame = 0;
    };

    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool) override {
        return std::make_unique<Window>(*this, sdl->CreateWindow(width, height, false));
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
        const auto first = test::ReadFile(kFolder / (std::string("a") + suffix));
        EXPECT_FALSE(first.empty()) << suffix;
        EXPECT_TRUE(first == test::ReadFile(kFolder / (std::string("b") + suffix))) << suffix;
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
    const auto bytes = test::ReadFile(kFolder / "a.wav");
    ASSERT_EQ(bytes.size(), 44u + 3u * 44100u * 4u);
    std::vector<std::int16_t> heard((bytes.size() - 44) / 2);
    std::memcpy(heard.data(), bytes.data() + 44, heard.size() * 2);

    const auto module = data::ItemSpan(data::musicModule);
    test::LoadResult loaded = test::LoadFromBytes(test::Bytes(module.begin(), module.end()));
    ASSERT_NE(loaded.song, nullptr);
    const std::vector<std::int16_t> song = test::Render(*loaded.song, 3);
    EXPECT_FALSE(test::Silent(song));
    std::vector<std::int16_t> expected(2 * 2 * 44100 / 25, 0);
    expected.insert(expected.end(), song.begin(), song.end() - static_cast<std::ptrdiff_t>(expected.size()));
    EXPECT_TRUE(heard == expected);
}

void ExpectStillsAreWhatTheLineUpDrawsAtTheirTimes() {
    SnapshotSystem system;
    system.frames = {0, 12, 37};
    RunIntro("-windowed", system, ThisProduction());
    ASSERT_EQ(system.error, "");
    ASSERT_EQ(system.shots.size(), 3u);
    for (std::size_t i = 0; const char* name : {"a_0.00s.png", "a_0.50s.png", "a_1.50s.png"}) {
        EXPECT_TRUE(StillPixels(kFolder / name, 640, 480) == system.shots[i++]) << name << " is not the frame";
    }
}

// At 1920 x 1080 every pixel twice over each way, 320 columns and 60 rows in.
void ExpectStillsScaleUpWithTheSize() {
    const auto [exitCode, output] =
        RunTool("--out " + (kFolder / "hd.mkv").string() + " --size 1920x1080 --fps 25 --seconds 0.6 --stills 0.5");
    ASSERT_EQ(exitCode, 0) << output;
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
        const auto [exitCode, output] =
            RunTool("--out " + stem + ".mp4 --wav " + stem + ".wav --fps 25 --seconds 3 --stills 0,0.5,1.5");
        ASSERT_EQ(exitCode, 0) << output;
        EXPECT_EQ(output, "") << "quiet when standard error is no terminal";
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
    const std::filesystem::path folder = kFolder.string() + "-failures";  // what the failures leave: nothing
    const std::string video = (folder / "v.mp4").string();
    std::filesystem::create_directories(folder);
    const std::vector<Case> cases{
        {"--out /nonexistent-folder/v.mp4 --seconds 0.1", 1, "zint-capture: cannot write /nonexistent-folder/v.mp4"},
        {"--out " + video + " --wav " + video + ".wav --seconds 0.5 --stills 1", 1, "before the still at 1.00 s"},
        {"--out " + video + " --seconds 0.1", 1, "zint-capture: Unable to create window",
         "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"},  // no EGL vendor library, no context
        // Wrong command lines fail before anything is rendered or written.
        {"--out " + video + ".xyz", 2, "zint-capture: " + video + ".xyz: no known container"},
        {"--out " + video + ".wav", 2, "cannot hold H.264 video"},
        {"--out " + video + " --size 1921x1080", 2, "needs an even width and height"},
        {"--help", 0, "Usage: zint-capture"},
    };
    for (const Case& c : cases) {
        const auto [exitCode, output] = RunTool(c.arguments, c.environment);
        EXPECT_EQ(exitCode, c.exitCode) << c.arguments << ": " << output;
        const std::size_t at = output.find(c.message);  // help comes first, a reason anywhere
        EXPECT_TRUE(c.exitCode == 0 ? at == 0 : at != std::string::npos) << c.arguments << ": " << output;
        EXPECT_TRUE(std::filesystem::is_empty(folder)) << c.arguments;
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zint
