#pragma once
// Reads an XM module through the installed module file callbacks into a Song.
#include <cstdint>
#include <memory>

#include "music/song.h"

namespace zint {

// What the loader had to mend in a file that breaks the format's limits.
// A file within them loads with none of these set.
enum LoadRepair : std::uint32_t {
    kRepairSongLength = 1u << 0,       // more than 256 order entries: cut to 256
    kRepairRestartPosition = 1u << 1,  // restart at or past the song's end: restart at 0
    kRepairTempo = 1u << 2,            // default speed or BPM outside 0..32767 / 1..32767
    kRepairEmptyOrder = 1u << 3,       // song length 0: order entry 0 gets a pattern slot of 64 rows
    kRepairInstrumentCount = 1u << 4,  // more than 128 instruments: the rest are not read
    kRepairNote = 1u << 5,             // cell note 98..254: no note
    kRepairEnvelope = 1u << 6,         // envelope points, values or sustain/loop points out of range
    kRepairSampleVolume = 1u << 7,     // sample volume above 64: 64
    kRepairSampleLength = 1u << 8,     // sample data longer than what the file holds: cut
    kRepairSampleLoop = 1u << 9,       // loop ending past the sample: kept inside it
    kRepairShortRead = 1u << 10,       // the file ended inside a header: the missing bytes read as 0
};

// Opens `name` with the installed callbacks and reads the module. Returns
// null when open fails or the file is refused (then everything is freed).
// With a sampleDataSource, sample bytes come from it (and are skipped in the
// stream) and are not delta-decoded. `repairs`, when given, receives the
// LoadRepair bits of what was mended.
std::unique_ptr<Song> LoadSong(const void* name, SampleDataSource sampleDataSource = {},
                               std::uint32_t* repairs = nullptr);

// Releases the song, stopping its playback first; false for none.
bool FreeSong(std::unique_ptr<Song> song);

}  // namespace zint
