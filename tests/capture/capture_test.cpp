// The capture's logic without a display: options, the sound share of each
// frame, and whole runs of the intro's start-up and main loop through the
// capture platform with fake scenes, a fake encoder and a fake frame source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "app/startup.h"
#include "data/items.h"
#include "platform/media_probe.h"
#include "tests/support/fakes.h"
#include "tools/zint_capture/capture_system.h"
#include "tools/zint_capture/options.h"
#include "tools/zint_capture/progress.h"
#include "tools/zint_capture/scene_track.h"

namespace zint::capture {
namespace {

using test::CallLog;
using test::RecordingScene;

// ---- options ---------------------------------------------------------------

bool Parse(std::initializer_list<std::string_view> arguments, CaptureOptions& options, std::string& error) {
    const std::vector<std::string_view> list(arguments);
    return ParseOptions(list, options, error);
}

TEST(CaptureOptions, DefaultsAndEveryOption) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, options, error)) << error;
    EXPECT_EQ(options.out, "zint.mp4");
    EXPECT_EQ(options.framesPerSecond, 60);
    EXPECT_FALSE(options.seconds);
    EXPECT_FALSE(options.wav);
    EXPECT_TRUE(options.stills.empty());

    ASSERT_TRUE(Parse({"--out", "v.mkv", "--fps=25", "--seconds", "2.5", "--stills", "0,1.25,12", "--wav=m.wav"},
                      options, error))
        << error;
    EXPECT_EQ(options.out, "v.mkv");
    EXPECT_EQ(options.framesPerSecond, 25);
    EXPECT_EQ(options.seconds, 2.5);
    EXPECT_EQ(options.wav, "m.wav");
    EXPECT_EQ(options.stills, (std::vector<double>{0.0, 1.25, 12.0}));
}

TEST(CaptureOptions, RejectsWhatItCannotUse) {
    const std::vector<std::vector<std::string_view>> wrong{
        {"--fps", "0"},        {"--fps", "241"},     {"--fps", "25x"},       {"--fps", "abc"},
        {"--seconds", "0"},    {"--seconds", "-1"},  {"--seconds", "inf"},   {"--stills", "1,,2"},
        {"--stills", "1,x"},   {"--stills", "-0.5"}, {"--stills", ""},       {"--out", ""},
        {"--frobnicate", "1"}, {"--fps"},            {"stray"},              {"--stills", "1.001,1.004"},
    };
    for (const auto& arguments : wrong) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(ParseOptions(arguments, options, error)) << arguments.front();
        EXPECT_FALSE(error.empty()) << arguments.front();
    }
}

TEST(CaptureOptions, HelpNamesEveryOption) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--help"}, options, error));
    EXPECT_TRUE(options.help);
    for (const char* option : {"--out", "--fps", "--seconds", "--stills", "--wav", "--help"}) {
        EXPECT_NE(HelpText().find(option), std::string::npos) << option;
    }
}

TEST(CaptureOptions, TimesNameTheFramesThatShowThem) {
    EXPECT_EQ(FrameShownAt(0.0, 60), 0);
    EXPECT_EQ(FrameShownAt(0.7, 30), 21);  // 0.7 x 30 is a hair below 21 in doubles
    EXPECT_EQ(FrameShownAt(0.999, 25), 24);
    EXPECT_EQ(FramesBefore(1.2, 25), 30);
    EXPECT_EQ(FramesBefore(0.01, 25), 1);
    EXPECT_EQ(FramesBefore(70.0, 60), 4200);
    EXPECT_EQ(StillPath("zint.mp4", 12.0), "zint_12.00s.png");
    EXPECT_EQ(StillPath("out/run.mkv", 0.5), "out/run_0.50s.png");
}

// ---- sound share -----------------------------------------------------------

TEST(SoundShare, EveryFrameGetsItsExactShareWithoutDrift) {
    for (int fps : {60, 25, 24, 23, 7}) {
        std::int64_t total = 0;
        for (std::int64_t frame = 0; frame < 100000; ++frame) {
            const std::int64_t share = SoundFramesOfVideoFrame(frame, fps);
            EXPECT_TRUE(share == kSampleRate / fps || share == kSampleRate / fps + 1) << fps;
            total += share;
            if (share != kSampleRate / fps && share != kSampleRate / fps + 1) break;
        }
        EXPECT_EQ(total, 100000LL * kSampleRate / fps) << fps;
    }
    EXPECT_EQ(SoundFramesOfVideoFrame(0, 60), 735);
    EXPECT_EQ(SoundFramesOfVideoFrame(0, 24), 1837);
    EXPECT_EQ(SoundFramesOfVideoFrame(1, 24), 1838);
}

// ---- whole runs through the capture platform -------------------------------

class FakeEncoder final : public platform::VideoEncoder {
public:
    bool AddFrame(std::span<const std::uint8_t> rgb) override {
        firstBytes.push_back(rgb.empty() ? -1 : rgb[0]);
        return firstBytes.size() != failAtFrame || Fail();
    }
    bool AddAudio(std::span<const std::int16_t> samples) override {
        sound.insert(sound.end(), samples.begin(), samples.end());
        return true;
    }
    bool Finish() override {
        ++finishes;
        return true;
    }
    const std::string& Error() const override { return error; }

    std::vector<int> firstBytes;  // of each frame: which frame the grabber made
    std::vector<std::int16_t> sound;
    std::size_t failAtFrame = 0;  // 1-based; 0 never
    int finishes = 0;
    std::string error;

private:
    bool Fail() {
        error = "disk full";
        return false;
    }
};

// A rising count, so the tests can tell which samples went where.
class CountingSound final : public SoundSource {
public:
    void Render(std::span<std::int16_t> samples) override {
        for (std::int16_t& sample : samples) sample = static_cast<std::int16_t>(next++);
    }
    int next = 0;
};

// Keeps its frame times where the test can read them once the start-up has
// let go of the line-up.
class FrameTimesScene final : public Scene {
public:
    FrameTimesScene(std::vector<float>& updates, int framesToFinish)
        : updates(updates), framesToFinish(framesToFinish) {}
    bool Start() override { return true; }
    void Update(float seconds) override { updates.push_back(seconds); }
    void Render() override {}
    // Before any update: the loader's verdict, true when framesToFinish is 0.
    bool IsFinished() override { return static_cast<int>(updates.size()) >= framesToFinish; }

private:
    std::vector<float>& updates;
    int framesToFinish;
};

constexpr int kFps = 25;

struct CaptureRun : ::testing::Test {
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("zint-capture-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    CapturePlan Plan() const {
        CapturePlan plan;
        plan.width = kScreenWidth;
        plan.height = kScreenHeight;
        plan.framesPerSecond = kFps;
        return plan;
    }

    Production LineUp(int loaderFrames, int effectFrames) {
        return {[this, loaderFrames, effectFrames](SceneList& scenes, platform::Window&) {
                    scenes.Append(std::make_unique<FrameTimesScene>(loaderUpdates, loaderFrames));
                    scenes.Append(std::make_unique<FrameTimesScene>(effectUpdates, effectFrames));
                },
                data::ItemSpan(data::musicModule)};
    }

    // Frame n is filled with the byte n, so every frame is told apart.
    FrameGrabber Grabber() {
        return [this](int width, int height, std::vector<std::uint8_t>& rgb) {
            rgb.assign(static_cast<std::size_t>(width * height * 3), static_cast<std::uint8_t>(grabbed++));
        };
    }

    void Run(CaptureSession& session, int loaderFrames, int effectFrames) {
        system = std::make_unique<CaptureSystem>(inner, session, Grabber(), [this] { ++afterFrames; });
        EXPECT_EQ(RunIntro("", *system, LineUp(loaderFrames, effectFrames)), 0);
    }

    std::filesystem::path folder;
    CallLog log;
    test::FakeSystem inner{log};
    std::unique_ptr<CaptureSystem> system;
    FakeEncoder encoder;
    CountingSound sound;
    std::vector<float> loaderUpdates;
    std::vector<float> effectUpdates;
    int grabbed = 0;
    int afterFrames = 0;
};

TEST_F(CaptureRun, EveryFrameGoesInWithExactlyOneFrameOfTimeAndItsSound) {
    CaptureSession session(Plan(), encoder, nullptr, sound);
    Run(session, 0, 3);

    // The loader's frame and the effect's three, then the loop ends by itself.
    EXPECT_EQ(encoder.firstBytes, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(afterFrames, 4);
    EXPECT_EQ(session.FramesDone(), 4);
    EXPECT_FALSE(system->Interrupted());
    EXPECT_TRUE(system->ReportedError().empty());
    EXPECT_EQ(inner.log.front(), "window:640x480:windowed") << "the capture never changes the display mode";
    EXPECT_EQ(log.back(), "destroy");

    const float frameSeconds = static_cast<float>(1.0 / kFps);
    EXPECT_EQ(loaderUpdates, std::vector<float>{frameSeconds});
    EXPECT_EQ(effectUpdates, std::vector<float>(3, frameSeconds));

    ASSERT_EQ(encoder.sound.size(), 4u * 1764 * kChannels);
    std::vector<std::int16_t> expected(encoder.sound.size());
    std::iota(expected.begin(), expected.end(), std::int16_t{0});
    EXPECT_EQ(encoder.sound, expected) << "the sound arrives in order, nothing skipped or repeated";
    EXPECT_EQ(session.SoundFramesDone(), 4 * 1764);

    EXPECT_TRUE(session.Finish());
    EXPECT_EQ(encoder.finishes, 1);
}

TEST_F(CaptureRun, FrameLimitEndsTheLoopLikeClosingTheWindow) {
    CapturePlan plan = Plan();
    plan.frameLimit = 2;
    CaptureSession session(plan, encoder, nullptr, sound);
    Run(session, 0, 100);
    EXPECT_EQ(encoder.firstBytes.size(), 2u);
    EXPECT_EQ(effectUpdates.size(), 1u);
    EXPECT_FALSE(system->Interrupted());
    EXPECT_EQ(log.back(), "destroy");
    EXPECT_TRUE(session.Finish());
}

TEST_F(CaptureRun, CloseRequestFromOutsideIsAnInterruption) {
    inner.windowEvents = {platform::WindowEvent::None, platform::WindowEvent::Quit};
    CaptureSession session(Plan(), encoder, nullptr, sound);
    Run(session, 0, 100);
    EXPECT_TRUE(system->Interrupted());
    EXPECT_EQ(session.FramesDone(), 1);
}

TEST_F(CaptureRun, IntroErrorsAreReportedNotShown) {
    CaptureSession session(Plan(), encoder, nullptr, sound);
    Run(session, 1, 3);  // the loader says it failed
    EXPECT_EQ(system->ReportedError(), kLoadFailedMessage);
    EXPECT_TRUE(encoder.firstBytes.empty());

    inner.windowCreated = false;
    Run(session, 0, 3);
    EXPECT_EQ(system->ReportedError(), kNoWindowMessage);
}

TEST_F(CaptureRun, EncoderFailureStopsTheCaptureAtOnce) {
    encoder.failAtFrame = 2;
    CaptureSession session(Plan(), encoder, nullptr, sound);
    Run(session, 0, 100);
    EXPECT_EQ(encoder.firstBytes.size(), 2u);
    EXPECT_EQ(session.Error(), "disk full");
    EXPECT_FALSE(session.Finish());
    EXPECT_EQ(encoder.finishes, 0);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(CaptureRun, StillsAreTheFramesOfTheirTimes) {
    CapturePlan plan = Plan();
    plan.stills = {{0.0, 0, (folder / "a.png").string()}, {0.12, 3, (folder / "b.png").string()}};
    CaptureSession session(plan, encoder, nullptr, sound);
    Run(session, 0, 3);
    ASSERT_TRUE(session.Finish()) << session.Error();

    for (const auto& [name, frame] : {std::pair{"a.png", 0}, std::pair{"b.png", 3}}) {
        std::string error;
        const auto image = platform::DecodePng(ReadBytes(folder / name), error);
        ASSERT_TRUE(image) << name << ": " << error;
        EXPECT_EQ(image->width, kScreenWidth);
        EXPECT_EQ(image->height, kScreenHeight);
        const std::vector<std::uint8_t> grabbed(kScreenWidth * kScreenHeight * 3, static_cast<std::uint8_t>(frame));
        EXPECT_EQ(image->pixels, grabbed);
    }
}

TEST_F(CaptureRun, StillBeyondTheEndFailsTheCapture) {
    CapturePlan plan = Plan();
    plan.stills = {{0.16, 4, (folder / "late.png").string()}};
    CaptureSession session(plan, encoder, nullptr, sound);
    Run(session, 0, 3);
    EXPECT_FALSE(session.Finish());
    EXPECT_EQ(session.Error(), "the capture ended before the still at 0.16 s");
    EXPECT_FALSE(std::filesystem::exists(folder / "late.png"));
}

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST_F(CaptureRun, WavHoldsTheSameSoundAsTheVideo) {
    std::string error;
    const auto path = folder / "m.wav";
    auto wav = WavWriter::Open(path.string(), kSampleRate, error);
    ASSERT_TRUE(wav) << error;
    sound.next = -3;  // negative samples too
    CaptureSession session(Plan(), encoder, wav.get(), sound);
    Run(session, 0, 1);
    ASSERT_TRUE(session.Finish()) << session.Error();

    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    const std::size_t dataBytes = encoder.sound.size() * 2;
    ASSERT_EQ(bytes.size(), 44 + dataBytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(Little32(bytes, 4), 36 + dataBytes);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Little32(bytes, 16), 16u);
    EXPECT_EQ(Little32(bytes, 20), 1u | 2u << 16);          // PCM, stereo
    EXPECT_EQ(Little32(bytes, 24), 44100u);                 // frames per second
    EXPECT_EQ(Little32(bytes, 28), 44100u * 4);             // bytes per second
    EXPECT_EQ(Little32(bytes, 32), 4u | 16u << 16);         // block of 4 bytes, 16 bits
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(Little32(bytes, 40), dataBytes);
    for (std::size_t i = 0; i < encoder.sound.size(); ++i) {
        const auto sample = static_cast<std::int16_t>(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8);
        ASSERT_EQ(sample, encoder.sound[i]) << i;
    }
    EXPECT_EQ(encoder.sound.front(), -3);
}

TEST(WavWriter, UnwritablePathIsAnError) {
    std::string error;
    EXPECT_FALSE(WavWriter::Open("/nonexistent-folder/m.wav", kSampleRate, error));
    EXPECT_NE(error.find("/nonexistent-folder/m.wav"), std::string::npos) << error;
}

TEST(SceneTrack, FollowsTheStartedSceneWithoutChangingTheCalls) {
    CallLog log;
    SceneTrack track;
    const LineUpBuilder lineUp = [&log](SceneList& scenes, platform::Window&) {
        scenes.Append(std::make_unique<RecordingScene>(log, "a", 0));
        scenes.Append(std::make_unique<RecordingScene>(log, "b", 1));
        scenes.Append(std::make_unique<RecordingScene>(log, "c", 1));
    };
    test::ScriptedWindow window(log);
    SceneList scenes;
    TrackScenes({lineUp, {}}, track).buildLineUp(scenes, window);
    ASSERT_EQ(scenes.Count(), 3u);
    EXPECT_EQ(track.count, 3u);

    EXPECT_TRUE(scenes[0].Start());
    EXPECT_TRUE(scenes[0].IsFinished());
    EXPECT_EQ(track.current, 0u);
    scenes[2].Start();
    EXPECT_EQ(track.current, 2u);
    scenes[2].Render();
    scenes[2].Update(0.5f);
    EXPECT_TRUE(scenes[2].IsFinished());
    EXPECT_EQ(log, (CallLog{"start:a", "start:c", "render:c", "update:c"}));
}

// What the progress line says, written into memory.
std::string ProgressText(bool enabled, std::int64_t expectedFrames) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    Progress progress(stream, enabled, expectedFrames, 50);
    SceneTrack scenes{1, 6};
    progress.Frame(25, scenes);
    progress.Frame(26, scenes);  // too soon after the first to be shown
    progress.Done(100, scenes);
    std::fclose(stream);
    std::string result(text, size);
    std::free(text);
    return result;
}

TEST(Progress, OneLineRewrittenInPlaceOnlyWhenEnabled) {
    EXPECT_EQ(ProgressText(false, 100), "");
    const std::string text = ProgressText(true, 100);
    EXPECT_EQ(text.rfind("\rframe 25  scene 2/6  0.50 s rendered", 0), 0u) << text;
    EXPECT_NE(text.find(" left"), std::string::npos) << "an estimate while frames remain";
    EXPECT_EQ(text.find("frame 26"), std::string::npos);
    const std::size_t last = text.rfind('\r');
    EXPECT_EQ(text.find("\rframe 100  scene 2/6  2.00 s rendered", last), last) << text;
    EXPECT_EQ(text.find(" left", last), std::string::npos) << "no estimate once done";
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace zint::capture
