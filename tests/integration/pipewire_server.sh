# PipeWire's PulseAudio server in place of PulseAudio's own, as most desktops run
# it now: pipewire, wireplumber (on a D-Bus session bus of the test's own) and
# pipewire-pulse, in the test's runtime folder, with a null sink as the one device.
# Sourced after sound_server.sh, whose start_sound_server and stop_sound_server it
# replaces; the cases and their checks stay the same.

PIPEWIRE_PIDS=()

stop_sound_server() { # [SIGNAL]
  [ ${#PIPEWIRE_PIDS[@]} -gt 0 ] || return 0
  kill -"${1:-TERM}" "${PIPEWIRE_PIDS[@]}" 2>/dev/null || true
  wait "${PIPEWIRE_PIDS[@]}" 2>/dev/null || true
  PIPEWIRE_PIDS=()
  rm -rf "$WORK/run/bus" "$WORK/run/pipewire-0" "$WORK/run/pipewire-0.lock" "$WORK/run/pulse"
}

start_sound_server() {
  command -v pipewire-pulse >/dev/null && command -v wireplumber >/dev/null ||
    skip "no pipewire-pulse and wireplumber here (scripts/install-deps test installs them)"
  use_sound_server
  local bus=unix:path=$WORK/run/bus
  local server=(env -u DISPLAY HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home" DBUS_SESSION_BUS_ADDRESS="$bus")
  "${server[@]}" dbus-daemon --session --nofork --nosyslog --address="$bus" >>"$WORK/server.log" 2>&1 &
  PIPEWIRE_PIDS=($!)
  local deadline=$((SECONDS + 15))
  until [ -S "$WORK/run/bus" ]; do
    [ $SECONDS -lt $deadline ] || fail "no D-Bus session bus for wireplumber within 15 s"
    sleep 0.1
  done
  for program in pipewire wireplumber pipewire-pulse; do
    "${server[@]}" "$program" >>"$WORK/server.log" 2>&1 &
    PIPEWIRE_PIDS+=($!)
  done
  until pactl info >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "PipeWire's PulseAudio server did not answer within 15 s: $(tail -n 5 "$WORK/server.log")"
    sleep 0.1
  done
  pactl load-module module-null-sink sink_name=$SINK >/dev/null && pactl set-default-sink $SINK ||
    fail "no null sink on PipeWire"
}
