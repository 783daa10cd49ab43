#pragma once
// The sequencer: the song's tick handler, the first-tick work of every row
// and the row-to-row movement through the order table. It works on the
// player's channels and, through UpdateVoice, on their voices.
#include <cstdint>
#include <span>

#include "music/song.h"

namespace zint {

struct Channel;

// What a channel plays when its instrument number is beyond the song's
// instruments: no envelopes, no vibrato, every note mapped to emptySample.
extern const Instrument emptyInstrument;

// The song's tick handler (the loader installs it): the first tick of a row
// processes the row and decides the next one, the others run the tick effects.
void SongTick(Song& song);

// The first-tick work of the current row for every channel.
void ProcessRow(Song& song);

// An instrument number restarts the channel's volume, panning, envelopes,
// fadeout and modulator positions; it does not restart the sample.
void ResetChannelForInstrument(Channel& channel, const Sample& sample);

// A volume-column byte on the first tick of its row.
void ApplyVolumeColumn(Channel& channel, std::uint8_t volumeColumn);

// The channelCount cells of the current row; empty when its pattern has none.
std::span<const PatternCell> RowCells(const Song& song);

// The rows of the pattern at an order position; 0 for none.
int RowCountAt(const Song& song, int orderPosition);

// The channel's instrument and, through its sample map, the sample of its note.
const Instrument& ChannelInstrument(const Song& song, const Channel& channel);
const Sample& ChannelSample(const Channel& channel, const Instrument& instrument);

}  // namespace zint
