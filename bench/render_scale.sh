#!/usr/bin/env bash
# The renderer at scale: one stretch of the show as frame hashes (drawing and
# read-back alone, the peer), as PNG frames and as a video, at each size; then
# the render farm against a single render of the same stretch, with one and two
# job slots here (and over ssh with --hosts), and the join alone.
#   bench/render_scale.sh RENDER SHOW [--from S] [--seconds S] [--sizes WxH,...]
#       [--before OLD_RENDER] [--farm-size WxH] [--parts N] [--hosts FILE] [--no-farm]
# Wall and processor time (this side's, children included) for every run.
set -euo pipefail

render=${1:?usage: render_scale.sh RENDER SHOW [OPTION...]}
show=${2:?usage: render_scale.sh RENDER SHOW [OPTION...]}
shift 2
from=40 seconds=4 sizes=640x480,2880x2160 before="" farm_size=640x480 parts=8 hosts="" farm=1
while [ $# -gt 0 ]; do
  case "$1" in
  --from) from=$2; shift 2 ;;
  --seconds) seconds=$2; shift 2 ;;
  --sizes) sizes=$2; shift 2 ;;
  --before) before=$2; shift 2 ;;
  --farm-size) farm_size=$2; shift 2 ;;
  --parts) parts=$2; shift 2 ;;
  --hosts) hosts=$2; shift 2 ;;
  --no-farm) farm=0; shift ;;
  *) echo "render_scale.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
farm_script=$(cd "$(dirname "$0")/.." && pwd)/scripts/render-farm
to=$(awk -v a="$from" -v b="$seconds" 'BEGIN { print a + b }')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# timed NAME COMMAND...: runs it quietly; wall and processor seconds in $work/NAME.
timed() {
  local name=$1
  shift
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>"$work/said"; } 2>"$work/time-$name" || {
    cat "$work/said" >&2
    echo "render_scale.sh: $name failed" >&2
    exit 1
  }
  rm -rf "$work/frames"
}
wall() { cut -d " " -f 1 "$work/time-$1"; }
cpu() { awk '{ printf "%.1f", $2 + $3 }' "$work/time-$1"; }
ratio() { awk -v a="$(wall "$1")" -v b="$(wall "$2")" 'BEGIN { printf "%.2f", a / b }'; }
cell() { printf '%7.1f s %6s' "$(wall "$1")" "($(cpu "$1"))"; }

echo "$seconds s of the show from $from s at 60 fps, $(nproc) cores; wall seconds (processor seconds)"
printf '%-10s %-17s %-17s %-17s %-11s %s\n' size hashes "PNG frames" video PNG/hashes video/hashes
IFS=, read -r -a size_list <<<"$sizes"
for size in "${size_list[@]}"; do
  stretch=(--show "$show" --size "$size" --from "$from" --to "$to")
  timed hashes "$render" "${stretch[@]}" --hashes "$work/hashes"
  timed png "$render" "${stretch[@]}" -o "$work/frames/"
  timed video "$render" "${stretch[@]}" --video "$work/video.mp4"
  printf '%-10s %s %s %s %-11s %s\n' "$size" "$(cell hashes)" "$(cell png)" "$(cell video)" "$(ratio png hashes)" \
    "$(ratio video hashes)"
  if [ -n "$before" ]; then
    timed before-hashes "$before" "${stretch[@]}" --hashes "$work/hashes"
    timed before-png "$before" "${stretch[@]}" -o "$work/frames/"
    printf '%-10s %s %s %-17s %s\n' "  before" "$(cell before-hashes)" "$(cell before-png)" "" \
      "$(ratio before-png before-hashes)"
  fi
done

[ $farm = 1 ] || exit 0
stretch=(--size "$farm_size" --from "$from" --to "$to")
echo
echo "the farm: the same stretch at $farm_size in $parts parts, against a single render"
timed single "$render" --show "$show" "${stretch[@]}" --video "$work/single.mp4"
printf '  %-26s %s\n' "a single render" "$(cell single)"
for jobs in 1 2; do
  timed "farm$jobs" "$farm_script" --render "$render" --show "$show" --jobs "$jobs" --parts "$parts" "${stretch[@]}" \
    "$work/farm.mp4"
  printf '  %-26s %s  %sx the single render\n' "$jobs job slot(s) here" "$(cell "farm$jobs")" "$(ratio "farm$jobs" single)"
done
if [ -n "$hosts" ]; then
  timed farmhosts "$farm_script" --hosts "$hosts" --render "$render" --show "$show" --parts "$parts" "${stretch[@]}" \
    "$work/farm.mp4"
  printf '  %-26s %s  %sx the single render\n' "the hosts of $(basename "$hosts")" "$(cell farmhosts)" \
    "$(ratio farmhosts single)"
fi
for k in $(seq "$parts"); do
  "$render" --show "$show" "${stretch[@]}" --part "$k/$parts" --video "$work/part$k.mp4" 2>/dev/null
done
timed join "$render" --show "$show" --join "$work/joined.mp4" $(seq -f "$work/part%g.mp4" "$parts")
printf '  %-26s %s\n' "the join alone" "$(cell join)"
