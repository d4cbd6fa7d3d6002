#!/usr/bin/env bash
# Runs a command on a fresh 640x480 Xvfb of its own, for the benchmarks' smoke runs.
#   on_screen.sh COMMAND [ARGUMENT...]
set -euo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
screen=$!
trap 'kill $screen 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
"$@"
