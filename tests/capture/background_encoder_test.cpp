// The encoding thread hands the inner encoder exactly the calls it was given,
// in order, and reports the thread's failure to the caller.
#include "tools/zint_capture/background_encoder.h"

#include <gtest/gtest.h>

#include "tests/capture/fake_encoder.h"

namespace zint::capture {
namespace {

struct Encoding {
    test::FakeEncoder* fake = new test::FakeEncoder;
    BackgroundEncoder encoder{std::unique_ptr<platform::VideoEncoder>(fake), 2};

    // Frame n holds the byte n, and its sound the samples n and -n. With only
    // two calls queued the caller waits for the thread now and then too.
    bool Feed(int frames) {
        for (int n = 0; n < frames; ++n) {
            const std::vector<std::uint8_t> picture(640 * 480 * 3, static_cast<std::uint8_t>(n));
            const std::vector<std::int16_t> sound{static_cast<std::int16_t>(n), static_cast<std::int16_t>(-n)};
            if (!encoder.AddFrame(picture) || !encoder.AddAudio(sound)) return false;
        }
        return true;
    }
};

TEST(BackgroundEncoder, PassesEveryCallOnInOrderAndFinishesOnce) {
    Encoding run;
    ASSERT_TRUE(run.Feed(200));
    ASSERT_TRUE(run.encoder.Finish());
    ASSERT_EQ(run.fake->firstBytes.size(), 200u);
    std::string order;
    for (int n = 0; n < 200; ++n) {
        EXPECT_EQ(run.fake->firstBytes[static_cast<std::size_t>(n)], n % 256);
        EXPECT_EQ(run.fake->sound[2 * static_cast<std::size_t>(n) + 1], -n);
        order += "va";
    }
    EXPECT_EQ(run.fake->order, order);
    EXPECT_EQ(run.fake->finishes, 1);
    EXPECT_FALSE(run.encoder.AddFrame(std::vector<std::uint8_t>(3))) << "nothing after the end";
}

TEST(BackgroundEncoder, FailureOfTheThreadStopsTheCaptureWithItsReason) {
    Encoding run;
    run.fake->failAtFrame = 3;
    EXPECT_FALSE(run.Feed(100));
    EXPECT_FALSE(run.encoder.Finish());
    EXPECT_EQ(run.encoder.Error(), "disk full");
    EXPECT_EQ(run.fake->order, "vavav") << "nothing reaches the encoder after its failure";
    EXPECT_EQ(run.fake->finishes, 0);

    Encoding dropped;  // ends without Finish: what is pending goes, nothing hangs
    EXPECT_TRUE(dropped.Feed(10));
}

}  // namespace
}  // namespace zint::capture
