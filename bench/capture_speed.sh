#!/bin/sh
# capture_speed.sh [RUNS]
# Times zint-capture on the whole production (640 x 480, 60 fps, the
# defaults) RUNS times (default 3), whole process, and prints the median wall
# seconds, the ratio of the production's length to it (how many times faster
# than real time) and the wall time per frame. Then the per-frame costs of the
# parts, from capture_bench: the H.264 + AAC encoding (on its own thread
# during a capture) and the read-back of a finished frame (on the main thread,
# after the renderer's wait for the frame).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
runs=${1:-3}
production_seconds=70.1
frames=4208

cmake --build "$build" --target zint-capture capture_bench >/dev/null
out=$(mktemp -d "${TMPDIR:-/tmp}/capture-speed.XXXXXX")
trap 'rm -rf "$out"' EXIT

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
i=0
while [ "$i" -lt "$runs" ]; do
    start=$(date +%s.%N)
    "$build/zint-capture" --out "$out/zint.mp4"
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.2f\n", $2 - $1 }' >>"$out/walls"
    i=$((i + 1))
done
sort -n "$out/walls" | awk -v runs="$runs" -v production="$production_seconds" -v frames="$frames" '
    { wall[NR] = $1 }
    END {
        median = wall[int((runs + 1) / 2)]
        printf "whole production: %.2f s wall (median of %d, from %.2f to %.2f s)\n", median, runs, wall[1], wall[runs]
        printf "  %.2f x real time (%.1f s of production), %.2f ms per frame\n", production / median, production,
               1000 * median / frames
    }'
echo "per frame, from capture_bench:"
"$build/capture_bench" --benchmark_filter='BM_EncodeFrame|BM_ReadBackBuffer' 2>/dev/null | grep '^BM_'
