#include "scenes/path.h"

namespace zint {

namespace {

// w1 * d1 + w2 * d2, component by component.
Vector3 WeightedSum(float w1, const Vector3& d1, float w2, const Vector3& d2) {
    return {w1 * d1.x + w2 * d2.x, w1 * d1.y + w2 * d2.y, w1 * d1.z + w2 * d2.z};
}

// Key times are compared as signed numbers; 64 bits keep the loop
// correction's additions from overflowing.
std::int64_t SignedTime(std::uint32_t time) { return static_cast<std::int32_t>(time); }

// The tangent at an open end, from the steps to the nearer (d1) and the
// farther (d2) neighbour and their time spans.
Vector3 OpenEndTangent(const Vector3& d1, const Vector3& d2, std::uint32_t nearSpan, std::uint32_t farSpan,
                       float tension) {
    const float k = 0.75f - static_cast<float>(nearSpan) / (2.0f * static_cast<float>(farSpan));
    Vector3 halfFar;
    d2.Scaled(halfFar, 0.5f);
    Vector3 tangent = WeightedSum(1.5f, Difference(d1, halfFar), k, d2);
    return tangent.Scale(1.0f - tension);
}

}  // namespace

Path::Path(std::span<const PathKey> givenKeys, bool closed)
    : keys(givenKeys.begin(), givenKeys.end()),
      keyCount(static_cast<std::uint32_t>(givenKeys.size())),
      lastIndex(keyCount - 1),
      closed(closed) {
    ComputeTangents();
}

void Path::ComputeTangents() {
    if (keyCount <= 2) {
        const Vector3 step = Difference(keys[1].position, keys[0].position);
        step.Scaled(keys[0].outgoingTangent, 1.0f - keys[0].tension);
        step.Scaled(keys[1].incomingTangent, 1.0f - keys[1].tension);
        return;
    }
    for (std::uint32_t j = 1; j < lastIndex; ++j) ApplyKeyRule(j - 1, j, j + 1);
    if (closed) {
        // Both ends are the same loop point and get its tangents.
        ApplyKeyRule(lastIndex - 1, 0, 1);
        ApplyKeyRule(lastIndex - 1, lastIndex, 1);
    } else {
        ComputeOpenEndTangents();
    }
}

void Path::ApplyKeyRule(std::uint32_t previous, std::uint32_t index, std::uint32_t following) {
    PathKey& key = keys[index];
    const PathKey& before = keys[previous];
    const PathKey& after = keys[following];

    // Neighbours across the loop's seam are moved onto one time line.
    const std::int64_t loopLength = SignedTime(keys[lastIndex].time);
    const std::int64_t tp = SignedTime(before.time);
    std::int64_t tj = SignedTime(key.time);
    std::int64_t tf = SignedTime(after.time);
    if (tp > tj) {
        tj += loopLength;
        tf += loopLength;
    } else if (tj > tf) {
        tf += loopLength;
    }

    const Vector3 dIn = Difference(key.position, before.position);
    const Vector3 dOut = Difference(after.position, key.position);
    const float span = static_cast<float>(tf - tp);
    const float inRatio = static_cast<float>(tj - tp) / span;
    const float outRatio = static_cast<float>(tf - tj) / span;
    const float t = key.tension;
    const float c = key.continuity;
    const float b = key.bias;

    key.incomingTangent =
        WeightedSum((1.0f - t) * (1.0f - c) * (1.0f + b), dIn, (1.0f - t) * (1.0f + c) * (1.0f - b), dOut)
            .Scale(inRatio);
    key.outgoingTangent =
        WeightedSum((1.0f - t) * (1.0f + c) * (1.0f + b), dIn, (1.0f - t) * (1.0f - c) * (1.0f - b), dOut)
            .Scale(outRatio);
}

void Path::ComputeOpenEndTangents() {
    const PathKey& k0 = keys[0];
    const PathKey& k1 = keys[1];
    const PathKey& k2 = keys[2];
    keys[0].outgoingTangent = OpenEndTangent(Difference(k1.position, k0.position), Difference(k2.position, k0.position),
                                             k1.time - k0.time, k2.time - k0.time, k0.tension);

    const PathKey& kl = keys[lastIndex];
    const PathKey& kl1 = keys[lastIndex - 1];
    const PathKey& kl2 = keys[lastIndex - 2];
    keys[lastIndex].incomingTangent =
        OpenEndTangent(Difference(kl.position, kl1.position), Difference(kl.position, kl2.position), kl.time - kl1.time,
                       kl.time - kl2.time, kl.tension);
}

void Path::Reset() {
    current = 0;
    next = 1;
    point = keys[0].position;
    frameCounter = 0;
}

void Path::AdvancePath() {
    ++frameCounter;
    if (frameCounter > keys[next].time) {
        current = next;
        if (++next > lastIndex) next = 0;
        if (current == 0) frameCounter = keys[0].time;
    }
    const float u = SegmentParameter(frameCounter - keys[current].time, current, next);
    point = SegmentPoint(current, next, Ease(u, keys[current].easeFrom, keys[next].easeTo));
}

Vector3 Path::KeyPoint(int index, std::uint32_t offset) const {
    const int last = static_cast<int>(lastIndex);
    if (index > last) {
        index -= last;
    } else if (index < 0) {
        index += last;
    }
    int following = index + 1;
    if (following > last) following -= last;

    const auto from = static_cast<std::uint32_t>(index);
    const auto to = static_cast<std::uint32_t>(following);
    const float u = SegmentParameter(offset, from, to);
    return SegmentPoint(from, to, Ease(u, keys[from].easeFrom, keys[to].easeTo));
}

float Path::Ease(float u, float a, float b) {
    const float sum = a + b;
    if (sum == 0.0f) return u;
    if (sum > 1.0f) {
        a /= sum;
        b /= sum;
    }
    const float k = 1.0f / (2.0f - a - b);
    if (u < a) return k * (u * u) / a;
    // Without an ease-to there is no closing arc: the straight part runs to
    // u = 1 instead of dividing by b there.
    if (u < 1.0f - b || b == 0.0f) return k * (2.0f * u - a);
    return 1.0f - (k / b) * ((1.0f - u) * (1.0f - u));
}

float Path::SegmentParameter(std::uint32_t offset, std::uint32_t from, std::uint32_t to) const {
    // Unsigned on purpose: the step from a closed path's last key back to
    // key 0 is huge, which holds the loop point for a frame.
    const std::uint32_t span = keys[to].time - keys[from].time;
    return static_cast<float>(offset) / static_cast<float>(span);
}

Vector3 Path::SegmentPoint(std::uint32_t from, std::uint32_t to, float s) const {
    const float s2 = s * s;
    const float s3 = s2 * s;
    const float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const float h2 = 3.0f * s2 - 2.0f * s3;
    const float h3 = s3 - 2.0f * s2 + s;
    const float h4 = s3 - s2;
    const Vector3& p0 = keys[from].position;
    const Vector3& p1 = keys[to].position;
    const Vector3& t0 = keys[from].outgoingTangent;
    const Vector3& t1 = keys[to].incomingTangent;
    return {h1 * p0.x + h2 * p1.x + h3 * t0.x + h4 * t1.x, h1 * p0.y + h2 * p1.y + h3 * t0.y + h4 * t1.y,
            h1 * p0.z + h2 * p1.z + h3 * t0.z + h4 * t1.z};
}

}  // namespace zint
