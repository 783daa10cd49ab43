#!/bin/sh
# peer_compare.sh [MODULE.xm | FOLDER]...
# Renders each module with xmrender and with openmpt123 (Debian's package,
# installed when missing) at 44100 Hz with linear interpolation, and prints
# per file how their 50 ms loudness envelopes over the first 30 seconds
# correlate, the lag (in 50 ms steps) at which they correlate best and the
# ratio of their overall loudness. A correlation well below 1, or a best lag
# other than 0, points at a mistake in timing, pitch or volume worth
# listening to. Without arguments it takes the corpus the tests fetch.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=30

if ! command -v openmpt123 >/dev/null 2>&1; then
    echo "Installing openmpt123..." >&2
    apt-get install -y -qq openmpt123 >/dev/null 2>&1 ||
        { apt-get update -qq && apt-get install -y -qq openmpt123 >/dev/null; }
fi
cmake --build "$build" --target xmrender >/dev/null

if [ $# -eq 0 ]; then
    "$root/tests/music/fetch_corpus.sh" "$root" "$build/xm-corpus" \
        bomberclone-data flobopuyo vodovod njam-data gemdropx
    set -- "$build/xm-corpus"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/peer-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

for argument in "$@"; do
    if [ -d "$argument" ]; then find "$argument" -maxdepth 1 -name '*.xm' | sort; else echo "$argument"; fi
done > "$work/modules"

while read -r module; do
    name=$(basename "$module")
    "$build/xmrender" "$module" "$work/$name.ours.wav" --seconds "$seconds"
    openmpt123 --batch -q --samplerate 44100 --filter 2 --no-float --end-time "$seconds" \
        --force -o "$work/$name.peer.wav" "$module" >/dev/null 2>&1
    printf '%s\t%s\t%s\n' "$name" "$work/$name.ours.wav" "$work/$name.peer.wav"
done < "$work/modules" > "$work/pairs"

python3 - "$work/pairs" "$seconds" <<'EOF'
import array, math, sys, wave

WINDOW_SECONDS = 0.05
MAX_LAG = 20  # windows, one second either way

def envelope(path, seconds):
    with wave.open(path) as file:
        rate = file.getframerate()
        frames = min(file.getnframes(), int(seconds * rate))
        samples = array.array('h', file.readframes(frames))
    window = int(rate * WINDOW_SECONDS) * 2
    return [math.sqrt(sum(s * s for s in samples[i:i + window]) / window)
            for i in range(0, len(samples) - window + 1, window)]

def correlation(a, b):
    n = min(len(a), len(b))
    if n < 2:
        return float('nan')
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    cov = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    va = sum((x - ma) ** 2 for x in a)
    vb = sum((y - mb) ** 2 for y in b)
    return cov / math.sqrt(va * vb) if va > 0 and vb > 0 else float('nan')

def lagged(a, b, lag):
    return correlation(a[lag:], b) if lag >= 0 else correlation(a, b[-lag:])

print(f"{'module':50} {'corr':>6} {'best lag':>8} {'at lag':>6} {'loudness':>8}")
scores = []
for line in open(sys.argv[1]):
    name, ours, peer = line.rstrip('\n').split('\t')
    a, b = envelope(ours, float(sys.argv[2])), envelope(peer, float(sys.argv[2]))
    r = correlation(a, b)
    best = max(range(-MAX_LAG, MAX_LAG + 1), key=lambda k: (lagged(a, b, k), -abs(k)))
    n = min(len(a), len(b))
    ratio = (sum(a[:n]) / sum(b[:n])) if sum(b[:n]) > 0 else float('nan')
    scores.append(r)
    print(f"{name:50} {r:6.3f} {best:8d} {lagged(a, b, best):6.3f} {ratio:8.2f}")
valid = [s for s in scores if s == s]
if valid:
    print(f"{'mean':50} {sum(valid) / len(valid):6.3f}   min {min(valid):.3f}")
EOF
