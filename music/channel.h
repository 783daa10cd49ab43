#pragma once
// The per-channel playback state of the sequencer, one record per pattern
// channel. The player links channel i to voice i when playback starts; the
// tick engine keeps the rest of the record.
namespace zint {

struct Voice;

struct Channel {
    Voice* voice = nullptr;  // the mixer voice this channel drives
    int index = 0;           // channel number, equal to the voice number
};

}  // namespace zint
