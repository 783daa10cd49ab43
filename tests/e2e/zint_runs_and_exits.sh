#!/bin/sh
# The intro starts headless, plays its music and runs its whole line-up, and
# ends by itself with exit code 0; without a video driver or without a sound
# device it says so and still exits 0.
#   zint_runs_and_exits.sh ZINT XMRENDER MODULE
set -u
zint=$1
xmrender=$2
module=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/out
fail() { echo "FAIL: $*"; cat "$out"; exit 1; }

for missing in "none dummy window" "offscreen none player"; do
    set -- $missing
    SDL_VIDEODRIVER=$1 SDL_AUDIODRIVER=$2 timeout 30 "$zint" -windowed >"$out" 2>&1 ||
        fail "the run with video $1 and sound $2 exited with $?"
    grep -q "^Unable to create $3\$" "$out" || fail "no 'Unable to create $3' message"
done

# SDL's disk driver writes what the program plays to a file, in real time.
start=$(date +%s)
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" \
    timeout 150 "$zint" -windowed >"$out" 2>&1 || fail "offscreen run exited with $?"
seconds=$(( $(date +%s) - start ))
# Seventy seconds of scenes, plus loading.
[ $seconds -ge 69 ] || fail "the line-up ended after only $seconds s"

# What was heard is the module from its first frame on: after the silence
# the device plays until the loader has finished, the same samples as an
# offline render of the song.
"$xmrender" "$module" "$work/song.wav" --seconds 10 >"$out" 2>&1 || fail "xmrender failed"
tail -c +45 "$work/song.wav" >"$work/song.raw"
first_sound() { od -An -v -tx1 -w4 "$1" | grep -n -m1 -v ' 00 00 00 00' | cut -d: -f1; }
heard_at=$(first_sound "$work/heard.raw")
song_at=$(first_sound "$work/song.raw")
[ -n "$heard_at" ] || fail "the program played nothing but silence"
heard_bytes=$(stat -c %s "$work/heard.raw")
[ "$heard_bytes" -ge $((60 * 176400)) ] || fail "only $heard_bytes bytes of sound were played"
cmp -s -n $((8 * 176400)) \
    -i $(( (heard_at - 1) * 4 )):$(( (song_at - 1) * 4 )) "$work/heard.raw" "$work/song.raw" ||
    fail "the first 8 s heard are not the module's first 8 s"
echo "ok: the line-up ran $seconds s; the music began $(( (heard_at - 1) / 441 )) centiseconds into the sound"
