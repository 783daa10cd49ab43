// zint-capture as a user runs it: short captures of the production's line-up,
// read back with the decoders, and its failures.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdio>
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

struct ToolResult {
    int exitCode = -1;
    std::string output;  // standard output and error together
};

ToolResult RunTool(const std::string& arguments, const std::string& environment = "") {
    const std::string command = environment + " " ZINT_CAPTURE_BINARY " " + arguments + " 2>&1";
    ToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> chunk{};
    while (const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
        result.output.append(chunk.data(), count);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct CaptureTool : ::testing::Test {
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("zint-capture-tool-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }

    std::filesystem::path folder;
};

TEST_F(CaptureTool, ShortCaptureHoldsOneFramePerFrameTimeAndTheSoundOfItsLength) {
    const ToolResult run = RunTool("--out " + Path("v.mp4") + " --fps 25 --seconds 1.2");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "") << "quiet when standard error is no terminal";

    std::string error;
    const auto media = platform::ProbeMedia(Path("v.mp4"), error);
    ASSERT_TRUE(media) << error;
    EXPECT_EQ(media->videoCodec, "h264");
    EXPECT_EQ(media->width, 640);
    EXPECT_EQ(media->height, 480);
    EXPECT_EQ(media->frameRateNumerator, 25);
    EXPECT_EQ(media->frameRateDenominator, 1);
    EXPECT_EQ(media->videoFrames, 30);
    EXPECT_EQ(media->audioCodec, "aac");
    EXPECT_EQ(media->sampleRate, 44100);
    EXPECT_EQ(media->channels, 2);
    EXPECT_EQ(media->audioStatedFrames, 30 * 44100 / 25);
    // The decoder leaves the padding of the last 1024-frame AAC block in.
    EXPECT_GE(media->audioFrames, 30 * 44100 / 25);
    EXPECT_LT(media->audioFrames, 30 * 44100 / 25 + 1024);
}

TEST_F(CaptureTool, TwoRunsGiveTheSameBytes) {
    for (const char* name : {"a", "b"}) {
        const std::string stem = Path(name);
        const ToolResult run =
            RunTool("--out " + stem + ".mp4 --wav " + stem + ".wav --fps 30 --seconds 1 --stills 0.5");
        ASSERT_EQ(run.exitCode, 0) << run.output;
    }
    for (const char* suffix : {".mp4", ".wav", "_0.50s.png"}) {
        const auto first = ReadBytes(Path(std::string("a") + suffix));
        EXPECT_FALSE(first.empty()) << suffix;
        EXPECT_EQ(first, ReadBytes(Path(std::string("b") + suffix))) << suffix;
    }
    EXPECT_EQ(ReadBytes(Path("a.wav")).size(), 44u + 44100u * 4);
}

// The capture's sound is the intro's music: silence while the loader's two
// frames are shown, then, from the main loop's first frame, the module from
// its first frame exactly as the player renders it offline.
TEST_F(CaptureTool, TheSoundIsTheMusicFromTheMainLoopsFirstFrame) {
    const ToolResult run = RunTool("--out " + Path("m.mp4") + " --wav " + Path("m.wav") + " --fps 25 --seconds 3");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto bytes = ReadBytes(Path("m.wav"));
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

// Runs the production's line-up in this process, on a window of our own,
// through the intro's start-up and main loop at a fixed frame time, and
// reads the back buffer of the chosen frames just before each swap.
using Snapshots = std::vector<std::vector<std::uint8_t>>;

class SnapshotWindow final : public platform::Window {
public:
    SnapshotWindow(std::unique_ptr<platform::Window> inner, std::vector<std::int64_t> frames, Snapshots& snapshots)
        : inner(std::move(inner)), wanted(std::move(frames)), snapshots(snapshots) {}

    bool Created() const override { return inner->Created(); }
    platform::WindowEvent PollEvent() override {
        if (snapshots.size() == wanted.size()) return platform::WindowEvent::Quit;
        return inner->PollEvent();
    }
    void SwapBuffers() override {
        if (snapshots.size() < wanted.size() && frame == wanted[snapshots.size()]) snapshots.push_back(BackBuffer());
        ++frame;
        inner->SwapBuffers();
    }
    void Destroy() override { inner->Destroy(); }

    // Rows from the top; each pixel read on its own with OpenGL's bottom-up row.
    static std::vector<std::uint8_t> BackBuffer() {
        std::vector<std::uint8_t> rgb;
        rgb.reserve(640 * 480 * 3);
        std::vector<std::uint8_t> row(640 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadBuffer(GL_BACK);
        for (int y = 0; y < 480; ++y) {
            glReadPixels(0, 479 - y, 640, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
            for (int x = 0; x < 640; ++x) rgb.insert(rgb.end(), row.begin() + 4 * x, row.begin() + 4 * x + 3);
        }
        return rgb;
    }

    std::unique_ptr<platform::Window> inner;
    std::vector<std::int64_t> wanted;
    Snapshots& snapshots;
    std::int64_t frame = 0;
};

class SnapshotSystem final : public platform::System {
public:
    SnapshotSystem(int framesPerSecond, std::vector<std::int64_t> frames)
        : sdl(platform::CreateSdlSystem()), clock(framesPerSecond), frames(std::move(frames)) {}

    // The start-up owns the window; the snapshots outlive it here.
    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool) override {
        return std::make_unique<SnapshotWindow>(sdl->CreateWindow(width, height, false), frames, snapshots);
    }
    platform::Clock& GetClock() override { return clock; }
    void ShowError(platform::Window*, std::string_view text) override { error = text; }
    std::unique_ptr<platform::SoundDevice> CreateSoundDevice() override {
        return std::make_unique<test::FakeSoundDevice>();
    }

    std::unique_ptr<platform::System> sdl;
    test::FakeClock clock;  // one count per read: the loop reads once per frame
    std::vector<std::int64_t> frames;
    Snapshots snapshots;
    std::string error;
};

TEST_F(CaptureTool, StillsAreWhatTheLineUpDrawsAtTheirTimes) {
    const ToolResult run = RunTool("--out " + Path("v.mp4") + " --fps 25 --seconds 2 --stills 0,0.5,1.5");
    ASSERT_EQ(run.exitCode, 0) << run.output;

    SnapshotSystem system(25, {0, 12, 37});
    RunIntro("-windowed", system, ThisProduction());
    ASSERT_EQ(system.error, "");
    ASSERT_EQ(system.snapshots.size(), 3u);

    const std::array<const char*, 3> names{"v_0.00s.png", "v_0.50s.png", "v_1.50s.png"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string error;
        const auto still = platform::DecodePng(ReadBytes(Path(names[i])), error);
        ASSERT_TRUE(still) << names[i] << ": " << error;
        ASSERT_EQ(still->width, 640) << names[i];
        ASSERT_EQ(still->height, 480) << names[i];
        const std::vector<std::uint8_t>& rendered = system.snapshots[i];
        // Spot checks first, at the corners and the middle, for a readable failure.
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{639, 0}, std::pair{320, 240}, std::pair{0, 479},
                                  std::pair{639, 479}}) {
            const std::size_t at = (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)) * 3;
            for (std::size_t c = 0; c < 3; ++c) {
                EXPECT_EQ(still->pixels[at + c], rendered[at + c]) << names[i] << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(still->pixels == rendered) << names[i] << " differs from the rendered frame";
    }
}

TEST_F(CaptureTool, FailuresSayWhyAndExitNonZero) {
    ToolResult run = RunTool("--out /nonexistent-folder/v.mp4 --seconds 0.1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("zint-capture: cannot write /nonexistent-folder/v.mp4"), std::string::npos)
        << run.output;

    run = RunTool("--fps 0");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("--fps"), std::string::npos) << run.output;

    run = RunTool("--out " + Path("late.mp4") + " --seconds 0.5 --stills 1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("before the still at 1.00 s"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(Path("late.mp4"))) << "an incomplete capture leaves no video behind";

    run = RunTool("--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("Usage: zint-capture", 0), 0u) << run.output;
}

TEST_F(CaptureTool, NoOpenGlContextIsAFailure) {
    // Without any EGL vendor library the offscreen driver gets no context.
    const ToolResult run = RunTool("--out " + Path("v.mp4") + " --seconds 0.1",
                                   "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("zint-capture: Unable to create window"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(Path("v.mp4")));
}

}  // namespace
}  // namespace zint
