// The capture's logic without a display: options, the sound share of each
// frame, the framing, how runs end, and the progress line. What a capture
// holds is checked end to end in capture_tool_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "app/startup.h"
#include "data/items.h"
#include "tests/capture/fake_encoder.h"
#include "tests/support/fakes.h"
#include "tools/zint_capture/capture_system.h"
#include "tools/zint_capture/options.h"
#include "tools/zint_capture/progress.h"

namespace zint::capture {
namespace {

// The options as one value, to compare whole.
auto Fields(const CaptureOptions& o) {
    return std::tuple(o.out, o.framesPerSecond, o.width, o.height, o.constantRateFactor, o.seconds, o.wav, o.stills);
}

TEST(CaptureOptions, DefaultsAndEveryOption) {
    CaptureOptions options;
    std::string error;
    using Expected = decltype(Fields(options));
    ASSERT_TRUE(ParseOptions({}, options, error)) << error;
    EXPECT_EQ(Fields(options), Expected("zint.mp4", 60, 640, 480, 18, std::nullopt, std::nullopt, {}));
    const std::vector<std::string_view> all{"--out", "v.mkv", "--fps=25",  "--seconds", "2.5",       "--crf=0",
                                            "--size", "7680x4320", "--stills", "0,1.25,12", "--wav=m.wav"};
    ASSERT_TRUE(ParseOptions(all, options, error)) << error;
    EXPECT_EQ(Fields(options), Expected("v.mkv", 25, 7680, 4320, 0, 2.5, "m.wav", {0.0, 1.25, 12.0}));
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
    EXPECT_EQ(FrameShownAt(0.29, 100), 29);  // 0.29 x 100 is a hair below 29 in doubles
    EXPECT_EQ(FrameShownAt(0.999, 25), 24);
    EXPECT_EQ(FramesBefore(0.28, 25), 7);  // 0.28 x 25 is a hair above 7 in doubles
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
        EXPECT_EQ(std::vector<int>({framing.factor, framing.left, framing.top}),
                  std::vector<int>({c.factor, c.left, c.top}))
            << c.width << "x" << c.height;
    }
    // A 2 x 1 picture three times over into 8 x 4: rows 0 to 2, columns 1 to 6.
    std::vector<std::uint8_t> frame;
    PlaceFrame(Framing{2, 1, 8, 4, 3, 1, 0}, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}, frame);
    std::string bytes;
    for (std::uint8_t byte : frame) bytes += static_cast<char>('0' + byte);
    const std::string row = "000123123123456456456000";
    EXPECT_EQ(bytes, row + row + row + std::string(row.size(), '0'));
}

struct SilentSound final : SoundSource {
    void Render(std::span<std::int16_t> samples) override { std::fill(samples.begin(), samples.end(), 0); }
};

// Whole runs of the start-up and main loop over fake scenes: loaderFrames 0 is
// a loader that succeeds, then one scene of effectFrames frames. Frame n is
// grabbed as bytes n.
struct CaptureRun : ::testing::Test {
    void Run(int loaderFrames, int effectFrames, CapturePlan plan = {}) {
        plan.framing = FitInto(kScreenWidth, kScreenHeight, kScreenWidth, kScreenHeight);
        plan.framesPerSecond = 25;
        session = std::make_unique<CaptureSession>(std::move(plan), encoder, nullptr, sound);
        const auto grab = [this](int width, int height, std::vector<std::uint8_t>& rgb) {
            rgb.assign(static_cast<std::size_t>(width * height * 3), static_cast<std::uint8_t>(grabbed++));
        };
        system = std::make_unique<CaptureSystem>(inner, *session, grab);
        const auto lineUp = [=, this](SceneList& scenes, platform::Window&) {
            scenes.Append(std::make_unique<test::RecordingScene>(log, "loader", loaderFrames));
            scenes.Append(std::make_unique<test::RecordingScene>(log, "effect", effectFrames));
        };
        EXPECT_EQ(RunIntro("", *system, {lineUp, data::ItemSpan(data::musicModule)}), 0);
    }

    test::CallLog log;
    test::FakeSystem inner{log};
    test::FakeEncoder encoder;
    SilentSound sound;
    std::unique_ptr<CaptureSession> session;
    std::unique_ptr<CaptureSystem> system;
    int grabbed = 0;
};

TEST_F(CaptureRun, EndsByFrameLimitOrCloseRequestNeverChangingTheDisplayMode) {
    CapturePlan plan;
    plan.frameLimit = 2;
    Run(0, 100, plan);
    EXPECT_EQ(encoder.firstBytes, (std::vector<int>{0, 1}));
    EXPECT_FALSE(system->Interrupted()) << "the limit is no interruption";
    EXPECT_EQ(inner.log.front(), "window:640x480:windowed");
    EXPECT_EQ(log.back(), "destroy");
    EXPECT_TRUE(session->Finish());
    EXPECT_EQ(encoder.finishes, 1);

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
    EXPECT_EQ(grabbed, 2) << "no frame after the failed one";
    EXPECT_EQ(session->Error(), "disk full");
    EXPECT_FALSE(session->Finish());
    EXPECT_EQ(encoder.finishes, 0);

    inner.windowCreated = false;
    Run(0, 3);
    EXPECT_EQ(system->ReportedError(), kNoWindowMessage);
}

TEST(Progress, OneLineRewrittenInPlaceWithTheSpeedAndAnEstimateWhileFramesRemain) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    const SceneTrack scenes{1, 6};
    Progress(stream, false, 100, 50).Done(100, scenes);
    Progress progress(stream, true, 100, 50);
    progress.Frame(25, scenes);
    progress.Frame(26, scenes);  // too soon after the first to be shown
    progress.Done(60, scenes);   // cut short: frames remain, but no estimate
    std::fclose(stream);
    const std::string text(buffer, size);
    std::free(buffer);
    EXPECT_EQ(text.rfind("\rframe 25  scene 2/6  0.50 s rendered  ", 0), 0u) << "nothing when disabled: " << text;
    const std::size_t last = text.rfind('\r');
    EXPECT_NE(text.substr(0, last).find("x real time  about "), std::string::npos) << text;
    EXPECT_EQ(text.find("frame 26"), std::string::npos);
    EXPECT_EQ(text.find("\rframe 60  scene 2/6  1.20 s rendered", last), last) << text;
    EXPECT_EQ(text.find(" left", last), std::string::npos) << "no estimate once done";
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace zint::capture
