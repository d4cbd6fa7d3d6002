#!/usr/bin/env bash
# The real program on a virtual screen: how the show starts, runs and ends.
#   show.sh CASE
source "$(dirname "$0")/../support/harness.sh"

case "${1:?case}" in
whole-show)
  # Plays to its own end at 111 s of music and returns 0.
  make_show
  start_show
  expect_exit 0 150
  expect_output "$NORMAL_OUTPUT"
  expect_quiet_stderr
  ;;
escape)
  make_show
  start_show
  window_id >/dev/null
  sleep 1
  xdotool key Escape
  expect_exit 0 10
  expect_output "$NORMAL_OUTPUT"
  expect_quiet_stderr
  ;;
close-window)
  make_show
  start_show
  "$CLOSE_WINDOW" "$(window_id)"
  expect_exit 0 10
  expect_output "$NORMAL_OUTPUT"
  ;;
no-soundtrack)
  # The two lines on stdout, then the title stays on screen until Escape.
  make_show
  rm -f "$WORK/show/Dezira.mp3"
  start_show
  window_id >/dev/null
  sleep 2
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "ended without a soundtrack"
  xdotool key Escape
  expect_exit 0 10
  expect_output 'GLFW Init\nError!\nFile Not Found\nMusic Loaded\nTextures Loaded\n'
  ;;
no-display)
  # A failure is not a success: one line on stderr saying why, and status 1.
  make_show
  unset DISPLAY WAYLAND_DISPLAY
  start_program
  expect_exit 1 20
  expect_output 'GLFW Init\n\nMusic Loaded\n'
  grep -q '^window: cannot open a 640x480 window: .*DISPLAY' "$WORK/err" || fail "no reason on stderr"
  [ "$(grep -vc '^sound: ' "$WORK/err")" = 1 ] || fail "more than one line on stderr"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
