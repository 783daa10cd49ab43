#!/bin/sh
# The intro on a desktop's sound server: a PulseAudio of its own with a null
# sink, started here as a plain user process and stopped here. What the sink
# plays is recorded from its monitor and must be the module, as the offline
# render has it.
#   sound_server.sh ZINT XMRENDER MODULE MUSIC_HEARD_PY
set -u
zint=$1
xmrender=$2
module=$3
music_heard=$4
work=$(mktemp -d)
pids=""
trap 'kill $pids 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; [ -f "$work/out" ] && cat "$work/out"; exit 1; }

# The server's rate differs from the intro's 44100 Hz, so it resamples.
server_rate=48000
# The player's ring block at 44100 Hz: the longest stretch the music may miss.
block_frames=884

mkdir -p "$work/runtime" "$work/home"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PULSE_RUNTIME_PATH="$work/runtime/pulse" \
    PULSE_STATE_PATH="$work/state" PULSE_SERVER="unix:$work/runtime/native" PULSE_CLIENTCONFIG="$work/client.conf"
echo "autospawn = no" >"$work/client.conf"

# A desktop runs its sound server, and the threads a program asks to be time
# critical, at real-time priority; without it a busy machine starves them and
# the music breaks up.
chrt -r 5 pulseaudio -n --daemonize=no --system=no --realtime=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes \
    -L "module-null-sink sink_name=zint_test rate=$server_rate channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native" >"$work/server.log" 2>&1 &
pids=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { cat "$work/server.log"; fail "the sound server did not start"; }

parecord -d zint_test.monitor --raw --format=s16le --rate=$server_rate --channels=2 "$work/heard.raw" &
pids="$pids $!"
# With this hint SDL marks the player's and its own sound thread for a
# real-time grant (reset on fork); given no desktop service to grant it, the
# test does, to those threads of the intro only.
SDL_THREAD_FORCE_REALTIME_TIME_CRITICAL=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=pulseaudio "$zint" -windowed \
    >"$work/out" 2>&1 &
intro=$!
pids="$pids $intro"
granted=0
for _ in $(seq 100); do
    for task in /proc/$intro/task/*; do
        chrt -p "${task##*/}" 2>/dev/null | grep -q RESET_ON_FORK && chrt -r -p 4 "${task##*/}" && granted=$((granted + 1))
    done
    [ $granted -ge 2 ] && break
    sleep 0.05
done
# Background jobs ignore SIGINT; SIGTERM ends the intro the same way.
sleep 10
kill -TERM $intro
wait $intro || fail "zint on the sound server exited with $?"
sleep 0.5
kill $pids 2>/dev/null
wait
pids=""

"$xmrender" "$module" "$work/song.wav" --seconds 30 >"$work/out" 2>&1 || fail "xmrender failed"
/usr/bin/python3 "$music_heard" "$work/heard.raw" $server_rate "$work/song.wav" $block_frames 3 || exit 1
