#include "tools/make_module/instruments.h"

#include <optional>
#include <utility>

#include "tools/make_module/synth.h"

namespace zint::compose {
namespace {

using xm::XmEnvelope;
using xm::XmInstrument;
using xm::XmLoop;
using xm::XmSample;

constexpr std::uint32_t kNoiseSeed = 0x2B0D5EEDu;

struct Range {
    std::uint8_t first;
    std::uint8_t last;
};

XmEnvelope Envelope(std::vector<xm::XmEnvelopePoint> points, std::optional<std::uint8_t> sustain = {},
                    std::optional<Range> loop = {}) {
    XmEnvelope envelope;
    envelope.points = std::move(points);
    if (sustain) {
        envelope.sustain = true;
        envelope.sustainPoint = *sustain;
    }
    if (loop) {
        envelope.loop = true;
        envelope.loopStart = loop->first;
        envelope.loopEnd = loop->last;
    }
    return envelope;
}

XmSample MakeSample(const char* name, const Wave& wave, double rate, bool sixteenBit, std::uint8_t volume) {
    XmSample sample;
    sample.name = name;
    sample.frames = sixteenBit ? To16Bit(wave) : To8Bit(wave);
    sample.sixteenBit = sixteenBit;
    sample.volume = volume;
    const Tuning tuning = TuneForRate(rate);
    sample.relativeNote = tuning.relativeNote;
    sample.finetune = tuning.finetune;
    return sample;
}

void LoopWhole(XmSample& sample, XmLoop loop) {
    sample.loop = loop;
    sample.loopStart = 0;
    sample.loopLength = static_cast<std::uint32_t>(sample.frames.size());
}

// A ping-pong loop whose two turns lie where the wave is flat: the slope
// into the loop's first and out of its last frame is what flips at a turn.
void PingPongBetweenTurns(XmSample& sample, const Wave& wave, std::size_t start, std::size_t end) {
    const std::size_t radius = wave.size() / 40;
    const std::size_t first = FlatSpotNear(wave, start, radius);
    const std::size_t last = FlatSpotNear(wave, end, radius) + 1;
    sample.loop = XmLoop::PingPong;
    sample.loopStart = static_cast<std::uint32_t>(first);
    sample.loopLength = static_cast<std::uint32_t>(last - first + 1);
}

// Sine-shaped automatic vibrato, reaching full depth `sweep` ticks after a note.
void SineAutoVibrato(XmInstrument& instrument, std::uint8_t sweep, std::uint8_t depth, std::uint8_t rate) {
    instrument.vibratoType = 0;
    instrument.vibratoSweep = sweep;
    instrument.vibratoDepth = depth;
    instrument.vibratoRate = rate;
}

XmInstrument WithSample(const char* name, XmSample sample) {
    XmInstrument instrument;
    instrument.name = name;
    instrument.samples.push_back(std::move(sample));
    return instrument;
}

XmInstrument Kick() {
    const double rate = SemitoneRate(7);
    return WithSample("kick", MakeSample("sine kick", KickDrum(rate), rate, false, 64));
}

XmInstrument Snare(Rng& rng) {
    const double rate = SemitoneRate(12);
    return WithSample("snare", MakeSample("noise snare", SnareDrum(rate, rng), rate, false, 64));
}

XmInstrument Hat(Rng& rng) {
    const double rate = SemitoneRate(24);
    auto sample = MakeSample("hat noise", HatNoise(1024, rng), rate, false, 40);
    sample.panning = 0x60;
    LoopWhole(sample, XmLoop::Forward);
    auto instrument = WithSample("closed hat", std::move(sample));
    instrument.volumeEnvelope = Envelope({{0, 64}, {2, 38}, {5, 16}, {10, 5}, {16, 0}});
    return instrument;
}

// Rings long when left alone; a key-off fades it quickly into an open hat.
XmInstrument Cymbal(Rng& rng) {
    const double rate = SemitoneRate(24);
    const Wave wave = CymbalNoise(rate, 4096, rng);
    auto sample = MakeSample("cymbal", wave, rate, false, 40);
    PingPongBetweenTurns(sample, wave, 64, wave.size() - 64);
    auto instrument = WithSample("cymbal", std::move(sample));
    instrument.volumeEnvelope = Envelope({{0, 64}, {4, 44}, {16, 26}, {48, 10}, {110, 0}});
    instrument.fadeout = 0x900;
    return instrument;
}

XmInstrument Bass() {
    constexpr std::size_t frames = 128;
    auto harmonics = SawHarmonics(40, 14.0f);
    harmonics[0] *= 1.6f;  // a firmer fundamental under the buzz
    auto sample = MakeSample("bass saw", HarmonicCycle(frames, harmonics), frames * kMiddleC, true, 46);
    LoopWhole(sample, XmLoop::Forward);
    auto instrument = WithSample("bass", std::move(sample));
    // Released a row after it starts, a note has died away before the next
    // eighth retriggers the channel.
    instrument.volumeEnvelope = Envelope({{0, 64}, {3, 52}, {6, 42}, {9, 0}}, 2);
    instrument.fadeout = 0x400;
    return instrument;
}

XmInstrument Pad(Rng& rng) {
    const double rate = SemitoneRate(5);
    const auto frames = static_cast<std::size_t>(rate * 0.5);
    const Wave wave = DetunedPad(rate, kMiddleC, frames, rng);
    auto sample = MakeSample("detuned saws", wave, rate, false, 32);
    PingPongBetweenTurns(sample, wave, frames / 50, frames - frames / 50);
    auto instrument = WithSample("pad", std::move(sample));
    instrument.volumeEnvelope = Envelope({{0, 0}, {14, 50}, {30, 58}, {80, 0}}, 2);
    // A slow sway from side to side for as long as the chord sounds.
    instrument.panningEnvelope = Envelope({{0, 32}, {60, 44}, {120, 32}, {180, 20}, {240, 32}}, {}, Range{0, 4});
    instrument.fadeout = 0x180;
    SineAutoVibrato(instrument, 0, 3, 6);
    return instrument;
}

// Vibrato that fades in after the attack, as a singer's would.
XmInstrument Lead() {
    constexpr std::size_t frames = 64;
    auto harmonics = SawHarmonics(24, 12.0f);
    const auto hollow = PulseHarmonics(24, 0.5f, 10.0f);
    for (std::size_t k = 0; k < harmonics.size(); ++k) harmonics[k] += 0.45f * hollow[k];
    auto sample = MakeSample("lead", HarmonicCycle(frames, harmonics), frames * kMiddleC, true, 48);
    LoopWhole(sample, XmLoop::Forward);
    auto instrument = WithSample("lead", std::move(sample));
    instrument.volumeEnvelope = Envelope({{0, 20}, {2, 64}, {10, 52}, {24, 46}, {40, 0}}, 3);
    instrument.panningEnvelope = Envelope({{0, 26}, {12, 32}, {50, 38}}, 1);
    instrument.fadeout = 0x300;
    SineAutoVibrato(instrument, 40, 6, 18);
    return instrument;
}

// The lead's voice, quieter and off to one side, for delayed copies of the melody.
XmInstrument LeadEcho() {
    auto instrument = Lead();
    instrument.name = "lead echo";
    instrument.samples.front().volume = 26;
    instrument.samples.front().panning = 0x50;
    instrument.panningEnvelope = {};
    return instrument;
}

// Its envelope pulses in eighth notes for as long as a note is held.
XmInstrument Pluck() {
    constexpr std::size_t frames = 64;
    auto sample = MakeSample("pulse", HarmonicCycle(frames, PulseHarmonics(20, 0.25f, 9.0f)), frames * kMiddleC,
                             false, 36);
    LoopWhole(sample, XmLoop::Forward);
    auto instrument = WithSample("pluck", std::move(sample));
    instrument.volumeEnvelope = Envelope({{0, 64}, {4, 38}, {12, 40}, {18, 18}, {24, 40}}, {}, Range{2, 4});
    instrument.fadeout = 0xA00;
    return instrument;
}

}  // namespace

std::vector<xm::XmInstrument> BuildInstruments() {
    Rng rng(kNoiseSeed);
    std::vector<xm::XmInstrument> instruments;
    instruments.push_back(Kick());
    instruments.push_back(Snare(rng));
    instruments.push_back(Hat(rng));
    instruments.push_back(Cymbal(rng));
    instruments.push_back(Bass());
    instruments.push_back(Pad(rng));
    instruments.push_back(Lead());
    instruments.push_back(Pluck());
    instruments.push_back(LeadEcho());
    return instruments;
}

}  // namespace zint::compose
