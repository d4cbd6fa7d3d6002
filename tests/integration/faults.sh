#!/usr/bin/env bash
# The fault matrix: the real program with spoilt files, odd screens and rough
# handling. Whatever happens it keeps going with what works, says on stderr what
# it could not use, keeps stdout to its own lines, and ends with status 0.
#   faults.sh CASE
source "$(dirname "$0")/../support/harness.sh"

# play_then_escape STDERR_PATTERN [SCREEN]: runs the spoilt show for a moment,
# checks that something is on screen, presses Escape.
play_then_escape() {
  start_show "${2:-640x480}"
  window_id >/dev/null
  sleep 1.5
  screenshot "$WORK/shot.png"
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the show stopped by itself"
  xdotool key Escape
  expect_exit 0 15
  expect_output "$NORMAL_OUTPUT"
  [ -z "$1" ] || grep -qE "$1" "$WORK/err" || fail "no line on stderr matching: $1"
  expect_quiet_stderr "${1:-^$}"
  lit=$(brightness "$WORK/shot.png")
  awk "BEGIN { exit !($lit > 0.05) }" || fail "the screen is black (mean $lit)"
}

# A copy of the title card with some header bytes replaced: spoil_title OFFSET HEX...
spoil_title() {
  local offset=$1
  shift
  printf "$(printf '\\x%s' "$@")" | dd of="$WORK/show/data/titlecard.tga" bs=1 seek="$offset" conv=notrunc status=none
}

make_show
TITLE="$WORK/show/data/titlecard.tga"

case "${1:?case}" in
music-empty)
  : >"$WORK/show/Dezira.mp3"
  play_then_escape '^music: Dezira\.mp3: empty file$'
  ;;
music-random)
  head -c 300000 /dev/urandom >"$WORK/show/Dezira.mp3"
  play_then_escape '^music: Dezira\.mp3: not an MP3 stream$'
  ;;
music-directory)
  rm "$WORK/show/Dezira.mp3" && mkdir "$WORK/show/Dezira.mp3"
  play_then_escape '^music: Dezira\.mp3: not a regular file$'
  ;;
pipes)
  # A pipe under the soundtrack's or a picture's name is named, never waited on.
  rm "$WORK/show/Dezira.mp3" "$TITLE"
  mkfifo "$WORK/show/Dezira.mp3" "$TITLE"
  play_then_escape '^(music: Dezira\.mp3|textures: data/titlecard\.tga): not a regular file$'
  [ "$(grep -c 'not a regular file$' "$WORK/err")" = 2 ] || fail "not both named"
  ;;
music-truncated)
  # Plays the first half, then silence: the clock runs on and the show ends at 111 s.
  size=$(stat -c %s "$WORK/show/Dezira.mp3")
  truncate -s $((size / 2)) "$WORK/show/Dezira.mp3"
  start_screen
  start_program
  started=$SECONDS
  wait_for_output "Textures Loaded" 30
  expect_exit 0 150
  elapsed=$((SECONDS - started))
  [ $elapsed -ge 108 ] || fail "ended after $elapsed s, before the show's 111 s"
  expect_output "$NORMAL_OUTPUT"
  expect_quiet_stderr
  ;;
data-missing)
  # Every picture is missing: white quads where pictures would be.
  rm -r "$WORK/show/data"
  play_then_escape '^textures: data/[a-z0-9_]+\.tga: No such file or directory$'
  [ "$(grep -c '^textures: ' "$WORK/err")" = 29 ] || fail "not one line per picture"
  ;;
picture-missing)
  rm "$TITLE"
  play_then_escape '^textures: data/titlecard\.tga: No such file or directory$'
  [ "$(grep -c '^textures: ' "$WORK/err")" = 1 ] || fail "more than the title named"
  ;;
picture-random)
  head -c 5000 /dev/urandom | tr '\000-\377' '\377\100-\377\100-\377' >"$TITLE"
  play_then_escape '^textures: data/titlecard\.tga: (not a TGA file|TGA image type [0-9]+ is not supported|[0-9]+-bit pixels are not supported)'
  ;;
picture-16bit)
  spoil_title 16 10
  play_then_escape '^textures: data/titlecard\.tga: 16-bit pixels are not supported$'
  ;;
picture-truncated)
  # Cut in the middle of its pixels: what is missing is black, the rest shows.
  truncate -s $(($(stat -c %s "$TITLE") / 2)) "$TITLE"
  play_then_escape '^textures: data/titlecard\.tga: the file ends early: what it lacks is black$'
  ;;
picture-huge)
  spoil_title 12 ff ff ff ff
  play_then_escape '^textures: data/titlecard\.tga: 65535x65535 is larger than the [0-9]+x[0-9]+ allowed$'
  ;;
picture-directory)
  rm "$TITLE" && mkdir "$TITLE"
  play_then_escape '^textures: data/titlecard\.tga: is a directory$'
  ;;
screen-1024x768 | screen-800x600)
  # No 640x480 mode: the window takes the screen's mode and the picture fills it.
  size=${1#screen-}
  play_then_escape "" "$size"
  corner=$(convert "$WORK/shot.png" -crop 16x16+0+0 -colorspace Gray -format '%[fx:mean]' info:)
  awk "BEGIN { exit !($corner > 0.02) }" || fail "the top left corner is black on a $size screen"
  ;;
minimised)
  # Hidden for a while (unmapped, as a minimised window is), then shown again.
  start_show
  id=$(window_id)
  xdotool windowunmap "$id"
  sleep 2
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "ended while hidden"
  xdotool windowmap "$id"
  sleep 1.5
  screenshot "$WORK/shot.png"
  lit=$(brightness "$WORK/shot.png")
  awk "BEGIN { exit !($lit > 0.05) }" || fail "black after being shown again"
  xdotool key Escape
  expect_exit 0 15
  expect_output "$NORMAL_OUTPUT"
  ;;
interrupted)
  # Ctrl+C in the terminal, or a polite kill, ends the show at once.
  start_show
  window_id >/dev/null
  kill -INT "$PROGRAM_PID"
  expect_exit 130 10
  ;;
escape-tap)
  # On a large screen every frame takes a while, so a tap falls between two frames;
  # the sticky key still ends the show.
  start_show 1920x1080
  window_id >/dev/null
  sleep 1
  xdotool keydown Escape keyup Escape
  expect_exit 0 15
  expect_output "$NORMAL_OUTPUT"
  ;;
act-at)
  # act-at SECONDS escape|close: one instance of every-scene below.
  start_screen
  start_program
  wait_for_output "Music Loaded" 30
  started=$SECONDS
  wait_for_output "Textures Loaded" 30
  id=$(window_id)
  while [ $((SECONDS - started)) -lt "$2" ]; do
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "ended before $2 s"
    sleep 0.2
  done
  screenshot "$WORK/shot.png"
  lit=$(brightness "$WORK/shot.png")
  awk "BEGIN { exit !($lit > 0.02) }" || fail "black screen at $2 s"
  if [ "$3" = close ]; then "$CLOSE_WINDOW" "$id"; else xdotool key Escape; fi
  expect_exit 0 20
  expect_output "$NORMAL_OUTPUT"
  ;;
every-scene)
  # Escape in the middle of each of the eight scenes, and the window closed in the
  # tunnel: one instance each, side by side, as the longest takes 106 s.
  pids=()
  for moment in "4 escape" "12 escape" "24 escape" "42 escape" "45 close" "63 escape" "80 escape" \
                "93 escape" "106 escape"; do
    bash "$0" act-at $moment >"$WORK/act-${moment// /-}.log" 2>&1 &
    pids+=($!)
  done
  failed=0
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  if [ $failed = 1 ]; then
    for log in "$WORK"/act-*.log; do [ -s "$log" ] && { echo "== $(basename "$log")"; cat "$log"; } >&2; done
    fail "an instance failed"
  fi
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
