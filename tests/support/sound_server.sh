# A PulseAudio server of the test's own, beside the program on its own screen:
# a null sink as its one device, its socket in the test's folder, none of the
# machine's configuration, and stopped by the test whatever happens. Sourced by the
# tests of sound on a desktop (and by the sync benchmark).
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

SINK=heartcube_test
SERVER_PID=""

stop_sound_server() { # [SIGNAL]
  [ -n "$SERVER_PID" ] || return 0
  kill -"${1:-TERM}" "$SERVER_PID" 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
  SERVER_PID=""
}
# The server goes first: the harness then waits for every child.
trap 'stop_sound_server; cleanup' EXIT

# use_sound_server: the program, pactl and parec look for the server in the test's
# folder only, and never start one of their own.
use_sound_server() {
  mkdir -p "$WORK/run" "$WORK/home"
  chmod 700 "$WORK/run"
  echo 'autospawn = no' >"$WORK/client.conf"
  export XDG_RUNTIME_DIR="$WORK/run" PULSE_SERVER="unix:$WORK/run/pulse/native" PULSE_CLIENTCONFIG="$WORK/client.conf"
  unset SDL_AUDIODRIVER
}

# start_sound_server: the server, up and answering. As root it warns and runs all
# the same; it stays off the session's bus and out of the user's files.
start_sound_server() {
  use_sound_server
  cat >"$WORK/server.pa" <<EOF
load-module module-null-sink sink_name=$SINK
set-default-sink $SINK
load-module module-native-protocol-unix auth-anonymous=1
EOF
  env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home" \
    pulseaudio -n -F "$WORK/server.pa" --exit-idle-time=-1 --daemonize=no --use-pid-file=no \
    --realtime=no --high-priority=no --log-target=file:"$WORK/server.log" &
  SERVER_PID=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    kill -0 "$SERVER_PID" 2>/dev/null || fail "the sound server did not start: $(cat "$WORK/server.log")"
    sleep 0.1
  done
  fail "the sound server did not answer within 10 s"
}

# wait_for_stream [SECONDS]: until the program's stream is on the server.
wait_for_stream() {
  local deadline=$((SECONDS + ${1:-30}))
  until pactl list sink-inputs 2>/dev/null | grep -q 'application.process.binary = "heartcube"'; do
    [ $SECONDS -lt $deadline ] || fail "no stream of the program on the sound server within ${1:-30} s"
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended"
    sleep 0.1
  done
}

# expect_sound: a second of what the device plays is not silence.
expect_sound() {
  timeout 10 parec -d "$SINK.monitor" --raw --format=s16le --channels=2 --rate=44100 |
    head -c 176400 >"$WORK/heard.raw" || true
  local loud
  loud=$(tr -d '\000' <"$WORK/heard.raw" | wc -c)
  [ "$loud" -gt 100000 ] || fail "the device plays silence ($loud of $(wc -c <"$WORK/heard.raw") bytes not zero)"
}
