// The production drawn through the compatibility profile and through the
// OpenGL ES 3.0 emulation gives the same pictures: the loading screen, the
// tunnel, the boids with their text and the grid with its credits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/support/production_run.h"

namespace zint {
namespace {

// Production frames after the loader: tunnel, boids with a text, grid with credits.
constexpr int kStillFrames[] = {10 * 60, 40 * 60, 60 * 60};

using test::Frame;

std::vector<Frame> RenderStills(const char* glRequest, platform::GlApi expected) {
    test::ProductionRun run(glRequest);
    if (!run.Ready()) {
        ADD_FAILURE() << "no offscreen context for " << glRequest;
        return {};
    }
    EXPECT_EQ(run.Api(), expected);
    std::vector<Frame> stills{run.loadingScreen};
    for (int frame : kStillFrames) {
        run.StepTo(frame);
        stills.push_back(run.Render());
    }
    return stills;
}

// A mean of 1/255 per channel allows the rounding of shading and sampling
// arithmetic done in another order; 16/255 away from edges allows texture
// filtering between neighbouring mip levels, while a wrong state (fog left
// on, a lost texture, another blend) moves whole regions by far more. An edge
// pixel is one within a pixel of where the compatibility picture steps by
// more than 32/255: there the two rasterisers may cover a pixel differently,
// but not along a whole line: a lost or misplaced line or point is hundreds
// of pixels.
void ExpectClose(const Frame& compat, const Frame& es, const char* name) {
    const auto at = [](const Frame& frame, int x, int y, int channel) {
        return int(frame[std::size_t((std::clamp(y, 0, 479) * 640 + std::clamp(x, 0, 639)) * 4 + channel)]);
    };
    long long sum = 0;
    int largestOffEdge = 0;       // the largest channel difference away from edges
    int pixelsOverTolerance = 0;  // pixels, edges included, where a channel differs by more than 16/255
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            int largest = 0;
            bool edge = false;
            for (int c = 0; c < 3; ++c) {
                const int delta = std::abs(at(compat, x, y, c) - at(es, x, y, c));
                sum += delta;
                largest = std::max(largest, delta);
                for (int n = 0; n < 9; ++n) {
                    edge = edge || std::abs(at(compat, x + n % 3 - 1, y + n / 3 - 1, c) - at(compat, x, y, c)) > 32;
                }
            }
            pixelsOverTolerance += largest > 16;
            if (!edge) largestOffEdge = std::max(largestOffEdge, largest);
        }
    }
    const double mean = static_cast<double>(sum) / (640 * 480 * 3);  // per channel, in 1/255
    EXPECT_TRUE(mean <= 1.0 && largestOffEdge <= 16 && pixelsOverTolerance <= 64)
        << name << ": mean " << mean << "/255, largest off edges " << largestOffEdge << "/255, "
        << pixelsOverTolerance << " pixels over 16/255";
}

TEST(FrameCompareTest, EsPathDrawsTheSamePicturesAsTheCompatibilityProfile) {
    const std::vector<Frame> compat = RenderStills("compat", platform::GlApi::Compatibility);
    const std::vector<Frame> es = RenderStills("es", platform::GlApi::Es3);
    ASSERT_EQ(compat.size(), 4u);
    ASSERT_EQ(es.size(), compat.size());
    // The loading screen is the glyph text copied into a texture and drawn at
    // its own size: any misplaced glyph pixel shows.
    EXPECT_EQ(compat[0], es[0]) << "loading screen";
    const char* names[] = {"loading screen", "tunnel", "boids", "grid"};
    for (std::size_t i = 1; i < compat.size(); ++i) ExpectClose(compat[i], es[i], names[i]);
}

// Mesa made to offer no desktop OpenGL that the window accepts.
TEST(FrameCompareTest, WithoutTheCompatibilityProfileTheIntroDrawsOnEs) {
    setenv("MESA_GL_VERSION_OVERRIDE", "1.3", 1);
    const auto system = platform::CreateSdlSystem();
    const auto window = system->CreateWindow(640, 480, false);
    unsetenv("MESA_GL_VERSION_OVERRIDE");
    ASSERT_TRUE(window->Created());
    EXPECT_EQ(window->Api(), platform::GlApi::Es3);
    window->Destroy();
}

}  // namespace
}  // namespace zint
