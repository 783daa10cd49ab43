#!/bin/sh
# window_class.sh ZINT: on a real X server (Xvfb) the intro's window shows,
# titled "zint" and of the class "GLIWindow", both when windowed and when
# asked for full screen on a display without a 640 x 480 mode.
set -u
zint=$1
dir=$(mktemp -d)
trap 'kill ${zint_pid:-} ${xvfb_pid:-} 2>/dev/null; rm -rf "$dir"' EXIT
# within_10s CMD...: true as soon as CMD is, tried every 0.1 s.
within_10s() {
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xvfb_pid=$!
within_10s test -s "$dir/display" || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$dir/display")" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy

shows() {
    [ "$(xwininfo -name zint 2>/dev/null | sed -n 's/.*Map State: //p')" = IsViewable ] &&
        [ "$(xprop -name zint WM_CLASS 2>/dev/null)" = 'WM_CLASS(STRING) = "GLIWindow", "GLIWindow"' ]
}
for mode in -windowed ""; do
    "$zint" $mode >/dev/null 2>&1 &
    zint_pid=$!
    within_10s shows || { echo "FAIL: zint $mode: $(xprop -name zint WM_CLASS 2>&1)"; exit 1; }
    kill "$zint_pid"
    wait "$zint_pid" 2>/dev/null
done
echo "ok: the window is GLIWindow and shows, windowed and when full screen has no 640 x 480 mode"
