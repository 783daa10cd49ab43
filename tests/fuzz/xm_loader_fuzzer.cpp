// Feeds arbitrary bytes to the XM loader through a memory file. A song that
// loads must keep every structural promise (checked in full: the sizes of
// every sample's data among them); one that does not must leave nothing
// behind. Every song that loads is then played through the offline
// device for the first ring (two seconds), so that the tick engine and the
// mixer meet the same bytes: no read or write out of bounds, no division by
// zero, no signed overflow, and the channels' levels stay in range.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/memory_file.h"
#include "music/loader.h"
#include "music/channel.h"
#include "music/memory_file_callbacks.h"
#include "music/offline_sound_device.h"
#include "music/player.h"
#include "tests/music/song_invariants.h"

namespace {

// The input's length picks the rate: the intro's own, or the lowest the
// player takes (the same ticks for a fifth of the mixing, and steps that
// reach the mixer's limit sooner).
int RenderRate(std::size_t size) { return size % 2 == 0 ? 44100 : zint::kMinSampleRate; }

void Check(bool promise, const std::string& what) {
    if (promise) return;
    std::fprintf(stderr, "broke a promise: %s\n", what.c_str());
    std::abort();
}

void CheckLevels(const zint::Song& song) {
    Check(song.globalVolume >= 0 && song.globalVolume <= 64, "global volume within 0..64");
    for (const zint::Channel& channel : zint::Channels().first(static_cast<std::size_t>(song.channelCount))) {
        Check(channel.volume >= 0 && channel.volume <= 64, "channel volume within 0..64");
        Check(channel.volume + channel.volumeDelta >= 0 && channel.volume + channel.volumeDelta <= 64,
              "volume with its tremolo or tremor within 0..64");
        Check(channel.envelopeVolume >= 0 && channel.envelopeVolume <= 64, "envelope volume within 0..64");
        Check(channel.fadeoutVolume >= 0 && channel.fadeoutVolume <= 65536, "fadeout within 0..65536");
        Check(channel.voice == nullptr || channel.voice->volume <= 127, "voice volume at most 127");
    }
}

// Plays the first ring of the song, then one more second through the device.
void Play(zint::Song& song, int rate) {
    auto owned = std::make_unique<zint::OfflineSoundDevice>();
    zint::OfflineSoundDevice& device = *owned;
    Check(zint::OpenSoundOutput(rate, std::move(owned)), "the output opens");
    zint::StartPlayback(&song);
    CheckLevels(song);
    std::vector<std::int16_t> second(2 * static_cast<std::size_t>(rate));
    device.Take(second);
    CheckLevels(song);
    zint::CloseSoundOutput();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) return 0;
    zint::SetModuleFileCallbacks(zint::MemoryFileOpen, zint::MemoryFileClose, zint::MemoryFileRead,
                                 zint::MemoryFileSeek, zint::MemoryFileTell);
    zint::MemoryFile file{0, static_cast<std::uint32_t>(size), data};
    std::unique_ptr<zint::Song> song = zint::LoadSong(&file);
    if (song) {
        const std::string violation = zint::test::FirstViolation(*song);
        Check(violation.empty(), "the loaded song: " + violation);
        Play(*song, RenderRate(size));
    }
    zint::FreeSong(std::move(song));
    return 0;
}
