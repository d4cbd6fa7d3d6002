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
  # Each in turn, once what it connects to is there (WirePlumber and pipewire-pulse
  # give up at once on a PipeWire that is not up yet).
  local deadline=$((SECONDS + 30))
  until [ -S "$WORK/run/bus" ]; do
    [ $SECONDS -lt $deadline ] || fail "no D-Bus session bus for wireplumber within 30 s"
    sleep 0.1
  done
  "${server[@]}" pipewire >>"$WORK/server.log" 2>&1 &
  PIPEWIRE_PIDS+=($!)
  until [ -S "$WORK/run/pipewire-0" ]; do
    [ $SECONDS -lt $deadline ] || fail "PipeWire did not start within 30 s: $(tail -n 5 "$WORK/server.log")"
    sleep 0.1
  done
  for program in wireplumber pipewire-pulse; do
    "${server[@]}" "$program" >>"$WORK/server.log" 2>&1 &
    PIPEWIRE_PIDS+=($!)
  done
  # pipewire-pulse answers before the graph behind it takes a sink: until it does.
  until pactl info >/dev/null 2>&1 && pactl load-module module-null-sink sink_name=$SINK >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "no null sink on PipeWire's PulseAudio server within 30 s: $(tail -n 5 "$WORK/server.log")"
    sleep 0.2
  done
  until pactl set-default-sink $SINK 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "the null sink is not PipeWire's default within 30 s"
    sleep 0.2
  done
}
