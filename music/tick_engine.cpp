#include "music/tick_engine.h"

#include <algorithm>
#include <array>

#include "music/channel.h"
#include "music/effects.h"
#include "music/mixer.h"
#include "music/pitch.h"
#include "music/player.h"

namespace zint {

const Instrument emptyInstrument{};

namespace {

constexpr int kMaxBreakRow = 63;
constexpr int kMaxSpeed = 31;  // F below 32 sets the speed, from 32 on the BPM
constexpr int kSampleOffsetUnit = 256;
constexpr int kColumnPanningUnit = 16;
constexpr int kColumnPortamentoUnit = 16;
constexpr int kExtraFineUp = 1;
constexpr int kExtraFineDown = 2;

// Volume column values.
constexpr std::uint8_t kColumnSetVolumeFirst = 0x10;
constexpr std::uint8_t kColumnSetVolumeLast = 0x50;
constexpr std::uint8_t kColumnTonePortamentoFirst = 0xF0;

struct FirstTick {
    Song& song;
    Channel& channel;
    const Instrument& instrument;
    const Sample& sample;
    std::uint8_t param;
    bool& jumped;  // a B came earlier in this row
};
using FirstTickEffect = void (*)(const FirstTick&);

void StartPortamentoUp(const FirstTick& at) {
    if (at.param != 0) at.channel.portaUpSpeed = at.param;
}

void StartPortamentoDown(const FirstTick& at) {
    if (at.param != 0) at.channel.portaDownSpeed = at.param;
}

// The note of a portamento row is where the slide goes, not what plays.
void AimPortamento(Channel& channel) {
    channel.portaTarget = channel.notePeriod;
    channel.updateFlags &= static_cast<std::uint8_t>(~(kTrigger | kFrequencyChanged));
}

void StartTonePortamento(const FirstTick& at) {
    if (at.param != 0) at.channel.portaSpeed = at.param;
    AimPortamento(at.channel);
}

void StartVibrato(const FirstTick& at) {
    if (HighNibble(at.param) != 0) at.channel.vibratoSpeed = static_cast<std::uint8_t>(HighNibble(at.param));
    if (LowNibble(at.param) != 0) at.channel.vibratoDepth = static_cast<std::uint8_t>(LowNibble(at.param));
    ApplyVibrato(at.channel);
}

void StartTonePortamentoVolumeSlide(const FirstTick& at) {
    if (at.param != 0) at.channel.volumeSlide = at.param;
    AimPortamento(at.channel);
}

void StartVibratoVolumeSlide(const FirstTick& at) {
    if (at.param != 0) at.channel.volumeSlide = at.param;
    ApplyVibrato(at.channel);
}

void StartTremolo(const FirstTick& at) {
    if (HighNibble(at.param) != 0) at.channel.tremoloSpeed = static_cast<std::uint8_t>(HighNibble(at.param));
    if (LowNibble(at.param) != 0) at.channel.tremoloDepth = static_cast<std::uint8_t>(LowNibble(at.param));
}

void SetPanning(const FirstTick& at) {
    at.channel.panning = at.param;
    at.channel.updateFlags |= kPanningChanged;
}

// An offset at or past the loop's end silences the voice; otherwise it waits
// in the voice for the next trigger.
void SampleOffset(const FirstTick& at) {
    Channel& channel = at.channel;
    if (at.param != 0) channel.sampleOffset = at.param;
    const auto offset = static_cast<std::uint32_t>(channel.sampleOffset * kSampleOffsetUnit);
    if (offset >= std::uint64_t{at.sample.loopStart} + at.sample.loopLength) {
        channel.updateFlags = static_cast<std::uint8_t>((channel.updateFlags & ~kTrigger) | kStop);
    } else if (channel.voice != nullptr) {
        channel.voice->startOffset = offset;
    }
}

void StartVolumeSlide(const FirstTick& at) {
    if (at.param != 0) at.channel.volumeSlide = at.param;
}

void PositionJump(const FirstTick& at) {
    at.song.nextRow = 0;
    at.song.nextOrderPosition = at.param < at.song.songLength ? at.param : 0;
    at.jumped = true;
}

void SetVolume(const FirstTick& at) {
    at.channel.volume = std::min<int>(at.param, kMaxChannelVolume);
    at.channel.updateFlags |= kVolumeChanged;
}

// The row is written in decimal digits; rows above 63 mean row 0.
void PatternBreak(const FirstTick& at) {
    Song& song = at.song;
    const int row = HighNibble(at.param) * 10 + LowNibble(at.param);
    song.nextRow = row > kMaxBreakRow ? 0 : row;
    if (!at.jumped) song.nextOrderPosition = song.orderPosition + 1;
    if (song.nextOrderPosition >= song.songLength) song.nextOrderPosition = 0;
}

void SetSpeed(const FirstTick& at) {
    if (at.param <= kMaxSpeed) {
        at.song.speed = at.param;
    } else {
        SetBpm(at.song, at.param);
    }
}

void SetGlobalVolume(const FirstTick& at) {
    at.song.globalVolume = std::min<int>(at.param, kMaxGlobalVolume);
    at.channel.updateFlags |= kVolumeChanged;
}

void StartGlobalVolumeSlide(const FirstTick& at) {
    if (at.param != 0) at.song.globalVolumeSlide = at.param;
}

void EnvelopePosition(const FirstTick& at) { SetVolumeEnvelopePosition(at.channel, at.instrument, at.param); }

void StartPanningSlide(const FirstTick& at) {
    if (at.param == 0) return;
    at.channel.panningSlide = at.param;
    at.channel.updateFlags |= kPanningChanged;
}

void StartMultiRetrigger(const FirstTick& at) {
    if (at.param == 0) return;
    at.channel.retrigVolumeChange = static_cast<std::uint8_t>(HighNibble(at.param));
    at.channel.retrigInterval = static_cast<std::uint8_t>(LowNibble(at.param));
}

void StartTremor(const FirstTick& at) {
    if (at.param != 0) {
        at.channel.tremorOnTicks = static_cast<std::uint8_t>(HighNibble(at.param) + 1);
        at.channel.tremorOffTicks = static_cast<std::uint8_t>(LowNibble(at.param) + 1);
    }
    ApplyTremor(at.channel);
}

void ExtraFinePortamento(const FirstTick& at) {
    Channel& channel = at.channel;
    const int y = LowNibble(at.param);
    if (HighNibble(at.param) == kExtraFineUp) {
        if (y != 0) channel.extraFinePortaUp = static_cast<std::uint8_t>(y);
        channel.period = SlideUnlimited(channel.period, -channel.extraFinePortaUp);
    } else if (HighNibble(at.param) == kExtraFineDown) {
        if (y != 0) channel.extraFinePortaDown = static_cast<std::uint8_t>(y);
        channel.period = SlideUnlimited(channel.period, channel.extraFinePortaDown);
    }
}

// Arpeggio, the E commands, K (handled with the key-off note) and every
// number not listed do nothing on the first tick.
constexpr auto kFirstTickEffects = [] {
    std::array<FirstTickEffect, kEffectCount> table{};
    table[kPortamentoUp] = StartPortamentoUp;
    table[kPortamentoDown] = StartPortamentoDown;
    table[kTonePortamento] = StartTonePortamento;
    table[kVibrato] = StartVibrato;
    table[kTonePortamentoVolumeSlide] = StartTonePortamentoVolumeSlide;
    table[kVibratoVolumeSlide] = StartVibratoVolumeSlide;
    table[kTremolo] = StartTremolo;
    table[kSetPanning] = SetPanning;
    table[kSampleOffset] = SampleOffset;
    table[kVolumeSlide] = StartVolumeSlide;
    table[kPositionJump] = PositionJump;
    table[kSetVolume] = SetVolume;
    table[kPatternBreak] = PatternBreak;
    table[kSetSpeed] = SetSpeed;
    table[kSetGlobalVolume] = SetGlobalVolume;
    table[kGlobalVolumeSlide] = StartGlobalVolumeSlide;
    table[kEnvelopePosition] = EnvelopePosition;
    table[kPanningSlide] = StartPanningSlide;
    table[kMultiRetrigger] = StartMultiRetrigger;
    table[kTremor] = StartTremor;
    table[kExtraFinePortamento] = ExtraFinePortamento;
    return table;
}();

bool IsPortamentoRow(const PatternCell& cell) {
    return cell.effect == kTonePortamento || cell.effect == kTonePortamentoVolumeSlide ||
           cell.volumeColumn >= kColumnTonePortamentoFirst;
}

bool HasNote(const PatternCell& cell) { return cell.note != 0 && cell.note != kKeyOffNote; }

void StartNote(const Song& song, Channel& channel, const PatternCell& cell, const Sample& sample, bool portamentoRow) {
    channel.realNote = static_cast<std::uint8_t>(cell.note + sample.relativeNote - 1);
    channel.notePeriod = NotePeriod(channel.realNote, sample.finetune, UsesLinearPeriods(song));
    if (!portamentoRow) channel.period = channel.notePeriod;
    channel.updateFlags = kTrigger;
}

void ProcessCell(Song& song, Channel& channel, const PatternCell& cell, bool& jumped) {
    const bool portamentoRow = IsPortamentoRow(cell);
    if (cell.instrument != 0 && !portamentoRow) channel.instrument = static_cast<std::uint8_t>(cell.instrument - 1);
    if (HasNote(cell) && !portamentoRow) channel.note = static_cast<std::uint8_t>(cell.note - 1);
    const Instrument& instrument = ChannelInstrument(song, channel);
    const Sample& sample = ChannelSample(channel, instrument);

    // The last tremolo offset stays in the volume when the tremolo ends.
    if (channel.lastEffect == kTremolo && cell.effect != kTremolo) channel.volume += channel.volumeDelta;
    channel.updateFlags = 0;
    channel.lastEffect = cell.effect;
    channel.volumeDelta = 0;
    if (HasNote(cell)) StartNote(song, channel, cell, sample, portamentoRow);
    channel.periodDelta = 0;
    channel.updateFlags |= kFrequencyChanged | kVolumeChanged;
    if (cell.instrument != 0) ResetChannelForInstrument(channel, sample);
    if (cell.volumeColumn != 0) ApplyVolumeColumn(channel, cell.volumeColumn);
    if (cell.note == kKeyOffNote || cell.effect == kKeyOff) channel.keyOff = 1;

    StepEnvelopes(channel, instrument);
    // Without a volume envelope a key-off cuts the note.
    if (!(instrument.volumeEnvelopeFlags & kEnvelopeOn) && channel.keyOff != 0) channel.envelopeVolume = 0;
    StepFadeout(channel, instrument);

    if (cell.effect < kEffectCount) {
        if (const FirstTickEffect effect = kFirstTickEffects[cell.effect]) {
            effect({song, channel, instrument, sample, cell.effectParam, jumped});
        }
    }
    ApplyAutoVibrato(channel, instrument);
    UpdateVoice(channel, sample, song);
}

const Pattern* PatternAt(const Song& song, int orderPosition) {
    if (orderPosition < 0 || orderPosition >= kOrderTableSize) return nullptr;
    const std::size_t number = song.orderTable[static_cast<std::size_t>(orderPosition)];
    return number < song.patterns.size() ? &song.patterns[number] : nullptr;
}

// Running off the end of the order table goes back to the restart position.
int OrderPositionAfter(const Song& song, int orderPosition) {
    const int next = orderPosition + 1;
    if (next < song.songLength) return next;
    return song.restartPosition >= 0 && song.restartPosition < song.songLength ? song.restartPosition : 0;
}

void StartRow(Song& song) {
    if (song.nextOrderPosition >= 0) song.orderPosition = song.nextOrderPosition;
    if (song.nextRow >= 0) song.row = song.nextRow;
    // A break to a row the new pattern does not have lands on its first row.
    if (song.row >= RowCountAt(song, song.orderPosition)) song.row = 0;
    ProcessRow(song);
    if (song.nextRow != -1) return;  // a jump or break decided already
    song.nextRow = song.row + 1;
    if (song.nextRow >= RowCountAt(song, song.orderPosition)) {
        song.nextOrderPosition = OrderPositionAfter(song, song.orderPosition);
        song.nextRow = 0;
    }
}

}  // namespace

void SongTick(Song& song) {
    if (song.tick != 0) {
        ProcessTickEffects(song);
    } else {
        StartRow(song);
    }
    // With speed 0 every tick is a first tick.
    ++song.tick;
    if (song.tick >= song.speed) song.tick = 0;
}

void ProcessRow(Song& song) {
    song.nextOrderPosition = -1;
    song.nextRow = -1;
    bool jumped = false;
    const std::span<const PatternCell> cells = RowCells(song);
    const std::span<Channel, kMaxChannels> channels = Channels();
    for (std::size_t i = 0; i < cells.size(); ++i) ProcessCell(song, channels[i], cells[i], jumped);
}

void ResetChannelForInstrument(Channel& channel, const Sample& sample) {
    channel.volume = sample.volume;
    channel.panning = sample.panning;
    channel.envelopeVolume = kFullEnvelopeVolume;
    channel.envelopePanning = kCentreEnvelopePanning;
    channel.volumeEnvelopePoint = channel.volumeEnvelopeTick = channel.volumeEnvelopeSlope = 0;
    channel.panningEnvelopePoint = channel.panningEnvelopeTick = channel.panningEnvelopeSlope = 0;
    channel.volumeEnvelopeDone = channel.panningEnvelopeDone = 0;
    channel.keyOff = 0;
    channel.fadeoutVolume = kFullFadeoutVolume;
    channel.autoVibratoTicks = channel.autoVibratoPosition = 0;
    channel.vibratoPosition = channel.tremoloPosition = 0;
    channel.tremorCounter = 0;
    channel.updateFlags |= kVolumeChanged | kPanningChanged;
}

void ApplyVolumeColumn(Channel& channel, std::uint8_t volumeColumn) {
    if (volumeColumn >= kColumnSetVolumeFirst && volumeColumn <= kColumnSetVolumeLast) {
        channel.volume = volumeColumn - kColumnSetVolumeFirst;
        channel.updateFlags |= kVolumeChanged;
        return;
    }
    const int x = LowNibble(volumeColumn);
    switch (HighNibble(volumeColumn)) {
        case kColumnSlideDown:
        case kColumnFineSlideDown: MoveVolume(channel, -x); break;
        case kColumnSlideUp:
        case kColumnFineSlideUp: MoveVolume(channel, x); break;
        case kColumnVibratoSpeed: channel.vibratoSpeed = static_cast<std::uint8_t>(x); break;
        case kColumnVibratoDepth: channel.vibratoDepth = static_cast<std::uint8_t>(x); break;
        case kColumnSetPanning:
            channel.panning = x * kColumnPanningUnit;
            channel.updateFlags |= kPanningChanged;
            break;
        case kColumnPanningLeft: MovePanning(channel, -x); break;
        case kColumnPanningRight: MovePanning(channel, x); break;
        case kColumnTonePortamento:
            if (x != 0) channel.portaSpeed = static_cast<std::uint8_t>(x * kColumnPortamentoUnit);
            channel.portaTarget = channel.notePeriod;
            channel.updateFlags &= static_cast<std::uint8_t>(~kTrigger);
            break;
        default: break;  // 01-0F and 51-5F do nothing
    }
}

std::span<const PatternCell> RowCells(const Song& song) {
    const Pattern* pattern = PatternAt(song, song.orderPosition);
    if (pattern == nullptr || song.row < 0 || song.row >= pattern->rowCount || song.channelCount <= 0) return {};
    const auto channels = static_cast<std::size_t>(std::min<int>(song.channelCount, kMaxChannels));
    const auto first = static_cast<std::size_t>(song.row) * static_cast<std::size_t>(song.channelCount);
    if (first + channels > pattern->cells.size()) return {};
    return std::span<const PatternCell>(pattern->cells).subspan(first, channels);
}

int RowCountAt(const Song& song, int orderPosition) {
    const Pattern* pattern = PatternAt(song, orderPosition);
    return pattern != nullptr ? pattern->rowCount : 0;
}

const Instrument& ChannelInstrument(const Song& song, const Channel& channel) {
    if (channel.instrument >= song.instrumentCount || channel.instrument >= song.instruments.size()) {
        return emptyInstrument;
    }
    return song.instruments[channel.instrument];
}

const Sample& ChannelSample(const Channel& channel, const Instrument& instrument) {
    if (channel.note >= kNoteCount) return emptySample;
    const std::size_t number = instrument.sampleMap[channel.note];
    if (number >= kMaxSamplesPerInstrument || instrument.samples[number] == nullptr) return emptySample;
    return *instrument.samples[number];
}

}  // namespace zint
