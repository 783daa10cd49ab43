#include "music/offline_sound_device.h"

#include <algorithm>

#include "music/player.h"

namespace zint {

namespace {

constexpr int kChannels = 2;
constexpr std::uint64_t kBytesPerFrame = 4;

}  // namespace

bool OfflineSoundDevice::Open(int rate) {
    if (rate <= 0) return false;
    sampleRate = rate;
    return true;
}

void OfflineSoundDevice::Play(std::span<const std::int16_t> newRing) {
    ring = newRing;
    playedBytes = 0;
}

void OfflineSoundDevice::Reset() { ring = {}; }

void OfflineSoundDevice::Advance(std::uint64_t frames) { playedBytes += frames * kBytesPerFrame; }

void OfflineSoundDevice::Peek(std::span<std::int16_t> samples) const {
    if (ring.empty()) {
        std::fill(samples.begin(), samples.end(), 0);
        return;
    }
    std::size_t from = static_cast<std::size_t>((playedBytes / kBytesPerFrame * kChannels) % ring.size());
    for (std::size_t done = 0; done < samples.size();) {
        const std::size_t piece = std::min(samples.size() - done, ring.size() - from);
        std::copy_n(ring.begin() + static_cast<std::ptrdiff_t>(from), piece,
                    samples.begin() + static_cast<std::ptrdiff_t>(done));
        done += piece;
        from = 0;
    }
}

void OfflineSoundDevice::Take(std::span<std::int16_t> samples) {
    // A block at a time, so the writer never falls a whole ring behind.
    const auto blockSamples = static_cast<std::size_t>(std::max(CurrentOutput().blockFrames, 1)) * kChannels;
    while (!samples.empty()) {
        const std::size_t piece = std::min(samples.size(), blockSamples) / kChannels * kChannels;
        if (piece == 0) break;
        Peek(samples.first(piece));
        Advance(piece / kChannels);
        RefillRing();
        samples = samples.subspan(piece);
    }
    std::fill(samples.begin(), samples.end(), 0);  // an odd sample left over: no frame to play
}

}  // namespace zint
