#pragma once
// A key-framed 3D curve: a Kochanek-Bartels spline with key times in frames
// and ease-in/ease-out per key, walked one frame at a time. Open curves and
// closed loops (whose last key repeats the first) are both supported.
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/vector3.h"

namespace zint {

struct PathKey {
    Vector3 position;
    Vector3 incomingTangent;  // used on the segment that ends at this key
    Vector3 outgoingTangent;  // used on the segment that starts at this key
    std::uint32_t time = 0;   // in frames; strictly increasing along the keys
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;    // easing when arriving at this key
    float easeFrom = 0.0f;  // easing when leaving this key
};

// The caller guarantees at least two keys with strictly increasing times;
// a closed path's last key repeats the first key's position and its time is
// the loop's length in frames (the first key's time being 0).
class Path {
public:
    Path(std::span<const PathKey> keys, bool closed);

    // Fills both tangents of every key; done once, at construction.
    void ComputeTangents();

    // Puts the cursor back on key 0.
    void Reset();

    // One frame forward: at most one segment step per call.
    void AdvancePath();

    // The curve point `offset` frames after key `index`, leaving the cursor
    // alone. The index is wrapped once either way, so callers keep to
    // -1 .. 2 * lastIndex - 1.
    Vector3 KeyPoint(int index, std::uint32_t offset) const;

    // Remaps a segment parameter u in [0, 1] by the leaving key's easeFrom (a)
    // and the arriving key's easeTo (b).
    static float Ease(float u, float a, float b);

    std::vector<PathKey> keys;
    std::uint32_t keyCount;
    std::uint32_t current = 0;  // key where the current segment starts
    std::uint32_t next = 1;     // key where it ends
    std::uint32_t lastIndex;
    Vector3 point;  // computed by the last AdvancePath
    bool closed;
    std::uint32_t frameCounter = 0;

private:
    void ApplyKeyRule(std::uint32_t previous, std::uint32_t index, std::uint32_t following);
    void ComputeOpenEndTangents();
    // The Hermite point of the segment from key `from` to key `to` at s.
    Vector3 SegmentPoint(std::uint32_t from, std::uint32_t to, float s) const;
    // Segment parameter of a frame offset, from the unsigned time difference.
    float SegmentParameter(std::uint32_t offset, std::uint32_t from, std::uint32_t to) const;
};

}  // namespace zint
