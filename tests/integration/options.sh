#!/usr/bin/env bash
# The viewer's options on the real program: each does what --help says, and a
# mistaken one costs one line on stderr, status 2 and nothing else.
#   options.sh CASE
source "$(dirname "$0")/../support/harness.sh"
: "${RENDER:?}" "${VERSION:?}"

escape_and_exit() {
  xdotool key Escape
  expect_exit 0 15
  expect_output "$NORMAL_OUTPUT"
}

case "${1:?case}" in
command-line)
  # Whatever is wrong, nothing opens: a display that exists is not needed, and
  # going on would print "GLFW Init".
  export DISPLAY=:nowhere
  run() { "$HEARTCUBE" "$@" >"$WORK/out" 2>"$WORK/err"; }
  run --help || fail "--help failed"
  for option in --show --window --start --loop --mute --controls --help --version; do
    grep -q -- "^  $option" "$WORK/out" || fail "--help does not list $option"
  done
  run --version && [ "$(cat "$WORK/out")" = "heartcube $VERSION" ] || fail "--version: $(cat "$WORK/out")"
  for bad in --foo "--start abc" --start=-1 "--start 111" "--show $WORK/nowhere" "--show=$HEARTCUBE" \
             --loop=yes --start extra -w; do
    status=0
    run $bad || status=$?
    [ $status = 2 ] || fail "$bad: exit status $status, expected 2"
    [ ! -s "$WORK/out" ] || fail "$bad: something on stdout"
    [ "$(wc -l <"$WORK/err")" = 1 ] || fail "$bad: not one line on stderr"
    name=${bad%% *}
    grep -qF -- "${name%%=*}" "$WORK/err" || fail "$bad: the line does not name it: $(cat "$WORK/err")"
  done
  ;;
window)
  # 640x480 on a larger screen, then resized: the picture follows, exactly as the
  # renderer draws the show at that size.
  make_show
  render_frame title 3
  render_frame title-800x600 3 800x600
  start_show 1024x768 --window
  id=$(window_id)
  geometry=$(xdotool getwindowgeometry "$id" | sed -n 's/ *Geometry: //p')
  [ "$geometry" = 640x480 ] || fail "a $geometry window"
  expect_frame title 640x480+0+0 10
  xdotool windowsize "$id" 800 600
  expect_frame title-800x600 800x600+0+0 10
  escape_and_exit
  ;;
start)
  # The border of the tunnel stands still while the tunnel moves.
  make_show
  render_frame tunnel 42
  start_show 640x480 --start 42
  window_id >/dev/null
  expect_frame tunnel 640x24+0+0 5
  escape_and_exit
  ;;
mute)
  # With no device at all the program would say so; muted on purpose it does not,
  # and the clock runs: from 7 s, the creators picture follows the title.
  make_show
  render_frame creators 12
  export SDL_AUDIODRIVER=heartcube-none
  start_show 640x480 --mute --start 7
  window_id >/dev/null
  expect_frame creators 640x480+0+0 15
  escape_and_exit
  [ ! -s "$WORK/err" ] || fail "stderr: $(cat "$WORK/err")"
  ;;
loop)
  # The end picture, then past 111 s the title again, in the same window. The end
  # picture stays 7 s, time enough for a slow screenshot on a busy machine.
  make_show
  render_frame end 106
  render_frame title 3
  start_show 640x480 --start 104 --loop
  id=$(window_id)
  expect_frame end 640x480+0+0 15
  expect_frame title 640x480+0+0 15
  [ "$(window_id)" = "$id" ] || fail "the window was opened again"
  escape_and_exit
  ;;
show)
  # From a folder holding no show, the one named plays, every picture in place.
  make_show
  render_frame title 3
  mkdir "$WORK/elsewhere"
  PLAY_FROM="$WORK/elsewhere" start_show 640x480 --show "$WORK/show"
  window_id >/dev/null
  expect_frame title 640x480+0+0 10
  escape_and_exit
  expect_quiet_stderr
  ;;
controls)
  # Without --controls the keys do nothing; with it, 8 and 2 go to their scenes,
  # Space holds the tunnel still and lets it run on, and Left goes 5 s back.
  make_show
  render_frame title 3
  render_frame end 106
  render_frame creators 12
  render_frame tunnel 42
  render_frame rotozoomer 24
  start_show 640x480 --mute
  window_id >/dev/null
  xdotool key 8
  sleep 1
  expect_frame title 640x480+0+0 1
  escape_and_exit
  start_program --mute --controls
  wait_for_output "Textures Loaded" 30
  window_id >/dev/null
  xdotool key 8
  expect_frame end 640x480+0+0 10
  xdotool key 2
  expect_frame creators 640x480+0+0 10
  xdotool key 4
  expect_frame tunnel 640x24+0+0 10
  xdotool key space
  sleep 0.5
  screenshot "$WORK/paused-1.png"
  sleep 1
  screenshot "$WORK/paused-2.png"
  [ "$(compare -metric AE "$WORK/paused-1.png" "$WORK/paused-2.png" null: 2>&1 || true)" = 0 ] ||
    fail "the tunnel moved while paused"
  # 33 s less 5: the rotozoomer, whose border stands still above it.
  xdotool key Left
  expect_frame rotozoomer 640x24+0+0 10
  xdotool key space
  sleep 0.5
  screenshot "$WORK/playing.png"
  [ "$(compare -metric AE "$WORK/paused-2.png" "$WORK/playing.png" null: 2>&1 || true)" != 0 ] ||
    fail "the show did not play on"
  escape_and_exit
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
