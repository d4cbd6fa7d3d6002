# Runs the real program on a virtual screen of its own and drives it like a viewer.
# Sourced by the integration tests; CTest gives HEARTCUBE (the program), SHOW (the
# default show directory) and CLOSE_WINDOW (the close-request helper).
set -euo pipefail

: "${HEARTCUBE:?}" "${SHOW:?}"
WORK=$(mktemp -d)
SCREEN_PID=""
PROGRAM_PID=""
# What the program prints on standard output over a normal show.
NORMAL_OUTPUT='GLFW Init\n\nMusic Loaded\nTextures Loaded\n'

cleanup() {
  [ -n "$PROGRAM_PID" ] && kill -9 "$PROGRAM_PID" 2>/dev/null || true
  [ -n "$SCREEN_PID" ] && kill "$SCREEN_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in out err; do
    [ -f "$WORK/$f" ] && { echo "--- program std$f:" >&2; cat "$WORK/$f" >&2; }
  done
  exit 1
}

# skip WHY: the case cannot run here; CTest shows it as skipped (status 77).
skip() {
  echo "skipped: $*"
  exit 77
}

# start_screen [WIDTHxHEIGHT]: a fresh Xvfb on a free display number.
start_screen() {
  local size=${1:-640x480}
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  SCREEN_PID=$!
  for _ in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
  done
  [ -s "$WORK/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$WORK/display")"
}

# make_show: a private copy of the default show in $WORK/show, to spoil at will.
make_show() {
  mkdir -p "$WORK/show"
  [ -d "$SHOW" ] && cp -R "$SHOW"/. "$WORK/show/"
  return 0
}

# start_program [ARG...]: the program in the background, from the show directory
# (or from PLAY_FROM).
start_program() {
  (cd "${PLAY_FROM:-$WORK/show}" && exec "$HEARTCUBE" "$@" >"$WORK/out" 2>"$WORK/err") &
  PROGRAM_PID=$!
}

# start_show [WIDTHxHEIGHT [ARG...]]: a screen, the program on it, and its pictures loaded.
start_show() {
  start_screen "${1:-640x480}"
  shift $(($# > 0))
  start_program "$@"
  wait_for_output "Textures Loaded" 30
}

# wait_for_output TEXT SECONDS: until the program has printed that line.
wait_for_output() {
  local deadline=$((SECONDS + $2))
  until grep -qxF "$1" "$WORK/out" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "no \"$1\" within $2 s"
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended before \"$1\""
    sleep 0.1
  done
}

# window_id: the show's window, once it has its frame-rate title.
window_id() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --name '^Yeah! \(' 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window titled \"Yeah! (...)\""
  echo "$id"
}

# expect_exit STATUS SECONDS: the program ends within that time with that status.
expect_exit() {
  local deadline=$((SECONDS + $2))
  while kill -0 "$PROGRAM_PID" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "still running after $2 s"
    sleep 0.1
  done
  local status=0
  wait "$PROGRAM_PID" || status=$?
  PROGRAM_PID=""
  [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

# screenshot FILE; brightness FILE: mean intensity of the screen, 0 to 1.
screenshot() { import -display "$DISPLAY" -window root "$1"; }
brightness() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }

# render_frame NAME SECONDS [WIDTHxHEIGHT]: the renderer's frame of that moment, in
# $WORK/NAME.png (RENDER is the renderer).
render_frame() {
  (cd "$WORK" && "$RENDER" --show "$SHOW" --time "$2" --size "${3:-640x480}" -o "$1.png" 2>/dev/null) ||
    fail "the renderer failed at $2 s"
}

# differing_pixels A B: how many pixels of two pictures (FILE or FILE[REGION])
# differ. Mesa 25's llvmpipe (Debian 13) draws a window a level off, here and there,
# from what it draws offscreen for the renderer: a level on at most one pixel in a
# thousand counts as the same picture; more pixels, or more than a level, count.
differing_pixels() {
  local exact
  exact=$(compare -metric AE "$1" -alpha off "$2" -alpha off null: 2>&1 || true)
  if [ "$exact" != 0 ] && [ "$exact" -le $(($(identify -format '%[fx:w*h]' "$2") / 1000)) ] 2>/dev/null &&
    [ "$(compare -metric AE -fuzz 0.5% "$1" -alpha off "$2" -alpha off null: 2>&1 || true)" = 0 ]; then
    exact=0
  fi
  echo "$exact"
}

# expect_frame NAME REGION SECONDS: within that time the screen's REGION is, pixel
# for pixel, that of the rendered frame.
expect_frame() {
  local deadline=$((SECONDS + $3)) differing
  while :; do
    screenshot "$WORK/shot.png"
    differing=$(differing_pixels "$WORK/shot.png[$2]" "$WORK/$1.png[$2]")
    [ "$differing" = 0 ] && return 0
    [ $SECONDS -lt $deadline ] || fail "$2 of the screen is not the frame \"$1\" ($differing pixels differ)"
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended"
    sleep 0.1
  done
}

# decoded VIDEO: a checksum of every decoded frame of picture and sound, with its
# time, stream by stream (how the two are interleaved in the file does not matter).
decoded() { ffmpeg -v error -i "$1" -f framemd5 - | grep -v '^#' | sort -s -t, -k1,1n; }

# expect_same_video A B: the same pictures and sound, frame for frame, sample for sample.
expect_same_video() {
  [ -n "$(decoded "$1")" ] && [ "$(decoded "$1")" = "$(decoded "$2")" ] || fail "$2 differs from $1 once decoded"
}

# expect_output EXPECTED: standard output must be exactly this.
expect_output() {
  local expected
  expected=$(printf "$1")
  [ "$(cat "$WORK/out")" = "$expected" ] || fail "standard output differs from: $1"
}

# expect_quiet_stderr [PATTERN]: no lines on stderr but the sound notice (and PATTERN).
expect_quiet_stderr() {
  local allowed='^sound: '
  [ $# -gt 0 ] && allowed="$allowed|$1"
  if grep -vE "$allowed" "$WORK/err" >/dev/null; then
    fail "unexpected lines on standard error"
  fi
  return 0
}
