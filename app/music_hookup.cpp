#include "app/music_hookup.h"

#include "music/loader.h"
#include "music/memory_file_callbacks.h"
#include "music/player.h"

namespace zint {

MusicHookUp::MusicHookUp(std::span<const std::uint8_t> bytes)
    : module{0, static_cast<std::uint32_t>(bytes.size()), bytes.data()} {}

MusicHookUp::~MusicHookUp() {
    if (song) StopAndRelease();
}

MusicPrepared MusicHookUp::Prepare(std::unique_ptr<platform::SoundDevice> device) {
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    if (!OpenSoundOutput(kMusicSampleRate, std::move(device))) return MusicPrepared::NoSoundOutput;
    song = LoadSong(&module);
    if (!song) {
        CloseSoundOutput();
        return MusicPrepared::SongRefused;
    }
    return MusicPrepared::Ready;
}

void MusicHookUp::Start() { StartPlayback(song.get()); }

void MusicHookUp::StopAndRelease() {
    StopPlayback(song.get());
    FreeSong(std::move(song));
    CloseSoundOutput();
}

void MusicHookUp::ReleaseAfterFailedLoad() {
    FreeSong(std::move(song));
    CloseSoundOutput();
}

}  // namespace zint
