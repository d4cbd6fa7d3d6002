#!/usr/bin/env bash
# valgrind memcheck on the real program (a few seconds of the show, then Escape)
# and on the picture tool over every default picture. Fails on any memory error
# and on any block lost that our own code allocated; leaks inside system
# libraries (the GL driver, D-Bus under SDL) are theirs, not ours.
#   memcheck.sh program|pictures
source "$(dirname "$0")/../support/harness.sh"
: "${TGA_TOOL:?}"
SUPPRESSIONS="$(dirname "$0")/gl-driver.supp"

# Errors fail with status 99; lost blocks are listed but judged by check_leaks.
MEMCHECK=(valgrind --quiet --error-exitcode=99 --num-callers=40 --keep-debuginfo=yes --leak-check=full
          --show-leak-kinds=definite --errors-for-leak-kinds=none --suppressions="$SUPPRESSIONS")

# A lost block whose allocation our own code made: the first caller after the
# allocator is one of our programs.
check_leaks() { # LOG PROGRAM_PATH
  awk -v ours="$2" '
    /definitely lost in loss record/ { inrecord = 1; found = 0; next }
    inrecord && /by 0x/ && !found { found = 1; if (index($0, "(in " ours ")")) { print; bad = 1 } }
    inrecord && /^==[0-9]+== *$/ { inrecord = 0 }
    END { exit bad }' "$1" || fail "a block our code allocated is lost: see $1"
}

case "${1:?case}" in
program)
  start_screen
  make_show
  (cd "$WORK/show" && exec "${MEMCHECK[@]}" --log-file="$WORK/valgrind.%p.log" "$HEARTCUBE" >"$WORK/out" 2>"$WORK/err") &
  PROGRAM_PID=$!
  wait_for_output "Textures Loaded" 180
  window_id >/dev/null
  sleep 5
  xdotool key Escape
  expect_exit 0 120
  expect_output "$NORMAL_OUTPUT"
  for log in "$WORK"/valgrind.*.log; do
    check_leaks "$log" "$HEARTCUBE"
  done
  ;;
pictures)
  for picture in "$SHOW"/data/*.tga; do
    log="$WORK/$(basename "$picture").log"
    "${MEMCHECK[@]}" --log-file="$log" "$TGA_TOOL" "$picture" "$WORK/out.png" >/dev/null ||
      { cat "$log" >&2; fail "memcheck on $(basename "$picture")"; }
    check_leaks "$log" "$TGA_TOOL"
  done
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
