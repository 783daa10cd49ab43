#include "tools/zint_capture/background_encoder.h"

namespace zint::capture {

BackgroundEncoder::BackgroundEncoder(std::unique_ptr<platform::VideoEncoder> inner, std::size_t maxPending)
    : inner(std::move(inner)), maxPending(maxPending), worker([this] { EncodeQueued(); }) {}

BackgroundEncoder::~BackgroundEncoder() { Stop(); }

void BackgroundEncoder::Stop() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    if (worker.joinable()) worker.join();
}

BackgroundEncoder::Job BackgroundEncoder::TakeSpare() {
    const std::lock_guard lock(mutex);
    if (spares.empty()) return {};
    Job job = std::move(spares.back());
    spares.pop_back();
    return job;
}

bool BackgroundEncoder::AddFrame(std::span<const std::uint8_t> rgb) {
    Job job = TakeSpare();
    job.picture.assign(rgb.begin(), rgb.end());
    return Queue(std::move(job));
}

bool BackgroundEncoder::AddAudio(std::span<const std::int16_t> samples) {
    Job job = TakeSpare();
    job.picture.clear();
    job.sound.assign(samples.begin(), samples.end());
    return Queue(std::move(job));
}

bool BackgroundEncoder::Queue(Job job) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return failed || stopping || queued.size() < maxPending; });
    if (failed) return false;
    if (stopping) {
        error = "encoding after the end of the video";
        return false;
    }
    queued.push_back(std::move(job));
    lock.unlock();
    changed.notify_all();
    return true;
}

void BackgroundEncoder::EncodeQueued() {
    std::unique_lock lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return stopping || !queued.empty(); });
        if (queued.empty()) return;  // stopping with nothing left
        if (failed) {
            queued.clear();
            continue;
        }
        Job job = std::move(queued.front());
        queued.pop_front();
        ++inProgress;
        lock.unlock();
        const bool done = job.picture.empty() ? inner->AddAudio(job.sound) : inner->AddFrame(job.picture);
        lock.lock();
        --inProgress;
        if (!done) {
            error = inner->Error();
            failed = true;
        }
        spares.push_back(std::move(job));
        changed.notify_all();
    }
}

bool BackgroundEncoder::Finish() {
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return failed || (queued.empty() && inProgress == 0); });
        if (failed) return false;
    }
    Stop();
    if (!inner->Finish()) {
        error = inner->Error();
        return false;
    }
    return true;
}

}  // namespace zint::capture
