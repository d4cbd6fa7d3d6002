#!/usr/bin/env bash
# The real program on a Wayland desktop: weston (a 1280x720 output that cannot
# switch modes) with Xwayland, started and stopped by the test.
# Through Xwayland, as with an X11-only GLFW; and on Wayland itself, as a Wayland
# session gives it to a GLFW that speaks Wayland (Debian 13's; on Debian 12, its
# Wayland build, which scripts/install-deps unpacks apart).
#   wayland.sh CASE
source "$(dirname "$0")/../support/harness.sh"

DESKTOP=1280x720
GLFW_WAYLAND=/var/cache/heartcube/glfw-wayland

COMPOSITOR_PID=""
stop_desktop() {
  [ -n "$COMPOSITOR_PID" ] && kill "$COMPOSITOR_PID" 2>/dev/null && wait "$COMPOSITOR_PID" 2>/dev/null
  COMPOSITOR_PID=""
}
trap 'stop_desktop; cleanup' EXIT

# start_desktop: the compositor, as a window on an Xvfb of the test's own (its X11
# backend brings a keyboard and a pointer: GLFW 3.4 will not start on a compositor
# without them, as weston's headless backend is), and its Xwayland; DISPLAY and
# WAYLAND_DISPLAY for the program.
start_desktop() {
  command -v weston >/dev/null && command -v Xwayland >/dev/null ||
    skip "no weston and Xwayland here (scripts/install-deps test installs them)"
  mkdir -p "$WORK/run" "$WORK/shots"
  chmod 700 "$WORK/run"
  export XDG_RUNTIME_DIR=$WORK/run
  unset WAYLAND_DISPLAY
  start_screen $DESKTOP
  weston --backend=x11-backend.so --use-pixman --width=${DESKTOP%x*} --height=${DESKTOP#*x} --xwayland \
    --socket=wayland-test --idle-time=0 --debug --log="$WORK/weston.log" >"$WORK/weston.out" 2>&1 &
  COMPOSITOR_PID=$!
  local display="" deadline=$((SECONDS + 20))
  until [ -S "$WORK/run/wayland-test" ] && [ -n "$display" ]; do
    [ $SECONDS -lt $deadline ] || fail "weston did not start within 20 s: $(tail -n 5 "$WORK/weston.log")"
    kill -0 "$COMPOSITOR_PID" 2>/dev/null || fail "weston ended: $(tail -n 5 "$WORK/weston.log")"
    sleep 0.1
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$WORK/weston.log" 2>/dev/null)
  done
  # The compositor's pointer to the corner, off the program's window.
  xdotool mousemove $((${DESKTOP%x*} - 1)) $((${DESKTOP#*x} - 1))
  export DISPLAY=$display WAYLAND_DISPLAY=wayland-test
}

# use_wayland_glfw: the program gets a GLFW that speaks Wayland, or the case is skipped.
use_wayland_glfw() {
  local library
  library=$(ldd "$HEARTCUBE" | awk '/libglfw\.so/ { print $3 }')
  grep -qa 'Wayland: ' "$library" && return 0
  [ -f "$GLFW_WAYLAND/libglfw.so.3" ] ||
    skip "this GLFW is built for X11 alone, and $GLFW_WAYLAND holds no Wayland build (scripts/install-deps test)"
  export LD_LIBRARY_PATH=$GLFW_WAYLAND
}

# expect_shown NAME SECONDS SHOOT: within that time the window's picture (SHOOT
# FILE SIZE takes it) is, pixel for pixel, the rendered frame's.
expect_shown() {
  local size differing deadline=$((SECONDS + $2))
  size=$(identify -format '%wx%h' "$WORK/$1.png")
  while :; do
    differing=unknown
    "$3" "$WORK/shot.png" "$size" &&
      differing=$(differing_pixels "$WORK/shot.png" "$WORK/$1.png")
    [ "$differing" = 0 ] && return 0
    [ $SECONDS -lt $deadline ] || fail "the window is not the frame \"$1\" ($differing pixels differ)"
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended"
    sleep 0.2
  done
}

# x_window_shot FILE SIZE: the program's window, through X.
x_window_shot() { import -display "$DISPLAY" -window "$WINDOW" "$1" 2>/dev/null; }

# wayland_shot FILE SIZE: the compositor's output, cut where its scene graph has
# the program's window.
wayland_shot() {
  local at
  rm -f "$WORK/shots"/*.png
  (cd "$WORK/shots" && timeout 10 weston-screenshooter >/dev/null 2>&1) || return 1
  at=$(timeout 10 weston-debug scene-graph 2>/dev/null |
    awk '/top-level window .Yeah!/ { found = 1; next } found && /position:/ { gsub(/[(),]/, " "); print "+" $2 "+" $3; exit }')
  [ -n "$at" ] && convert "$(ls "$WORK/shots"/*.png | head -n 1)" -crop "$2$at" +repage "$1"
}

case "${1:?case}" in
xwayland-fullscreen)
  # No mode to switch to: the window takes the desktop's width (weston 14 leaves
  # its panel uncovered, weston 10 does not) and the picture fills the window;
  # Escape ends the show.
  make_show
  start_desktop
  unset WAYLAND_DISPLAY
  start_program
  wait_for_output "Textures Loaded" 30
  WINDOW=$(window_id)
  sleep 1
  size=$(xwininfo -display "$DISPLAY" -id "$WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  [ "${size%x*}" = "${DESKTOP%x*}" ] || fail "the full-screen window is $size on a $DESKTOP desktop"
  render_frame title 3 "$size"
  expect_shown title 10 x_window_shot
  xdotool key Escape
  expect_exit 0 10
  expect_output "$NORMAL_OUTPUT"
  expect_quiet_stderr
  ;;
xwayland-window)
  # A window, closed by its close button.
  make_show
  render_frame title 3
  start_desktop
  unset WAYLAND_DISPLAY
  start_program --window
  wait_for_output "Textures Loaded" 30
  WINDOW=$(window_id)
  expect_shown title 10 x_window_shot
  "$CLOSE_WINDOW" "$WINDOW"
  expect_exit 0 10
  expect_output "$NORMAL_OUTPUT"
  expect_quiet_stderr
  ;;
wayland-fullscreen | wayland-window)
  # On Wayland itself: the picture drawn (a window in 8-bit colour, whatever the
  # compositor lists first), full screen at the desktop's size, until the show ends
  # by itself. (No key or close request can be sent to a Wayland window from here.)
  make_show
  use_wayland_glfw
  if [ "$1" = wayland-window ]; then size=640x480 options=(--window); else size=$DESKTOP options=(); fi
  render_frame end 105 $size
  start_desktop
  start_program --start 102 "${options[@]}"
  wait_for_output "Textures Loaded" 30
  expect_shown end 8 wayland_shot
  expect_exit 0 20
  expect_output "$NORMAL_OUTPUT"
  # GLFW 3.4 draws its windows' frames with libdecor, which says so where it has no
  # plugin to draw them with (a desktop has one): its two lines, word for word.
  expect_quiet_stderr "^Couldn't open plugin directory: No such file or directory\$|^No plugins found, falling back on no decorations\$"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
