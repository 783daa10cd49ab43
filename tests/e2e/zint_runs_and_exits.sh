#!/bin/sh
# The intro starts headless, plays its music and runs its whole line-up, and
# ends by itself with exit code 0; without a video driver or without a sound
# device it says so and still exits 0.
#   zint_runs_and_exits.sh ZINT XMRENDER MODULE
set -u
zint=$1 xmrender=$2 module=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }

for missing in "none dummy window" "offscreen none player"; do
    set -- $missing
    SDL_VIDEODRIVER=$1 SDL_AUDIODRIVER=$2 timeout 30 "$zint" -windowed >"$work/out" 2>&1 ||
        fail "the run with video $1 and sound $2 exited with $?"
    grep -q "^Unable to create $3\$" "$work/out" || fail "no 'Unable to create $3' message"
done

# SDL's disk driver writes what the program plays to a file, in real time:
# seventy seconds of scenes, plus loading.
start=$(date +%s)
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" \
    timeout 150 "$zint" -windowed >"$work/out" 2>&1 || fail "offscreen run exited with $?"
seconds=$(( $(date +%s) - start ))
[ $seconds -ge 69 ] || fail "the line-up ended after only $seconds s"
[ "$(stat -c %s "$work/heard.raw")" -ge $((60 * 176400)) ] || fail "less than 60 s of sound were played"

# After the silence while the loader works, the first 8 s heard are the
# module's first 8 s as an offline render has them.
"$xmrender" "$module" "$work/song.wav" --seconds 10 >"$work/out" 2>&1 || fail "xmrender failed"
first_sound() { od -An -v -tx1 -w4 -j "$2" "$1" | grep -n -m1 -v ' 00 00 00 00' | cut -d: -f1; }
heard_at=$(first_sound "$work/heard.raw" 0)
song_at=$(first_sound "$work/song.wav" 44)
[ -n "$heard_at" ] || fail "the program played nothing but silence"
cmp -s -n $((8 * 176400)) -i $(( (heard_at - 1) * 4 )):$(( 44 + (song_at - 1) * 4 )) \
    "$work/heard.raw" "$work/song.wav" || fail "the first 8 s heard are not the module's first 8 s"
echo "ok: the line-up ran $seconds s; the music began $(( (heard_at - 1) / 441 )) centiseconds into the sound"
