#!/usr/bin/env bash
# The real program and a real PulseAudio server of the test's own (a null sink as
# its one device): the stream plays on it, quits at once whatever the device does,
# and follows the server as it goes and comes.
#   pulse.sh CASE              against PulseAudio
#   SOUND_SERVER=pipewire pulse.sh CASE   against PipeWire's PulseAudio server
source "$(dirname "$0")/../support/sound_server.sh"
[ "${SOUND_SERVER:-}" = pipewire ] && source "$(dirname "$0")/../support/pipewire_server.sh"

# now_ms: the time in milliseconds.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# expect_lines PATTERN COUNT: stderr holds COUNT lines matching PATTERN.
expect_lines() {
  local found
  found=$(grep -cE "$1" "$WORK/err" || true)
  [ "$found" = "$2" ] || fail "$found lines on stderr matching \"$1\", expected $2"
}

# kill_server_mid_show: the server killed under the playing show and started
# again; the program's stream is back on it, and the device plays the music.
kill_server_mid_show() {
  wait_for_stream
  stop_sound_server KILL
  sleep 1
  start_sound_server
  wait_for_stream 5
  expect_sound
}

# expect_end_after FROM_MS LOW HIGH: the show ends by itself, between LOW and HIGH
# seconds after FROM_MS.
expect_end_after() {
  expect_exit 0 $(($3 + 5))
  local took=$(($(now_ms) - $1))
  [ $took -ge $(($2 * 1000)) ] && [ $took -le $(($3 * 1000)) ] ||
    fail "the show ended $took ms after the start, not within $2 to $3 s: the clock is off"
}

case "${1:?case}" in
server-plays)
  # The stream is on the server, playing the music, and nothing is said about sound.
  make_show
  start_sound_server
  start_show 640x480 --start 20
  wait_for_stream
  pactl list sink-inputs | grep -q 'Corked: no' || fail "the stream is corked"
  expect_sound
  xdotool key Escape
  expect_exit 0 10
  expect_output "$NORMAL_OUTPUT"
  [ ! -s "$WORK/err" ] || fail "stderr: $(cat "$WORK/err")"
  ;;
server-suspended)
  # The device taken away from the server, then Escape: out within a second, with
  # the stream on the server directly and through SDL's driver (which waits on a
  # suspended device for ever; its close is given up on).
  make_show
  start_sound_server
  start_screen
  for driver in "" pulseaudio; do
    export SDL_AUDIODRIVER=$driver
    start_program --start 20
    wait_for_output "Textures Loaded" 30
    wait_for_stream
    window_id >/dev/null
    pactl suspend-sink "$SINK" 1
    sleep 1
    pressed=$(now_ms)
    xdotool key Escape
    while kill -0 "$PROGRAM_PID" 2>/dev/null; do
      [ $(($(now_ms) - pressed)) -lt 1000 ] || fail "still running 1 s after Escape (SDL_AUDIODRIVER=$driver)"
      sleep 0.05
    done
    expect_exit 0 1
    pactl suspend-sink "$SINK" 0
  done
  ;;
server-restart)
  # The server dies and comes back: the music comes back on the new one, and the
  # show still ends 13 s of music after 98 s. (A null sink that has been idle plays
  # a new stream up to 2 s late, and the show waits for it: at the start, and on
  # the new server.)
  make_show
  start_sound_server
  start_screen
  started=$(now_ms)
  start_program --start 98
  kill_server_mid_show
  expect_end_after "$started" 12 18
  expect_lines '^sound: lost the audio device \(.+\), the show plays on silently$' 1
  expect_lines '^sound: playing through the sound server from [0-9.]+ s$' 1
  [ "$(wc -l <"$WORK/err")" = 2 ] || fail "more on stderr than the two lines"
  ;;
server-restart-sdl)
  # The same through SDL's own driver for the server: the music comes back on the
  # new server too, and the lines say so.
  make_show
  start_sound_server
  start_screen
  export SDL_AUDIODRIVER=pulseaudio
  start_program --start 90
  kill_server_mid_show
  expect_lines '^sound: lost the audio device \(.+\), the show plays on silently$' 1
  expect_lines '^sound: playing through the audio device from [0-9.]+ s$' 1
  xdotool key Escape
  expect_exit 0 10
  ;;
server-late)
  # No server when the show starts; one comes, and the music with it.
  make_show
  use_sound_server
  start_screen
  started=$(now_ms)
  start_program --start 100
  wait_for_output "Music Loaded" 30
  expect_lines '^sound: no audio device \(no sound server: .+\), the show plays silently$' 1
  sleep 2
  start_sound_server
  wait_for_stream 5
  expect_end_after "$started" 10 16
  expect_lines '^sound: playing through the sound server from [0-9.]+ s$' 1
  ;;
server-sink-gone)
  # The only device goes for good: the show plays on to its end, and says so once.
  make_show
  start_sound_server
  start_screen
  started=$(now_ms)
  start_program --start 104
  wait_for_stream
  pactl unload-module module-null-sink
  expect_end_after "$started" 6 12
  [ "$(cat "$WORK/err")" != "" ] && [ "$(wc -l <"$WORK/err")" = 1 ] || fail "not one line on stderr"
  expect_lines '^sound: lost the audio device' 1
  ;;
server-layer)
  # The sound layer alone on the server (sound_server_test): the position against
  # what the server says it holds, and the device going and coming back.
  : "${SERVER_TEST:?}"
  start_sound_server
  "$SERVER_TEST" >"$WORK/out" 2>"$WORK/err" || fail "$(cat "$WORK/out")"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
