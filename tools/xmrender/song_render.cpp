#include "tools/xmrender/song_render.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "music/offline_sound_device.h"
#include "music/player.h"

namespace zint::xmrender {

namespace {

constexpr int kChannels = 2;
// Blocks handed on at a time; well within the ring that is rendered ahead.
constexpr std::uint64_t kBlocksPerPiece = 16;

// Follows the order positions the song plays, tick by tick, counting frames
// the way FillBlock does.
struct OrderWatch {
    TickHandler handler = nullptr;
    std::uint64_t tickStart = 0;  // frame at which the current tick starts
    std::bitset<kOrderTableSize> played;
    std::optional<std::uint64_t> repeatFrame;
};

OrderWatch* activeWatch = nullptr;

void WatchedTick(Song& song) {
    OrderWatch& watch = *activeWatch;
    // This tick starts a new order entry.
    if (song.tick == 0 && song.nextOrderPosition >= 0 && !watch.repeatFrame) {
        const auto position = static_cast<std::size_t>(song.nextOrderPosition);
        if (position < watch.played.size()) {
            if (watch.played.test(position)) watch.repeatFrame = watch.tickStart;
            watch.played.set(position);
        }
    }
    if (watch.handler != nullptr) watch.handler(song);
    watch.tickStart += static_cast<std::uint64_t>(std::max(song.samplesPerTick, 1));
}

// Puts the watch between the mixer and the song's own tick handler for as
// long as it lives.
class WatchInstalled {
public:
    WatchInstalled(Song& song, OrderWatch& watch) : song(song) {
        watch.handler = song.tickHandler;
        watch.played.set(0);
        activeWatch = &watch;
        song.tickHandler = WatchedTick;
    }
    ~WatchInstalled() {
        song.tickHandler = activeWatch->handler;
        activeWatch = nullptr;
    }
    WatchInstalled(const WatchInstalled&) = delete;
    WatchInstalled& operator=(const WatchInstalled&) = delete;

private:
    Song& song;
};

}  // namespace

RenderResult RenderSong(Song& song, int sampleRate, const RenderLength& length, const SampleSink& sink) {
    auto owned = std::make_unique<OfflineSoundDevice>();
    OfflineSoundDevice& device = *owned;
    if (!OpenSoundOutput(sampleRate, std::move(owned))) return {RenderStatus::kNoOutput, 0};

    RenderResult result;
    {
        OrderWatch watch;
        WatchInstalled installed(song, watch);
        StartPlayback(&song);
        const auto pieceFrames = static_cast<std::uint64_t>(CurrentOutput().blockFrames) * kBlocksPerPiece;
        std::vector<std::int16_t> piece(pieceFrames * kChannels);
        // The ring is rendered a whole ring ahead of what is taken, so the
        // repeat is known before the frames that reach it are handed on.
        while (true) {
            std::uint64_t end = length.maxFrames;
            if (length.stopWhereOrderRepeats && watch.repeatFrame) end = std::min(end, *watch.repeatFrame);
            if (result.frames >= end) break;
            const std::uint64_t frames = std::min(pieceFrames, end - result.frames);
            const std::span<std::int16_t> samples = std::span(piece).first(frames * kChannels);
            device.Take(samples);
            if (!sink(samples)) {
                result.status = RenderStatus::kSinkRefused;
                break;
            }
            result.frames += frames;
        }
        StopPlayback(&song);
    }
    CloseSoundOutput();
    return result;
}

std::uint64_t FramesIn(double seconds, int sampleRate) {
    return static_cast<std::uint64_t>(std::llround(seconds * sampleRate));
}

}  // namespace zint::xmrender
