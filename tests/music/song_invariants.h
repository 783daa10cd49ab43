#pragma once
// The structural promises every loaded song keeps, whatever bytes it came
// from, so that the player can walk it without leaving its tables. Shared by
// the unit tests, the corpus test and the fuzzer (hence no test framework).
#include <algorithm>
#include <cstdint>
#include <string>

#include "music/effects.h"
#include "music/song.h"

namespace zint::test {

namespace invariants {

inline std::string Envelope(const EnvelopeShape& shape) {
    if (shape.pointCount > kEnvelopePoints) return "more than 12 envelope points";
    if (!(shape.flags & kEnvelopeOn)) return "";
    if (shape.pointCount < 2) return "envelope on with fewer than 2 points";
    if ((shape.flags & kEnvelopeSustain) && shape.sustainPoint >= shape.pointCount) return "sustain past the points";
    if ((shape.flags & kEnvelopeLoop) && (shape.loopStart >= shape.pointCount || shape.loopEnd >= shape.pointCount)) {
        return "loop past the points";
    }
    for (int i = 0; i < shape.pointCount; ++i) {
        if (shape.points[i].y > 64) return "envelope value above 64";
        if (i > 0 && shape.points[i].x < shape.points[i - 1].x) return "envelope ticks going backwards";
    }
    return "";
}

inline std::string SampleData(const Sample& sample) {
    if (sample.volume > 64) return "sample volume above 64";
    if (sample.loopMode != kNoLoop && sample.loopMode != kForwardLoop && sample.loopMode != kPingPongLoop) {
        return "unknown loop mode";
    }
    const std::uint64_t loopEnd = std::uint64_t{sample.loopStart} + sample.loopLength;
    if (loopEnd > sample.length) return "loop ends past the sample";
    if (sample.loopMode == kNoLoop && (sample.loopStart != 0 || sample.loopLength != sample.length)) {
        return "unlooped sample without the whole sample as its range";
    }
    if (sample.loopMode != kNoLoop && sample.loopLength == 0) return "empty loop";
    if (sample.length == 0) return sample.data.empty() ? "" : "data for an empty sample";
    if (sample.data.size() != std::size_t{sample.length} + kGuardFrames) return "data size is not length + 8 frames";
    if (sample.loopMode == kForwardLoop && sample.data[loopEnd] != sample.data[sample.loopStart]) {
        return "forward loop without its guard frame";
    }
    if (sample.loopMode == kPingPongLoop && sample.data[loopEnd] != sample.data[loopEnd - 1]) {
        return "ping-pong loop without its guard frame";
    }
    const std::size_t firstSpare =
        sample.loopMode == kNoLoop ? sample.length : std::max<std::size_t>(sample.length, loopEnd + 1);
    for (std::size_t i = firstSpare; i < sample.data.size(); ++i) {
        if (sample.data[i] != 0) return "spare frames not zero";
    }
    return "";
}

inline std::string InstrumentRecord(const Instrument& instrument) {
    if (instrument.sampleCount < 0 || instrument.sampleCount > kMaxSamplesPerInstrument) return "bad sample count";
    if (instrument.ownedSamples.size() != static_cast<std::size_t>(instrument.sampleCount)) {
        return "owned samples differ from the sample count";
    }
    for (int i = 0; i < kMaxSamplesPerInstrument; ++i) {
        const Sample* expected = i < instrument.sampleCount ? &instrument.ownedSamples[i] : &emptySample;
        if (instrument.samples[i] != expected) return "sample slot " + std::to_string(i) + " misplaced";
    }
    std::string problem = Envelope(VolumeEnvelopeOf(instrument));
    if (problem.empty()) problem = Envelope(PanningEnvelopeOf(instrument));
    for (std::size_t i = 0; problem.empty() && i < instrument.ownedSamples.size(); ++i) {
        problem = SampleData(instrument.ownedSamples[i]);
        if (!problem.empty()) problem = "sample " + std::to_string(i) + ": " + problem;
    }
    return problem;
}

inline std::string PatternRecord(const Pattern& pattern, int channelCount) {
    if (pattern.rowCount < 0) return "negative row count";
    if (pattern.cells.size() != static_cast<std::size_t>(pattern.rowCount) * static_cast<std::size_t>(channelCount)) {
        return "cell count is not rows x channels";
    }
    for (const PatternCell& cell : pattern.cells) {
        if (cell.note > kNoteCount && cell.note != kKeyOffNote) return "note " + std::to_string(cell.note);
        if (cell.instrument > 128) return "instrument " + std::to_string(cell.instrument);
    }
    return "";
}

}  // namespace invariants

// Empty when the song keeps every promise, else the first broken one.
inline std::string FirstViolation(const Song& song) {
    if (song.channelCount < 0 || song.channelCount > kMaxChannels) return "channel count";
    if (song.songLength < 0 || song.songLength > kOrderTableSize) return "song length";
    if (song.restartPosition < 0 || song.restartPosition >= std::max<int>(song.songLength, 1)) return "restart";
    if (song.defaultSpeed < 0 || song.defaultBpm < 1) return "tempo";
    if (song.initialGlobalVolume != 64) return "initial global volume";
    if (song.patterns.size() != static_cast<std::size_t>(song.patternSlotCount)) return "pattern slot count";
    for (int i = 0; i < std::max<int>(song.songLength, 1); ++i) {
        if (song.orderTable[i] >= song.patternSlotCount) return "order entry " + std::to_string(i) + " has no pattern";
    }
    for (std::size_t i = 0; i < song.patterns.size(); ++i) {
        const std::string problem = invariants::PatternRecord(song.patterns[i], song.channelCount);
        if (!problem.empty()) return "pattern " + std::to_string(i) + ": " + problem;
    }
    if (song.instruments.size() != static_cast<std::size_t>(song.instrumentCount)) return "instrument count";
    for (std::size_t i = 0; i < song.instruments.size(); ++i) {
        const std::string problem = invariants::InstrumentRecord(song.instruments[i]);
        if (!problem.empty()) return "instrument " + std::to_string(i) + ": " + problem;
    }
    return "";
}

}  // namespace zint::test
