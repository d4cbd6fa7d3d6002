#!/usr/bin/env bash
# Runs heartcube-bench-sync on a 640x480 screen and a PulseAudio server of its own
# (a null sink as its one device), both stopped when it ends.
#   bench/sync.sh BENCH PROGRAM SHOW [--runs N] [--seconds S]
set -euo pipefail
bench=$(realpath "${1:?usage: bench/sync.sh BENCH PROGRAM SHOW [--runs N] [--seconds S]}")
export HEARTCUBE=${2:?} SHOW=${3:?}
shift 3
source "$(dirname "$0")/../tests/support/sound_server.sh"
start_sound_server
start_screen
"$bench" "$HEARTCUBE" "$SHOW" "$@"
