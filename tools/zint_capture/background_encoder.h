#pragma once
// Encodes on a thread of its own, so that frame n is encoded while frame n+1
// renders. The inner encoder gets exactly the calls made here, in the same
// order, so the file holds the same bytes as without the thread.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/video_encoder.h"

namespace zint::capture {

class BackgroundEncoder final : public platform::VideoEncoder {
public:
    // At most maxPending calls wait for the thread; more make the caller wait.
    explicit BackgroundEncoder(std::unique_ptr<platform::VideoEncoder> inner, std::size_t maxPending = 4);
    // Drops what is still pending when Finish was not called.
    ~BackgroundEncoder() override;

    // Both queue a copy. A failure of the thread shows in the next call.
    bool AddFrame(std::span<const std::uint8_t> rgb) override;
    bool AddAudio(std::span<const std::int16_t> samples) override;
    // Waits for everything queued, then completes the file.
    bool Finish() override;
    // Only read after a call returned false: the thread writes it before that.
    const std::string& Error() const override { return error; }

private:
    struct Job {
        std::vector<std::uint8_t> picture;  // empty for sound
        std::vector<std::int16_t> sound;
    };

    Job TakeSpare();
    bool Queue(Job job);
    void EncodeQueued();
    void Stop();

    std::unique_ptr<platform::VideoEncoder> inner;
    const std::size_t maxPending;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queued;          // guarded by mutex, like everything up to the thread
    std::vector<Job> spares;         // buffers handed back for reuse
    std::size_t inProgress = 0;
    bool stopping = false;
    bool failed = false;
    std::string error;
    std::thread worker;  // last, so it starts once everything above exists
};

}  // namespace zint::capture
