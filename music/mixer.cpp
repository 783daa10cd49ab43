#include "music/mixer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "music/player_state.h"

namespace zint {

namespace {

// Boundaries this many frames away or further are not counted: the count's
// shortened arithmetic holds distances below it.
constexpr std::uint64_t kCountedDistance = std::uint64_t{1} << 24;
// Steps of 256 frames or more lose their high bits in the shortened count.
constexpr std::uint64_t kShortStepLimit = std::uint64_t{256} << 32;
constexpr std::uint64_t kNeverReached = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kFramesInPosition = std::uint64_t{1} << 32;
constexpr std::uint64_t kLowestBit = 1;
constexpr double kFractionScale = 1.0 / 2147483648.0;  // 2^-31, for the fraction shifted right by one
constexpr int kMaxGain = 255;
constexpr float kRoundingShift = 12582912.0f;  // 1.5 x 2^23: adding it leaves no fraction bits
constexpr int kConvertedTogether = 8;

// Output frames until a voice `distance` short of its boundary reaches it:
// distance and step both cut by 8 bits, so that one 64-by-32-bit division
// does, rounded up.
std::uint64_t FramesToBoundary(std::uint64_t distance, std::uint64_t step) {
    const auto shortStep = static_cast<std::uint32_t>(step >> 8);
    if (step < kShortStepLimit && shortStep != 0) {
        const std::uint64_t shortDistance = distance >> 8;
        return shortDistance / shortStep + (shortDistance % shortStep != 0 ? 1 : 0);
    }
    // Steps the shortened count cannot hold are counted exactly.
    if (step == 0) return kNeverReached;
    return distance / step + (distance % step != 0 ? 1 : 0);
}

// The highest position a read may start from: every read takes the frame at
// the position and the one after it.
std::uint64_t LastReadablePosition(const Sample& sample) {
    const std::uint64_t frames = sample.data.size();
    if (frames < 2) return 0;
    if (frames - 1 >= kFramesInPosition) return std::numeric_limits<std::uint64_t>::max();
    return ((frames - 1) << 32) - 1;
}

// Whether the n reads of a segment starting at `position` stay within the
// sample's frames. Each frame clears the fraction's lowest bit before it
// steps, so read m (m >= 1) is at (position & ~1) +- step + (m - 1) x the
// step with that bit accounted for.
bool ReadsStayInside(std::uint64_t position, std::uint64_t step, bool backward, int n, std::uint64_t lastReadable) {
    if (lastReadable == 0 || position > lastReadable) return false;
    if (n <= 1) return true;
    const std::uint64_t even = position & ~kLowestBit;
    const auto laterReads = static_cast<std::uint64_t>(n - 2);
    if (backward) {
        if (step > even) return false;
        const std::uint64_t second = even - step;
        const std::uint64_t perFrame = step + (step & kLowestBit);
        return perFrame == 0 || laterReads <= second / perFrame;
    }
    if (step > lastReadable - even) return false;
    const std::uint64_t second = even + step;
    const std::uint64_t perFrame = step - (step & kLowestBit);
    return perFrame == 0 || laterReads <= (lastReadable - second) / perFrame;
}

struct Segment {
    int frames = 0;
    bool endsAtBoundary = false;
};

// The frames to mix before the voice crosses its loop boundary, at most `frames`.
Segment SegmentToBoundary(const Voice& voice, int frames, std::uint64_t loopStart, std::uint64_t loopEnd) {
    const std::uint64_t distance = voice.direction == kBackward ? voice.position - loopStart : loopEnd - voice.position;
    // A boundary far away, or already behind the voice, does not limit the segment.
    if ((distance >> 32) >= kCountedDistance) return {frames, false};
    const std::uint64_t count = FramesToBoundary(distance, voice.step);
    if (count > static_cast<std::uint64_t>(frames)) return {frames, false};
    return {static_cast<int>(count), true};
}

struct Ramp {
    int frames = 0;  // 0: the gains stay as they are
    float stepLeft = 0.0f;
    float stepRight = 0.0f;
};

// Continues the running ramp while the targets stay, otherwise starts one
// of rampLength frames towards the new targets for each side that changes.
Ramp SetUpRamp(Voice& voice, const OutputFormat& format) {
    Ramp ramp;
    if (voice.rampFramesLeft != 0 && voice.targetLeft == voice.rampTargetLeft &&
        voice.targetRight == voice.rampTargetRight) {
        ramp = {voice.rampFramesLeft, voice.rampStepLeft, voice.rampStepRight};
    } else {
        voice.rampTargetLeft = voice.targetLeft;
        voice.rampTargetRight = voice.targetRight;
        if (voice.targetLeft != voice.currentLeft) {
            ramp.stepLeft =
                static_cast<float>(voice.targetLeft - voice.currentLeft) * kGainUnit * format.rampReciprocal;
            ramp.frames = format.rampLength;
        }
        if (voice.targetRight != voice.currentRight) {
            ramp.stepRight =
                static_cast<float>(voice.targetRight - voice.currentRight) * kGainUnit * format.rampReciprocal;
            ramp.frames = format.rampLength;
        }
        voice.rampStepLeft = ramp.stepLeft;
        voice.rampStepRight = ramp.stepRight;
    }
    if (ramp.frames != 0) voice.rampFramesLeft = ramp.frames;
    return ramp;
}

std::uint8_t GainByte(double gain) {
    return static_cast<std::uint8_t>(std::clamp<long>(std::lrint(gain * kMaxGain), 0, kMaxGain));
}

struct Gains {
    double left;
    double right;
};

// Where `frames` frames of the inner loop leave the position: each frame
// clears the fraction's lowest bit before it steps, so after the first
// step that bit is the delta's own.
std::uint64_t PositionAfter(std::uint64_t position, std::uint64_t delta, int frames) {
    if (frames <= 0) return position;
    const std::uint64_t later = delta - (delta & kLowestBit);
    return (position & ~kLowestBit) + delta + static_cast<std::uint64_t>(frames - 1) * later;
}

// The inner loop: interpolates, adds, moves on. `delta` is the step, or its
// two's complement when the voice moves backward.
template <bool kRamping>
std::uint64_t MixFrames(const std::int16_t* data, float* out, int frames, std::uint64_t position, std::uint64_t delta,
                        Gains& gains, const Ramp& ramp) {
    // A silent voice adds nothing (a sum that starts at +0 never becomes -0),
    // so only its position moves.
    if (!kRamping && gains.left == 0.0 && gains.right == 0.0) return PositionAfter(position, delta, frames);
    double left = gains.left;
    double right = gains.right;
    const double stepLeft = ramp.stepLeft;
    const double stepRight = ramp.stepRight;
    for (int j = 0; j < frames; ++j) {
        const std::size_t i = position >> 32;
        const auto fraction = static_cast<std::uint32_t>(position);
        const double here = data[i];
        const double next = data[i + 1];
        const double value = here + (next - here) * (static_cast<double>(fraction >> 1) * kFractionScale);
        out[2 * j] = static_cast<float>(out[2 * j] + value * left);
        out[2 * j + 1] = static_cast<float>(out[2 * j + 1] + value * right);
        if constexpr (kRamping) {
            left += stepLeft;
            right += stepRight;
        }
        position = (position & ~kLowestBit) + delta;
    }
    gains = {left, right};
    return position;
}

// Rounds to nearest, ties to even, as lrint does: adding and taking away
// 1.5 x 2^23 leaves no fraction bits, inline. The mix of 32 voices stays
// far within int range; values beyond 16 bits round the same way to beyond.
std::int16_t Pcm16(float value) {
    const int rounded = static_cast<int>((value + kRoundingShift) - kRoundingShift);
    return static_cast<std::int16_t>(std::clamp(rounded, -32768, 32767));
}

void Silence(Voice& voice) {
    voice.sample = nullptr;
    voice.position = 0;
}

void WrapForwardLoop(Voice& voice, const Sample& sample) {
    const std::uint64_t loopEnd = std::uint64_t{sample.loopStart} + sample.loopLength;
    const std::uint64_t frame = voice.position >> 32;
    const std::uint64_t laps = frame >= loopEnd ? (frame - loopEnd) / sample.loopLength + 1 : 1;
    voice.position -= (laps * sample.loopLength) << 32;
}

// Mirrors the position at the boundary it crossed, and at the other one as
// often as it takes to land inside the loop.
void TurnPingPong(Voice& voice, std::uint64_t loopStart, std::uint64_t loopEnd) {
    const std::uint64_t length = loopEnd - loopStart;
    const bool atEnd = voice.direction != kBackward;
    // How far the voice went past the boundary (0 = right at it), read as a
    // signed difference so that a crossing below frame 0 counts.
    const std::uint64_t over = atEnd ? voice.position - loopEnd : loopStart - 1 - voice.position;
    if (static_cast<std::int64_t>(over) < 0) {
        // Mirrored at the start, a position this far up would land below
        // frame 0 (at 2^64 - 1 for a run ending exactly on frame 0 of a loop
        // that starts there): the voice turns where it stands.
        if (!atEnd && voice.position - loopStart >= loopStart) {
            voice.direction = kForward;
            return;
        }
        // Stopped just short of the boundary by a zero-frame segment: one mirror.
        voice.position =
            atEnd ? loopEnd - 1 + (loopEnd - voice.position) : loopStart - 1 - (voice.position - loopStart);
        voice.direction = atEnd ? kBackward : kForward;
        return;
    }
    const bool endsAtEnd = ((over / length) % 2 == 0) == atEnd;
    const std::uint64_t rest = over % length;
    voice.position = endsAtEnd ? loopEnd - 1 - rest : loopStart + rest;
    voice.direction = endsAtEnd ? kBackward : kForward;
}

void PassBoundary(Voice& voice, const Sample& sample, std::uint64_t loopStart, std::uint64_t loopEnd) {
    if (sample.loopMode == kForwardLoop && sample.loopLength != 0) {
        WrapForwardLoop(voice, sample);
    } else if (sample.loopMode == kPingPongLoop && sample.loopLength != 0) {
        TurnPingPong(voice, loopStart, loopEnd);
    } else {
        Silence(voice);
    }
}

void MixVoice(Voice& voice, float* out, int frames, const OutputFormat& format) {
    const Sample& sample = *voice.sample;
    const std::uint64_t loopStart = std::uint64_t{sample.loopStart} << 32;
    const std::uint64_t loopEnd = (std::uint64_t{sample.loopStart} + sample.loopLength) << 32;
    const std::uint64_t lastReadable = LastReadablePosition(sample);
    for (int remaining = frames; remaining > 0;) {
        const bool backward = voice.direction == kBackward;
        Segment segment = SegmentToBoundary(voice, remaining, loopStart, loopEnd);
        const Ramp ramp = SetUpRamp(voice, format);
        if (ramp.frames > 0 && segment.frames > ramp.frames) segment = {ramp.frames, false};

        if (segment.frames > 0 &&
            !ReadsStayInside(voice.position, voice.step, backward, segment.frames, lastReadable)) {
            // Running down to a loop that starts at frame 0, the rounded-up
            // count can be one frame long: the voice crosses frame 0 first.
            const bool crossesFrameZero =
                backward && sample.loopStart == 0 && segment.frames >= 2 &&
                ReadsStayInside(voice.position, voice.step, true, segment.frames - 1, lastReadable);
            if (!crossesFrameZero) {
                // Reads outside the sample would be garbage or worse: the voice falls silent.
                Silence(voice);
                return;
            }
            segment = {segment.frames - 1, true};
        }

        Gains gains{static_cast<float>(voice.currentLeft) * kGainUnit,
                    static_cast<float>(voice.currentRight) * kGainUnit};
        const std::uint64_t delta = backward ? ~voice.step + 1 : voice.step;
        voice.position =
            ramp.frames != 0
                ? MixFrames<true>(sample.data.data(), out, segment.frames, voice.position, delta, gains, ramp)
                : MixFrames<false>(sample.data.data(), out, segment.frames, voice.position, delta, gains, ramp);
        if (ramp.frames != 0) {
            voice.currentLeft = GainByte(gains.left);
            voice.currentRight = GainByte(gains.right);
            voice.rampFramesLeft -= segment.frames;
        }
        if (segment.endsAtBoundary) {
            PassBoundary(voice, sample, loopStart, loopEnd);
            if (voice.sample == nullptr) return;
        }
        remaining -= segment.frames;
        out += 2 * static_cast<std::ptrdiff_t>(segment.frames);
    }
}

// The bus's installed effects, in slot order, over its block.
void RunBusEffects(MixBus& bus, int blockFrames) {
    for (const BusEffectSlot& slot : bus.effects) {
        if (slot.effect != nullptr && slot.effect->enabled && slot.effect->process != nullptr) {
            slot.effect->process(bus.buffer.data(), 2 * blockFrames, slot.argument);
        }
    }
}

// A single enabled bus is the block itself; several are added up into the
// block's stretch of the mix area.
const float* CombineBuses(PlayerState& player, float* blockMix, int blockFrames) {
    const auto isEnabled = [](const MixBus& bus) { return bus.busEnabled != 0; };
    const auto enabled = std::count_if(player.buses.begin(), player.buses.end(), isEnabled);
    if (enabled == 1) return std::find_if(player.buses.begin(), player.buses.end(), isEnabled)->buffer.data();
    for (const MixBus& bus : player.buses) {
        if (bus.busEnabled == 0) continue;
        for (int i = 0; i < 2 * blockFrames; ++i) blockMix[i] += bus.buffer[static_cast<std::size_t>(i)];
    }
    return blockMix;
}

}  // namespace

void FillBlock() {
    PlayerState& player = Player();
    Song* song = player.song;
    if (song == nullptr || player.ring.empty() || player.mixArea.empty()) return;
    const int blockFrames = player.format.blockFrames;
    const std::size_t first = static_cast<std::size_t>(player.writeBlock) * static_cast<std::size_t>(blockFrames) * 2;
    float* blockMix = player.mixArea.data() + first;
    std::fill_n(blockMix, 2 * blockFrames, 0.0f);
    for (MixBus& bus : player.buses) {
        if (bus.busEnabled != 0) std::fill(bus.buffer.begin(), bus.buffer.end(), 0.0f);
    }

    int framesLeft = song->tickFramesLeft;
    for (int done = 0; done < blockFrames;) {
        if (framesLeft <= 0) {
            if (song->tickHandler != nullptr) song->tickHandler(*song);
            // Read after the handler: a tempo change on this tick sets its length.
            framesLeft = std::max(song->samplesPerTick, 1);
        }
        const int chunk = std::min(framesLeft, blockFrames - done);
        for (int bus = 0; bus < kBusCount; ++bus) {
            MixBus& mixBus = player.buses[static_cast<std::size_t>(bus)];
            if (mixBus.busEnabled != 0) MixVoices(mixBus.buffer.data() + 2 * done, chunk, bus);
        }
        done += chunk;
        framesLeft -= chunk;
    }
    song->tickFramesLeft = framesLeft;

    for (MixBus& bus : player.buses) {
        if (bus.busEnabled != 0) RunBusEffects(bus, blockFrames);
    }
    ConvertToPcm16(player.ring.data() + first, CombineBuses(player, blockMix, blockFrames), blockFrames);
    player.writeBlock = player.writeBlock + 1 == player.format.blockCount ? 0 : player.writeBlock + 1;
}

void MixVoices(float* buffer, int frames, int bus) {
    if (frames < 1 || buffer == nullptr) return;
    PlayerState& player = Player();
    for (Voice& voice : player.voices) {
        if (voice.bus == bus && voice.sample != nullptr) MixVoice(voice, buffer, frames, player.format);
    }
}

void ConvertToPcm16(std::int16_t* destination, const float* source, int frames) {
    if (frames < 1 || destination == nullptr || source == nullptr) return;
    const int samples = 2 * frames;
    int i = 0;
    // Whole groups of a fixed size, so that the compiler vectorises them.
    for (; i + kConvertedTogether <= samples; i += kConvertedTogether) {
        for (int k = 0; k < kConvertedTogether; ++k) destination[i + k] = Pcm16(source[i + k]);
    }
    for (; i < samples; ++i) destination[i] = Pcm16(source[i]);
}

}  // namespace zint
