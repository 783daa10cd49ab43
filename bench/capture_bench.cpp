#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <filesystem>

#include "platform/system.h"
#include "platform/video_encoder.h"
#include "tools/zint_capture/back_buffer.h"

namespace zint {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFps = 60;

// A picture that changes everywhere from frame to frame, so the encoder has
// real motion and detail to code, unlike a black pause.
void DrawMovingPattern(std::vector<std::uint8_t>& rgb, int frame) {
    rgb.resize(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::size_t at = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            rgb[at++] = static_cast<std::uint8_t>(x + 2 * frame);
            rgb[at++] = static_cast<std::uint8_t>(y - frame);
            rgb[at++] = static_cast<std::uint8_t>((x ^ y) + frame);
        }
    }
}

// One frame into the H.264 encoder with its 1/60 s of sound.
void BM_EncodeFrame(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "zint-capture-bench.mp4";
    std::string error;
    auto encoder = platform::OpenVideoEncoder({path.string(), kWidth, kHeight, kFps, 44100}, error);
    if (!encoder) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<std::uint8_t> rgb;
    const std::vector<std::int16_t> sound(735 * 2, 0);
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DrawMovingPattern(rgb, frame++);
        state.ResumeTiming();
        encoder->AddFrame(rgb);
        encoder->AddAudio(sound);
    }
    encoder->Finish();
    std::filesystem::remove(path);
}
BENCHMARK(BM_EncodeFrame)->Unit(benchmark::kMillisecond);

// Reading the finished 640 x 480 frame back from an offscreen context.
void BM_ReadBackBuffer(benchmark::State& state) {
    auto system = platform::CreateSdlSystem();
    auto window = system->CreateWindow(kWidth, kHeight, false);
    if (!window->Created()) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    std::vector<std::uint8_t> rgb;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        capture::ReadBackBuffer(kWidth, kHeight, rgb);
        benchmark::DoNotOptimize(rgb.data());
    }
    window->Destroy();
}
BENCHMARK(BM_ReadBackBuffer)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zint
