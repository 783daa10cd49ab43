#!/bin/sh
# The intro starts headless, runs its line-up and ends by itself with exit
# code 0; without any video driver it says so and still exits 0.
set -u
zint=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail() { echo "FAIL: $*"; cat "$out"; exit 1; }

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 100 "$zint" -windowed >"$out" 2>&1
status=$?
[ $status -eq 0 ] || fail "offscreen run exited with $status"

SDL_VIDEODRIVER=none SDL_AUDIODRIVER=dummy timeout 30 "$zint" -windowed >"$out" 2>&1
status=$?
[ $status -eq 0 ] || fail "run without video exited with $status"
grep -q "^Unable to create window$" "$out" || fail "no 'Unable to create window' message"
echo "ok"
