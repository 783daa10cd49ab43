#!/bin/sh
# window_class.sh ZINT: on a real X server (Xvfb) the intro's window carries
# the class "GLIWindow" and the title "zint"; asked for full screen on a
# display without a 640 x 480 mode, it still shows, in a window.
set -eu
zint=$1
dir=$(mktemp -d)
cleanup() {
    [ -n "${zint_pid:-}" ] && kill "$zint_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$dir/display")
export DISPLAY

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$zint" -windowed >/dev/null 2>&1 &
zint_pid=$!
for _ in $(seq 100); do
    class=$(xprop -name zint WM_CLASS 2>/dev/null || true)
    [ -n "$class" ] && break
    sleep 0.1
done
echo "$class"
[ "$class" = 'WM_CLASS(STRING) = "GLIWindow", "GLIWindow"' ] || exit 1
kill "$zint_pid"
wait "$zint_pid" 2>/dev/null || true

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$zint" >/dev/null 2>&1 &
zint_pid=$!
state=
for _ in $(seq 100); do
    state=$(xwininfo -name zint 2>/dev/null | sed -n 's/.*Map State: //p')
    [ "$state" = IsViewable ] && break
    sleep 0.1
done
echo "full screen without the mode: $state"
[ "$state" = IsViewable ]
