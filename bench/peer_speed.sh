#!/bin/sh
# peer_speed.sh [MODULE.xm | FOLDER]...
# Times xmrender against openmpt123 and xmp (Debian's packages, installed
# when missing), each rendering the same modules to a 16-bit stereo WAV file
# at 44100 Hz with linear interpolation for RENDER_SECONDS (default 60) of sound,
# looping where the song ends. Prints per file how many times faster than
# real time each one renders (the best of RUNS runs, default 3) and the
# ratios of xmrender's speed to the peers'. Without arguments it takes the
# corpus the tests fetch.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

for tool in openmpt123 xmp; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "Installing $tool..." >&2
        apt-get install -y -qq "$tool" >/dev/null 2>&1 ||
            { apt-get update -qq && apt-get install -y -qq "$tool" >/dev/null; }
    fi
done
cmake --build "$build" --target xmrender >/dev/null

if [ $# -eq 0 ]; then
    "$root/tests/music/fetch_corpus.sh" "$root" "$build/xm-corpus" \
        bomberclone-data flobopuyo vodovod njam-data gemdropx
    set -- "$build/xm-corpus"
fi

list=$(mktemp "${TMPDIR:-/tmp}/peer-speed.XXXXXX")
trap 'rm -f "$list"' EXIT
for argument in "$@"; do
    if [ -d "$argument" ]; then find "$argument" -maxdepth 1 -name '*.xm' | sort; else echo "$argument"; fi
done > "$list"

python3 - "$build/xmrender" "${RENDER_SECONDS:-60}" "${RUNS:-3}" "$list" <<'EOF'
import os, subprocess, sys, tempfile, time

xmrender, seconds, runs, listing = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
rate = 44100

def commands(module, wav):
    return {
        "xmrender": [xmrender, module, wav, "--seconds", seconds, "--rate", str(rate)],
        "openmpt123": ["openmpt123", "--batch", "-q", "--samplerate", str(rate), "--filter", "2", "--no-float",
                       "--repeat", "-1", "--end-time", seconds, "--force", "-o", wav, module],
        "xmp": ["xmp", "-q", "--nocmd", "-f", str(rate), "-i", "linear", "-l", "-t", seconds, "-o", wav, module],
    }

def realtime(command, wav):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    sound = (os.path.getsize(wav) - 44) / (4 * rate)
    return sound / best

tools = ["xmrender", "openmpt123", "xmp"]
print(f"{'module':48} " + " ".join(f"{t:>10}" for t in tools) + f" {'vs openmpt':>10} {'vs xmp':>8}")
lowest = {}
with tempfile.TemporaryDirectory() as folder:
    for module in (line.strip() for line in open(listing) if line.strip()):
        wav = os.path.join(folder, "out.wav")
        speed = {tool: realtime(command, wav) for tool, command in commands(module, wav).items()}
        ratios = {peer: speed["xmrender"] / speed[peer] for peer in tools[1:]}
        print(f"{os.path.basename(module):48} " + " ".join(f"{speed[t]:9.0f}x" for t in tools) +
              f" {ratios['openmpt123']:10.2f} {ratios['xmp']:8.2f}")
        for peer, ratio in ratios.items():
            lowest[peer] = min(lowest.get(peer, float("inf")), ratio)
print("lowest ratio: " + ", ".join(f"vs {peer} {ratio:.2f}" for peer, ratio in lowest.items()))
EOF
