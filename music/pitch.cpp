#include "music/pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "music/channel.h"
#include "music/effects.h"
#include "music/mixer.h"
#include "music/player.h"
#include "music/song.h"

namespace zint {

namespace {

constexpr int kLinearC0Period = 7680;
constexpr int kLinearReferencePeriod = 4608;  // C-4 at finetune 0
constexpr int kReferenceFrequency = 8363;     // Hz at C-4
constexpr float kOctavesPerLinearUnit = 1.0f / 768.0f;  // 0.0013020834 in single precision
constexpr int kAmigaClock = 14317056;
constexpr double kAmigaTableBase = 13.375;
constexpr float kOctavesPerSemitone = 1.0f / 12.0f;  // 0.0833333358 in single precision
constexpr int kAmigaTopNote = 132;                   // P(132) is C-0
constexpr int kFinetuneDivisor = -128;               // finetune counts 128ths of a semitone step
constexpr float kVolumeScale = 255.0f / 34359738368.0f;  // 255 / 2^35, exact in single precision
constexpr int kCentrePanning = 128;
constexpr int kPanningPerReach = 32;  // the reach grows by one every 32 steps from the edge
constexpr int kStepLimitFrames = 256;

// The Amiga period table: truncate(13.375 x 2^(k/12)), 1/12 in single precision.
int AmigaTablePeriod(int k) {
    return static_cast<int>(kAmigaTableBase * std::pow(2.0, k * static_cast<double>(kOctavesPerSemitone)));
}

void TriggerVoice(Voice& voice, const Sample& sample) {
    voice.sample = &sample;
    if (voice.startOffset >= std::uint64_t{sample.loopStart} + sample.loopLength) voice.startOffset = 0;
    voice.position = std::uint64_t{voice.startOffset} << 32;
    voice.startOffset = 0;
    voice.direction = kForward;
}

// The gains of the first (left) and second (right) sample of each frame.
void SetTargets(Voice& voice) {
    voice.targetLeft = static_cast<std::uint8_t>(voice.volume * voice.panning / kMaxPanning);
    voice.targetRight = static_cast<std::uint8_t>(voice.volume * (kMaxPanning - voice.panning) / kMaxPanning);
}

void SetVoiceVolume(Voice& voice, const Channel& channel, const Song& song) {
    // Up to 64 x 64 x 65536 x 64 = 2^34: exact in 64 bits and in double.
    const std::int64_t product = std::int64_t{channel.volume + channel.volumeDelta} * channel.envelopeVolume *
                                 channel.fadeoutVolume * song.globalVolume;
    voice.volume = static_cast<int>(static_cast<double>(product) * static_cast<double>(kVolumeScale));
    SetTargets(voice);
}

// The envelope moves the panning by up to 4 x 32 at the centre and not at all
// at the edges.
void SetVoicePanning(Voice& voice, const Channel& channel) {
    const int reach = (kCentrePanning - std::abs(channel.panning - kCentrePanning)) / kPanningPerReach;
    const int panning = channel.panning + reach * (channel.envelopePanning - kCentreEnvelopePanning);
    voice.panning = std::clamp(panning, 0, kMaxPanning);
    SetTargets(voice);
}

int LinearFrequency(int period, int periodDelta, int maxFrequency) {
    const auto units = static_cast<double>(std::int64_t{kLinearReferencePeriod} - period + periodDelta);
    const double frequency = kReferenceFrequency * std::pow(2.0, units * static_cast<double>(kOctavesPerLinearUnit));
    // A wrapped realNote or a long slide can ask for more than the mixer can step.
    return frequency >= maxFrequency ? maxFrequency : static_cast<int>(frequency);
}

void SetVoiceFrequency(Voice& voice, const Channel& channel, bool linear, int sampleRate) {
    const int maxFrequency = MaxVoiceFrequency(sampleRate);
    voice.frequency = linear ? LinearFrequency(channel.period, channel.periodDelta, maxFrequency)
                             : std::min(kAmigaClock / (channel.period + channel.periodDelta), maxFrequency);
    voice.step = StepForFrequency(voice.frequency, sampleRate);
}

void StopVoice(Voice& voice) {
    voice.sample = nullptr;
    voice.position = 0;
    voice.startOffset = 0;
}

}  // namespace

bool UsesLinearPeriods(const Song& song) { return (song.songFlags & kLinearFrequencyTable) != 0; }

int NotePeriod(int realNote, int finetune, bool linear) {
    if (!linear) return AmigaPeriod(realNote, finetune);
    return kLinearC0Period - kLinearUnitsPerSemitone * realNote - finetune / 2;
}

int AmigaPeriod(int note, int finetune) {
    note = std::max(note, 0);  // notes are never negative; this keeps the power in range
    const int base = AmigaTablePeriod(kAmigaTopNote - note);
    // Finetune moves towards the neighbouring note's period in 128ths of the step.
    if (finetune >= 0 || note == 0) {
        return base + (base - AmigaTablePeriod(kAmigaTopNote - 1 - note)) * finetune / kFinetuneDivisor;
    }
    return base + (base - AmigaTablePeriod(kAmigaTopNote + 1 - note)) * -finetune / kFinetuneDivisor;
}

int MaxVoiceFrequency(int sampleRate) { return kStepLimitFrames * sampleRate - 1; }

std::uint64_t StepForFrequency(int frequency, int sampleRate) {
    const auto rate = static_cast<std::uint64_t>(sampleRate);
    const auto stepped = static_cast<std::uint64_t>(std::max(frequency, kMinStepFrequency));
    return (stepped / rate) << 32 | ((stepped % rate) << 32) / rate;
}

void UpdateVoice(Channel& channel, const Sample& sample, const Song& song) {
    if (channel.voice == nullptr) return;
    Voice& voice = *channel.voice;
    const bool linear = UsesLinearPeriods(song);
    const int sampleRate = CurrentOutput().sampleRate;
    // No division by zero; a negative Amiga period has no frequency either,
    // so the voice keeps the last one it had.
    const int period = channel.period + channel.periodDelta;
    if (period == 0 || (!linear && period < 0) || sampleRate <= 0) {
        channel.updateFlags &= static_cast<std::uint8_t>(~kFrequencyChanged);
    }

    if (channel.updateFlags & kTrigger) TriggerVoice(voice, sample);
    if (channel.updateFlags & kVolumeChanged) SetVoiceVolume(voice, channel, song);
    if (channel.updateFlags & kPanningChanged) SetVoicePanning(voice, channel);
    if (channel.updateFlags & kFrequencyChanged) SetVoiceFrequency(voice, channel, linear, sampleRate);
    if (channel.updateFlags & kStop) StopVoice(voice);
}

}  // namespace zint
