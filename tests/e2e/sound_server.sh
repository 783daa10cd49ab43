#!/bin/sh
# The intro on a desktop's sound server: a PulseAudio of its own with a null
# sink, started here as a plain user process and stopped here. What the sink
# plays is recorded from its monitor and must be the module, as the offline
# render has it.
#   sound_server.sh ZINT XMRENDER MODULE MUSIC_HEARD_PY
set -u
zint=$1 xmrender=$2 module=$3 music_heard=$4
work=$(mktemp -d)
recorder="" server=""
stop() {
    for pid in $recorder $server; do kill "$pid" 2>/dev/null && wait "$pid"; done
    recorder="" server=""
}
trap 'stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null; exit 1; }

# The server's rate differs from the intro's 44100 Hz, so it resamples.
server_rate=48000
mkdir -p "$work/runtime" "$work/home"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" PULSE_RUNTIME_PATH="$work/runtime/pulse" \
    PULSE_STATE_PATH="$work/state" PULSE_SERVER="unix:$work/runtime/native" PULSE_CLIENTCONFIG="$work/client.conf"
echo "autospawn = no" >"$work/client.conf"
# A desktop runs its sound server at real-time priority; without it a busy
# machine starves the server and the music breaks up.
chrt -r 5 pulseaudio -n --daemonize=no --system=no --realtime=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes -L "module-null-sink sink_name=zint_test rate=$server_rate channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null 2>&1 || { cat "$work/server.log"; fail "the sound server did not start"; }

parecord -d zint_test.monitor --raw --format=s16le --rate=$server_rate --channels=2 "$work/heard.raw" &
recorder=$!
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=pulseaudio timeout --preserve-status -s INT -k 10 10 \
    "$zint" -windowed >"$work/out" 2>&1 || fail "zint on the sound server exited with $?"
sleep 0.5
stop

"$xmrender" "$module" "$work/song.wav" --seconds 30 >"$work/out" 2>&1 || fail "xmrender failed"
# 884 frames, the player's ring block at 44100 Hz: the longest stretch the music may miss.
/usr/bin/python3 "$music_heard" "$work/heard.raw" $server_rate "$work/song.wav" 884 3
