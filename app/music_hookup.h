#pragma once
// The intro's music: the embedded module behind the loader's file
// callbacks, the sound output at 44100 Hz, and the song from the loader's
// success to the shutdown. It plays on its own; no scene refers to it.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "data/memory_file.h"
#include "music/song.h"
#include "platform/sound_device.h"

namespace zint {

inline constexpr int kMusicSampleRate = 44100;
inline constexpr std::string_view kNoPlayerMessage = "Unable to create player";

enum class MusicPrepared {
    Ready,
    NoSoundOutput,  // no device took the format
    SongRefused,    // the loader refused the module; the output is closed again
};

class MusicHookUp {
public:
    // `module` must outlive the hook-up: the song is read from it in place.
    explicit MusicHookUp(std::span<const std::uint8_t> module);
    ~MusicHookUp();
    MusicHookUp(const MusicHookUp&) = delete;
    MusicHookUp& operator=(const MusicHookUp&) = delete;

    // Installs the memory-file callbacks, opens the output on `device` and
    // loads the song.
    MusicPrepared Prepare(std::unique_ptr<platform::SoundDevice> device);

    void Start();

    // At shutdown: stops the song, frees it and closes the output.
    void StopAndRelease();

    // After a failed load, when the music never started.
    void ReleaseAfterFailedLoad();

private:
    MemoryFile module;
    std::unique_ptr<Song> song;
};

}  // namespace zint
