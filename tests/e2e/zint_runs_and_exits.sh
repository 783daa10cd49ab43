#!/bin/sh
# The intro starts headless, runs its whole line-up and ends by itself with
# exit code 0; without a video driver or without a sound device it says so
# and still exits 0.
set -u
zint=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
fail() { echo "FAIL: $*"; cat "$out"; exit 1; }

SDL_VIDEODRIVER=none SDL_AUDIODRIVER=dummy timeout 30 "$zint" -windowed >"$out" 2>&1
status=$?
[ $status -eq 0 ] || fail "run without video exited with $status"
grep -q "^Unable to create window$" "$out" || fail "no 'Unable to create window' message"

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=none timeout 30 "$zint" -windowed >"$out" 2>&1
status=$?
[ $status -eq 0 ] || fail "run without sound exited with $status"
grep -q "^Unable to create player$" "$out" || fail "no 'Unable to create player' message"

start=$(date +%s)
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 150 "$zint" -windowed >"$out" 2>&1
status=$?
seconds=$(( $(date +%s) - start ))
[ $status -eq 0 ] || fail "offscreen run exited with $status"
# Seventy seconds of scenes, plus loading.
[ $seconds -ge 69 ] || fail "the line-up ended after only $seconds s"
echo "ok: the line-up ran $seconds s"
