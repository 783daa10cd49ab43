// The capture's logic without a display: options, the sound share of each
// frame, the framing, and whole runs of the intro's start-up and main loop
// through the capture platform with fake scenes, encoder and frame source.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "app/startup.h"
#include "data/items.h"
#include "platform/media_probe.h"
#include "tests/capture/fake_encoder.h"
#include "tests/support/fakes.h"
#include "tools/zint_capture/capture_system.h"
#include "tools/zint_capture/options.h"
#include "tools/zint_capture/progress.h"
#include "tools/zint_capture/scene_track.h"

namespace zint::capture {
namespace {

TEST(CaptureOptions, DefaultsAndEveryOption) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions({}, options, error)) << error;
    EXPECT_EQ(options.out, "zint.mp4");
    EXPECT_EQ(options.framesPerSecond, 60);
    EXPECT_EQ(options.width * 10000 + options.height, 640 * 10000 + 480);
    EXPECT_EQ(options.constantRateFactor, 18);
    EXPECT_FALSE(options.seconds || options.wav || !options.stills.empty());

    const std::vector<std::string_view> all{"--out", "v.mkv", "--fps=25",  "--seconds", "2.5",       "--crf=0",
                                            "--size", "7680x4320", "--stills", "0,1.25,12", "--wav=m.wav"};
    ASSERT_TRUE(ParseOptions(all, options, error)) << error;
    EXPECT_EQ(options.out, "v.mkv");
    EXPECT_EQ(options.framesPerSecond, 25);
    EXPECT_EQ(options.seconds, 2.5);
    EXPECT_EQ(options.constantRateFactor, 0);
    EXPECT_EQ(options.width * 10000 + options.height, 7680 * 10000 + 4320);
    EXPECT_EQ(options.wav, "m.wav");
    EXPECT_EQ(options.stills, (std::vector<double>{0.0, 1.25, 12.0}));
}

TEST(CaptureOptions, RejectsWhatItCannotUseAndSaysWhy) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> wrong{
        {{"--fps", "0"}, "--fps takes"},       {{"--fps", "241"}, "--fps"},       {{"--fps", "25x"}, "--fps"},
        {{"--seconds", "0"}, "--seconds"},     {{"--seconds", "inf"}, "--seconds"}, {{"--stills", "1,,2"}, "--stills"},
        {{"--stills", "-0.5"}, "--stills"},    {{"--out", ""}, "--out"},          {{"--frobnicate", "1"}, "unknown"},
        {{"--fps"}, "needs a value"},          {{"stray"}, "unexpected"},
        {{"--stills", "1.001,1.004"}, "same file"},
        {{"--crf", "52"}, "--crf takes"},      {{"--crf", "-1"}, "--crf"},
        {{"--size", "1920"}, "WIDTHxHEIGHT"},  {{"--size", "1920x"}, "WIDTHxHEIGHT"},
        {{"--size", "638x480"}, "smaller than"}, {{"--size", "640x478"}, "smaller than"},
        {{"--size", "7682x4320"}, "beyond"},   {{"--size", "1921x1080"}, "even"}, {{"--size", "1920x1081"}, "even"},
    };
    for (const auto& [arguments, message] : wrong) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(ParseOptions(arguments, options, error)) << arguments.back();
        EXPECT_NE(error.find(message), std::string::npos) << arguments.back() << ": " << error;
    }
}

TEST(CaptureOptions, TimesNameTheFramesThatShowThem) {
    EXPECT_EQ(FrameShownAt(0.0, 60), 0);
    EXPECT_EQ(FrameShownAt(0.7, 30), 21);  // 0.7 x 30 is a hair below 21 in doubles
    EXPECT_EQ(FrameShownAt(0.999, 25), 24);
    EXPECT_EQ(FramesBefore(1.2, 25), 30);
    EXPECT_EQ(FramesBefore(0.01, 25), 1);
    EXPECT_EQ(StillPath("out/run.mkv", 0.5), "out/run_0.50s.png");
}

TEST(SoundShare, EveryFrameGetsItsExactShareWithoutDrift) {
    for (int fps : {60, 25, 24, 23, 7}) {
        std::int64_t total = 0;
        for (std::int64_t frame = 0; frame < 100000; ++frame) {
            const std::int64_t share = SoundFramesOfVideoFrame(frame, fps);
            ASSERT_TRUE(share == kSampleRate / fps || share == kSampleRate / fps + 1) << fps;
            total += share;
        }
        EXPECT_EQ(total, 100000LL * kSampleRate / fps) << fps;
    }
    EXPECT_EQ(SoundFramesOfVideoFrame(1, 24), 1838);
}

TEST(Framing, LargestWholeFactorCentredOnEvenOffsets) {
    struct Case {
        int width, height, factor, left, top;
    };
    for (const Case& c : {Case{640, 480, 1, 0, 0}, Case{1920, 1080, 2, 320, 60}, Case{2560, 1440, 3, 320, 0},
                          Case{1922, 1080, 2, 320, 60}, Case{1276, 962, 1, 318, 240}}) {
        const Framing framing = FitInto(640, 480, c.width, c.height);
        EXPECT_EQ(framing.factor, c.factor) << c.width;
        EXPECT_EQ(framing.left, c.left) << c.width;
        EXPECT_EQ(framing.top, c.top) << c.width;
    }
    // A 2 x 1 picture three times over into 8 x 4: rows 0 and 1..3, columns 1..6.
    const Framing framing{2, 1, 8, 4, 3, 1, 0};
    std::vector<std::uint8_t> frame;
    PlaceFrame(framing, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}, frame);
    ASSERT_EQ(frame.size(), 8u * 4u * 3u);
    for (std::size_t y = 0; y < 4; ++y) {
        for (std::size_t x = 0; x < 8; ++x) {
            const std::size_t at = (y * 8 + x) * 3;
            const int expected = y == 3 || x == 0 || x == 7 ? 0 : x <= 3 ? 1 : 4;
            EXPECT_EQ(frame[at], expected) << x << "," << y;
            EXPECT_EQ(frame[at + 2], expected == 0 ? 0 : expected + 2) << x << "," << y;
        }
    }
}

// A rising count, so the tests can tell which samples went where.
class CountingSound final : public SoundSource {
public:
    void Render(std::span<std::int16_t> samples) override {
        for (std::int16_t& sample : samples) sample = static_cast<std::int16_t>(next++);
    }
    int next = -3;  // negative samples too
};

// Keeps its frame times where the test can read them once the start-up has
// let go of the line-up.
class FrameTimesScene final : public Scene {
public:
    FrameTimesScene(std::vector<float>& updates, int framesToFinish) : updates(updates), framesToFinish(framesToFinish) {}
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

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct CaptureRun : ::testing::Test {
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Frame n of the loader's frame and effectFrames more is filled with the
    // byte n, so every frame is told apart.
    void Run(int loaderFrames, int effectFrames, CapturePlan plan = {}, WavWriter* wav = nullptr) {
        loaderUpdates.clear();
        effectUpdates.clear();
        plan.framing = FitInto(kScreenWidth, kScreenHeight, kScreenWidth, kScreenHeight);
        plan.framesPerSecond = kFps;
        session = std::make_unique<CaptureSession>(std::move(plan), encoder, wav, sound);
        const auto grab = [this](int width, int height, std::vector<std::uint8_t>& rgb) {
            rgb.assign(static_cast<std::size_t>(width * height * 3), static_cast<std::uint8_t>(grabbed++));
        };
        system = std::make_unique<CaptureSystem>(inner, *session, grab, [this] { ++afterFrames; });
        const Production lineUp{[&](SceneList& scenes, platform::Window&) {
                                    scenes.Append(std::make_unique<FrameTimesScene>(loaderUpdates, loaderFrames));
                                    scenes.Append(std::make_unique<FrameTimesScene>(effectUpdates, effectFrames));
                                },
                                data::ItemSpan(data::musicModule)};
        EXPECT_EQ(RunIntro("", *system, lineUp), 0);
    }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
        ("zint-capture-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    test::CallLog log;
    test::FakeSystem inner{log};
    test::FakeEncoder encoder;
    CountingSound sound;
    std::unique_ptr<CaptureSession> session;
    std::unique_ptr<CaptureSystem> system;
    std::vector<float> loaderUpdates;
    std::vector<float> effectUpdates;
    int grabbed = 0;
    int afterFrames = 0;
};

TEST_F(CaptureRun, EveryFrameGoesInWithOneFrameOfTimeItsSoundAndItsStill) {
    std::string error;
    auto wav = WavWriter::Open((folder / "m.wav").string(), kSampleRate, error);
    ASSERT_TRUE(wav) << error;
    CapturePlan plan;
    plan.stills = {{0.0, 0, (folder / "a.png").string()}, {0.12, 3, (folder / "b.png").string()}};
    Run(0, 3, plan, wav.get());

    // The loader's frame and the effect's three, then the loop ends by itself.
    EXPECT_EQ(encoder.firstBytes, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(afterFrames, 4);
    EXPECT_FALSE(system->Interrupted());
    EXPECT_EQ(system->ReportedError(), "");
    EXPECT_EQ(inner.log.front(), "window:640x480:windowed") << "the capture never changes the display mode";
    const float frameSeconds = static_cast<float>(1.0 / kFps);
    EXPECT_EQ(loaderUpdates, std::vector<float>{frameSeconds});
    EXPECT_EQ(effectUpdates, std::vector<float>(3, frameSeconds));

    std::vector<std::int16_t> expected(4u * 1764 * kChannels);
    std::iota(expected.begin(), expected.end(), std::int16_t{-3});
    EXPECT_EQ(encoder.sound, expected) << "the sound arrives in order, nothing skipped or repeated";
    ASSERT_TRUE(session->Finish()) << session->Error();
    EXPECT_EQ(encoder.finishes, 1);
    const std::vector<std::uint8_t> wavBytes = ReadBytes(folder / "m.wav");
    ASSERT_EQ(wavBytes.size(), 44 + expected.size() * 2);
    EXPECT_EQ(0, std::memcmp(wavBytes.data() + 44, expected.data(), expected.size() * 2)) << "the video's sound";

    for (const auto& [name, frame] : {std::pair{"a.png", 0}, std::pair{"b.png", 3}}) {
        const auto image = platform::DecodePng(ReadBytes(folder / name), error);
        ASSERT_TRUE(image) << name << ": " << error;
        EXPECT_EQ(image->pixels, std::vector<std::uint8_t>(640 * 480 * 3, static_cast<std::uint8_t>(frame)));
    }
}

TEST_F(CaptureRun, FrameLimitEndsTheLoopLikeClosingTheWindowButIsNoInterruption) {
    CapturePlan plan;
    plan.frameLimit = 2;
    Run(0, 100, plan);
    EXPECT_EQ(encoder.firstBytes.size(), 2u);
    EXPECT_EQ(effectUpdates.size(), 1u);
    EXPECT_FALSE(system->Interrupted());
    EXPECT_EQ(log.back(), "destroy");
    EXPECT_TRUE(session->Finish());

    inner.windowEvents = {platform::WindowEvent::None, platform::WindowEvent::Quit};
    Run(0, 100);
    EXPECT_TRUE(system->Interrupted());
    EXPECT_EQ(session->FramesDone(), 1);
}

TEST_F(CaptureRun, FailuresEndTheCaptureAndAreReported) {
    Run(1, 3);  // the loader says it failed
    EXPECT_EQ(system->ReportedError(), kLoadFailedMessage);
    EXPECT_TRUE(encoder.firstBytes.empty());

    encoder.failAtFrame = 2;
    Run(0, 100);
    EXPECT_EQ(encoder.firstBytes.size(), 2u) << "no frame after the failed one";
    EXPECT_EQ(session->Error(), "disk full");
    EXPECT_FALSE(session->Finish());
    EXPECT_EQ(encoder.finishes, 0);

    encoder = {};
    CapturePlan plan;
    plan.stills = {{0.16, 4, (folder / "late.png").string()}};
    Run(0, 3, plan);
    EXPECT_FALSE(session->Finish());
    EXPECT_EQ(session->Error(), "the capture ended before the still at 0.16 s");

    inner.windowCreated = false;
    Run(0, 3);
    EXPECT_EQ(system->ReportedError(), kNoWindowMessage);
}

TEST(SceneTrack, FollowsTheStartedSceneWithoutChangingTheCalls) {
    test::CallLog log;
    SceneTrack track;
    const LineUpBuilder lineUp = [&log](SceneList& scenes, platform::Window&) {
        for (const char* name : {"a", "b", "c"}) scenes.Append(std::make_unique<test::RecordingScene>(log, name, 1));
    };
    test::ScriptedWindow window(log);
    SceneList scenes;
    TrackScenes({lineUp, {}}, track).buildLineUp(scenes, window);
    ASSERT_EQ(scenes.Count(), 3u);
    EXPECT_EQ(track.count, 3u);
    scenes[0].Start();
    EXPECT_EQ(track.current, 0u);
    scenes[2].Start();
    EXPECT_EQ(track.current, 2u);
    scenes[2].Render();
    scenes[2].Update(0.5f);
    EXPECT_TRUE(scenes[2].IsFinished());
    EXPECT_EQ(log, (test::CallLog{"start:a", "start:c", "render:c", "update:c"}));
}

TEST(Progress, OneLineRewrittenInPlaceOnlyWhenEnabled) {
    for (const bool enabled : {false, true}) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* stream = open_memstream(&buffer, &size);
        Progress progress(stream, enabled, 100, 50);
        const SceneTrack scenes{1, 6};
        progress.Frame(25, scenes);
        progress.Frame(26, scenes);  // too soon after the first to be shown
        progress.Done(100, scenes);
        std::fclose(stream);
        const std::string text(buffer, size);
        std::free(buffer);
        if (!enabled) {
            EXPECT_EQ(text, "");
            continue;
        }
        EXPECT_EQ(text.rfind("\rframe 25  scene 2/6  0.50 s rendered  ", 0), 0u) << text;
        EXPECT_NE(text.find("x real time  about "), std::string::npos) << "an estimate while frames remain";
        EXPECT_EQ(text.find("frame 26"), std::string::npos);
        const std::size_t last = text.rfind('\r');
        EXPECT_EQ(text.find("\rframe 100  scene 2/6  2.00 s rendered", last), last) << text;
        EXPECT_EQ(text.find(" left", last), std::string::npos) << "no estimate once done";
        EXPECT_EQ(text.back(), '\n');
    }
}

}  // namespace
}  // namespace zint::capture
