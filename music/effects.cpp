#include "music/effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "music/channel.h"
#include "music/pitch.h"
#include "music/player.h"
#include "music/tick_engine.h"

namespace zint {

namespace {

// W(p) = truncate(|sin(2p x 0.049087375)| x 256) for p = 0..31: peak 255, not 256.
constexpr std::array<int, 32> kVibratoWave{0,   25,  49,  74,  97,  120, 142, 162, 181, 197, 212,
                                           225, 236, 244, 251, 254, 255, 254, 251, 244, 236, 225,
                                           212, 197, 181, 162, 142, 120, 97,  74,  49,  25};
constexpr int kWavePositions = 64;  // vibrato and tremolo positions run -32..31
constexpr int kLastWavePosition = 31;

constexpr float kAutoVibratoRadians = 0.024543688f;  // a little under 2 pi / 256
constexpr int kAutoVibratoScale = 64;
constexpr int kAutoVibratoPositions = 256;
constexpr int kHalfAutoVibrato = 128;

constexpr int kFixedShift = 16;  // envelope values are 16.16
constexpr int kFixedUnit = 1 << kFixedShift;
constexpr int kPeriodUnitsPerStep = 4;  // slide speeds count 4 period units

enum AutoVibratoType { kSine = 0, kSquare = 1, kRampDown = 2, kRampUp = 3 };

// Effect R's volume changes 1..5 and 9..13 add these; 6, 7, 14 and 15 scale.
constexpr std::array<int, 16> kRetrigVolumeSteps{0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};

struct LaterTick {
    Song& song;
    Channel& channel;
    const Sample& sample;
    std::uint8_t param;
};
using LaterTickEffect = void (*)(const LaterTick&);

int Wrapped(int position, int last, int span) { return position > last ? position - span : position; }

void Arpeggio(const LaterTick& at) {
    if (at.param == 0) return;
    const int k = at.song.tick % 3;
    const int offset = k == 1 ? HighNibble(at.param) : k == 2 ? LowNibble(at.param) : 0;
    Channel& channel = at.channel;
    if (UsesLinearPeriods(at.song)) {
        channel.periodDelta = offset * kLinearUnitsPerSemitone;
    } else {
        channel.periodDelta = AmigaPeriod(channel.realNote + offset, at.sample.finetune) -
                              AmigaPeriod(channel.realNote, at.sample.finetune);
    }
    channel.updateFlags |= kFrequencyChanged;
}

void ContinuePortamentoUp(const LaterTick& at) {
    Channel& channel = at.channel;
    channel.period = std::max(channel.period - channel.portaUpSpeed * kPeriodUnitsPerStep, kPortamentoUpLimit);
    channel.periodDelta = 0;
    channel.updateFlags |= kFrequencyChanged;
}

void ContinuePortamentoDown(const LaterTick& at) {
    Channel& channel = at.channel;
    channel.period = SlideUnlimited(channel.period, channel.portaDownSpeed * kPeriodUnitsPerStep);
    channel.periodDelta = 0;
    channel.updateFlags |= kFrequencyChanged;
}

void ContinueTonePortamento(const LaterTick& at) {
    at.channel.periodDelta = 0;
    StepTonePortamento(at.channel);
}

void ContinueVibrato(const LaterTick& at) {
    ApplyVibrato(at.channel);
    AdvanceVibrato(at.channel);
}

void ContinueTonePortamentoVolumeSlide(const LaterTick& at) {
    ContinueTonePortamento(at);
    SlideVolume(at.channel);
}

void ContinueVibratoVolumeSlide(const LaterTick& at) {
    ContinueVibrato(at);
    SlideVolume(at.channel);
}

void ContinueTremolo(const LaterTick& at) { ApplyTremolo(at.channel); }

void ContinueVolumeSlide(const LaterTick& at) { SlideVolume(at.channel); }

// No update flag: a channel hears the new global volume when its volume is
// next recomputed.
void ContinueGlobalVolumeSlide(const LaterTick& at) {
    Song& song = at.song;
    const int up = HighNibble(song.globalVolumeSlide);
    const int down = LowNibble(song.globalVolumeSlide);
    if (up != 0) {
        song.globalVolume = std::min(song.globalVolume + up, kMaxGlobalVolume);
    } else if (down != 0) {
        song.globalVolume = std::max(song.globalVolume - down, 0);
    }
}

void ContinuePanningSlide(const LaterTick& at) {
    Channel& channel = at.channel;
    const int right = HighNibble(channel.panningSlide);
    const int left = LowNibble(channel.panningSlide);
    if (right != 0) {
        channel.panning = std::min(channel.panning + right, kMaxPanning);
    } else if (left != 0) {
        channel.panning = std::max(channel.panning - left, 0);
    }
    channel.updateFlags |= kPanningChanged;
}

int RetriggeredVolume(int volume, int change) {
    switch (change) {
        case 6: return 2 * volume / 3;
        case 7: return volume / 2;
        case 14: return 3 * volume / 2;
        case 15: return 2 * volume;
        default: return volume + kRetrigVolumeSteps[static_cast<std::size_t>(change)];
    }
}

void ContinueMultiRetrigger(const LaterTick& at) {
    Channel& channel = at.channel;
    if (channel.retrigInterval == 0 || at.song.tick % channel.retrigInterval != 0) return;
    if (channel.retrigVolumeChange != 0) {
        channel.volume = std::clamp(RetriggeredVolume(channel.volume, channel.retrigVolumeChange & 0x0F), 0,
                                    kMaxChannelVolume);
        channel.updateFlags |= kVolumeChanged;
    }
    channel.updateFlags |= kTrigger;
}

void ContinueTremor(const LaterTick& at) { ApplyTremor(at.channel); }

constexpr auto kLaterTickEffects = [] {
    std::array<LaterTickEffect, kEffectCount> table{};
    table[kArpeggio] = Arpeggio;
    table[kPortamentoUp] = ContinuePortamentoUp;
    table[kPortamentoDown] = ContinuePortamentoDown;
    table[kTonePortamento] = ContinueTonePortamento;
    table[kVibrato] = ContinueVibrato;
    table[kTonePortamentoVolumeSlide] = ContinueTonePortamentoVolumeSlide;
    table[kVibratoVolumeSlide] = ContinueVibratoVolumeSlide;
    table[kTremolo] = ContinueTremolo;
    table[kVolumeSlide] = ContinueVolumeSlide;
    table[kGlobalVolumeSlide] = ContinueGlobalVolumeSlide;
    table[kPanningSlide] = ContinuePanningSlide;
    table[kMultiRetrigger] = ContinueMultiRetrigger;
    table[kTremor] = ContinueTremor;
    return table;
}();

// The volume column commands that go on after the first tick.
void ApplyLaterVolumeColumn(Channel& channel, std::uint8_t column) {
    const int x = LowNibble(column);
    switch (HighNibble(column)) {
        case kColumnSlideDown: MoveVolume(channel, -x); break;
        case kColumnSlideUp: MoveVolume(channel, x); break;
        case kColumnVibratoDepth:
            channel.vibratoDepth = static_cast<std::uint8_t>(x);
            ApplyVibrato(channel);
            AdvanceVibrato(channel);
            break;
        case kColumnPanningLeft: MovePanning(channel, -x); break;
        case kColumnPanningRight: MovePanning(channel, x); break;
        case kColumnTonePortamento: StepTonePortamento(channel); break;
        default: break;
    }
}

int SegmentSlope(const EnvelopePoint& from, const EnvelopePoint& to) {
    const int ticks = to.x - from.x;
    if (ticks == 0) return 0;
    return (to.y - from.y) * kFixedUnit / ticks;
}

}  // namespace

int SlideUnlimited(int value, int by) {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(value) + by, -kUnlimitedSlideBound,
                                                  kUnlimitedSlideBound));
}

int VibratoWave(int position) { return kVibratoWave[static_cast<std::size_t>(position & kLastWavePosition)]; }

int AutoVibratoWave(int type, int position) {
    switch (type) {
        case kSine:
            return static_cast<int>(std::sin(position * static_cast<double>(kAutoVibratoRadians)) * kAutoVibratoScale);
        case kSquare: return position < kHalfAutoVibrato ? kAutoVibratoScale : -kAutoVibratoScale;
        case kRampDown:
            return (kHalfAutoVibrato - (position + kHalfAutoVibrato) % kAutoVibratoPositions) >> 1;
        case kRampUp:
            return (kHalfAutoVibrato - (3 * kHalfAutoVibrato - position) % kAutoVibratoPositions) >> 1;
        default: return 0;
    }
}

void ProcessTickEffects(Song& song) {
    const std::span<const PatternCell> cells = RowCells(song);
    const std::span<Channel, kMaxChannels> channels = Channels();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        Channel& channel = channels[i];
        const PatternCell& cell = cells[i];
        const Instrument& instrument = ChannelInstrument(song, channel);
        const Sample& sample = ChannelSample(channel, instrument);
        channel.volumeDelta = 0;
        channel.periodDelta = 0;
        channel.updateFlags = 0;
        StepEnvelopes(channel, instrument);
        StepFadeout(channel, instrument);
        ApplyLaterVolumeColumn(channel, cell.volumeColumn);
        if (cell.effect < kEffectCount) {
            if (const LaterTickEffect effect = kLaterTickEffects[cell.effect]) {
                effect({song, channel, sample, cell.effectParam});
            }
        }
        ApplyAutoVibrato(channel, instrument);
        UpdateVoice(channel, sample, song);
    }
}

EnvelopeShape VolumeEnvelopeOf(const Instrument& instrument) {
    return {instrument.volumeEnvelope,     instrument.volumePointCount, instrument.volumeEnvelopeFlags,
            instrument.volumeSustainPoint, instrument.volumeLoopStart,  instrument.volumeLoopEnd};
}

EnvelopeShape PanningEnvelopeOf(const Instrument& instrument) {
    return {instrument.panningEnvelope,     instrument.panningPointCount, instrument.panningEnvelopeFlags,
            instrument.panningSustainPoint, instrument.panningLoopStart,  instrument.panningLoopEnd};
}

EnvelopeWalker VolumeWalkerOf(Channel& channel) {
    return {channel.volumeEnvelopeTick,  channel.volumeEnvelopePoint, channel.volumeEnvelopeValue,
            channel.volumeEnvelopeSlope, channel.volumeEnvelopeDone,  channel.envelopeVolume};
}

EnvelopeWalker PanningWalkerOf(Channel& channel) {
    return {channel.panningEnvelopeTick,  channel.panningEnvelopePoint, channel.panningEnvelopeValue,
            channel.panningEnvelopeSlope, channel.panningEnvelopeDone,  channel.envelopePanning};
}

void StepEnvelope(Channel& channel, const EnvelopeShape& shape, const EnvelopeWalker& walker, std::uint8_t flagBit) {
    channel.updateFlags |= flagBit;
    int i = walker.point;
    if (i >= shape.pointCount) {
        walker.output = walker.value >> kFixedShift;
        ++walker.tick;
        return;
    }
    // Inside a segment. (Two points on one tick would leave the tick past
    // the next point for good if this asked for inequality.)
    if (walker.tick < shape.points[static_cast<std::size_t>(i)].x) {
        walker.value += walker.slope;
        walker.output = walker.value >> kFixedShift;
        ++walker.tick;
        return;
    }
    if ((shape.flags & kEnvelopeLoop) && i == shape.loopEnd) {
        walker.point = i = shape.loopStart;
        walker.tick = shape.points[static_cast<std::size_t>(i)].x;
    }
    const EnvelopePoint& here = shape.points[static_cast<std::size_t>(i)];
    if (i == shape.pointCount - 1) {
        walker.output = here.y;
        walker.done = 1;
        return;
    }
    // Held until key-off.
    if ((shape.flags & kEnvelopeSustain) && i == shape.sustainPoint && channel.keyOff == 0) {
        walker.output = here.y;
        return;
    }
    walker.slope = SegmentSlope(here, shape.points[static_cast<std::size_t>(i) + 1]);
    walker.value = here.y * kFixedUnit;
    walker.point = i + 1;
    walker.output = here.y;
    ++walker.tick;
}

void StepEnvelopes(Channel& channel, const Instrument& instrument) {
    if ((instrument.volumeEnvelopeFlags & kEnvelopeOn) && channel.volumeEnvelopeDone == 0) {
        StepEnvelope(channel, VolumeEnvelopeOf(instrument), VolumeWalkerOf(channel), kVolumeChanged);
    }
    if ((instrument.panningEnvelopeFlags & kEnvelopeOn) && channel.panningEnvelopeDone == 0) {
        StepEnvelope(channel, PanningEnvelopeOf(instrument), PanningWalkerOf(channel), kPanningChanged);
    }
}

void SetVolumeEnvelopePosition(Channel& channel, const Instrument& instrument, int position) {
    if (!(instrument.volumeEnvelopeFlags & kEnvelopeOn)) return;
    const EnvelopeShape shape = VolumeEnvelopeOf(instrument);
    const auto point = [&](int k) -> const EnvelopePoint& { return shape.points[static_cast<std::size_t>(k)]; };
    int i = 0;
    while (i < shape.pointCount - 1 && position > point(i + 1).x) ++i;
    channel.volumeEnvelopePoint = i;
    if (i == shape.pointCount - 1) {
        channel.envelopeVolume = point(i).y;
        channel.volumeEnvelopeDone = 1;
        return;
    }
    // A position before the first point starts at the first point, so the
    // walker never runs past the segment's end.
    const int from = std::max<int>(position, point(i).x);
    channel.volumeEnvelopeDone = 0;
    channel.volumeEnvelopeTick = from;
    channel.volumeEnvelopeSlope = SegmentSlope(point(i), point(i + 1));
    channel.volumeEnvelopeValue = point(i).y * kFixedUnit + (from - point(i).x) * channel.volumeEnvelopeSlope;
    channel.volumeEnvelopePoint = i + 1;
    channel.envelopeVolume = channel.volumeEnvelopeValue >> kFixedShift;
}

void StepFadeout(Channel& channel, const Instrument& instrument) {
    if (channel.keyOff == 0) return;
    channel.fadeoutVolume = std::max(channel.fadeoutVolume - instrument.fadeout, 0);
    channel.updateFlags |= kVolumeChanged;
}

void SlideVolume(Channel& channel) {
    const int up = HighNibble(channel.volumeSlide);
    MoveVolume(channel, up != 0 ? up : -LowNibble(channel.volumeSlide));
}

void MoveVolume(Channel& channel, int by) {
    channel.volume = std::clamp(channel.volume + by, 0, kMaxChannelVolume);
    channel.updateFlags |= kVolumeChanged;
}

void MovePanning(Channel& channel, int by) {
    channel.panning = SlideUnlimited(channel.panning, by);
    channel.updateFlags |= kPanningChanged;
}

void StepTonePortamento(Channel& channel) {
    const int speed = channel.portaSpeed * kPeriodUnitsPerStep;
    if (channel.period < channel.portaTarget) {
        channel.period = std::min(channel.period + speed, channel.portaTarget);
    } else if (channel.period > channel.portaTarget) {
        channel.period = std::max(channel.period - speed, channel.portaTarget);
    }
    channel.updateFlags |= kFrequencyChanged;
}

void ApplyVibrato(Channel& channel) {
    // 4 x floor(W x depth / 128).
    const int delta = ((VibratoWave(channel.vibratoPosition) * channel.vibratoDepth) >> 5) & ~3;
    channel.periodDelta = channel.vibratoPosition >= 0 ? -delta : delta;
    channel.updateFlags |= kFrequencyChanged;
}

void AdvanceVibrato(Channel& channel) {
    channel.vibratoPosition = static_cast<std::int8_t>(
        Wrapped(channel.vibratoPosition + channel.vibratoSpeed, kLastWavePosition, kWavePositions));
}

void ApplyTremolo(Channel& channel) {
    int delta = (VibratoWave(channel.tremoloPosition) * channel.tremoloDepth) >> 6;
    if (channel.tremoloPosition >= 0) {
        channel.volumeDelta = std::min(delta, kMaxChannelVolume - channel.volume);
    } else {
        delta = std::min(delta, channel.volume);
        channel.volumeDelta = -delta;
    }
    channel.tremoloPosition = static_cast<std::int8_t>(
        Wrapped(channel.tremoloPosition + channel.tremoloSpeed, kLastWavePosition, kWavePositions));
    channel.updateFlags |= kVolumeChanged;
}

void ApplyTremor(Channel& channel) {
    if (channel.tremorCounter >= channel.tremorOnTicks) channel.volumeDelta = -channel.volume;
    ++channel.tremorCounter;
    // At or past the cycle's end: a new T with shorter lengths must not
    // leave the counter running on to its wrap.
    if (channel.tremorCounter >= channel.tremorOnTicks + channel.tremorOffTicks) channel.tremorCounter = 0;
    channel.updateFlags |= kVolumeChanged;
}

void ApplyAutoVibrato(Channel& channel, const Instrument& instrument) {
    int delta = instrument.vibratoDepth * AutoVibratoWave(instrument.vibratoType, channel.autoVibratoPosition);
    if (instrument.vibratoSweep != 0) delta = channel.autoVibratoTicks * delta / instrument.vibratoSweep;
    channel.periodDelta += delta >> 6;
    channel.autoVibratoTicks = std::min(channel.autoVibratoTicks + 1, static_cast<int>(instrument.vibratoSweep));
    channel.autoVibratoPosition = Wrapped(channel.autoVibratoPosition + instrument.vibratoRate,
                                          kAutoVibratoPositions - 1, kAutoVibratoPositions);
    channel.updateFlags |= kFrequencyChanged;
}

}  // namespace zint
