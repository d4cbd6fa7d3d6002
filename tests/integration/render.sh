#!/usr/bin/env bash
# heartcube-render from the outside: repeatable pictures, the very frames the
# program shows, and videos whose length and streams ffprobe confirms.
#   render.sh CASE
source "$(dirname "$0")/harness.sh"
: "${RENDER:?}"

render() { (cd "$WORK" && "$RENDER" --show "$SHOW" "$@"); }

case "${1:?case}" in
same-png)
  render --time 42.5 -o a.png 2>/dev/null
  render --time 42.5 -o b.png 2>/dev/null
  cmp -s "$WORK/a.png" "$WORK/b.png" || fail "two renders of the same moment differ"
  render --time 42.6 -o c.png 2>/dev/null
  ! cmp -s "$WORK/a.png" "$WORK/c.png" || fail "the tunnel stood still for a tenth of a second"
  ;;
matches-program)
  # The title is still, so any moment inside it is the same picture in both.
  make_show
  start_show 640x480
  window_id >/dev/null
  sleep 2
  screenshot "$WORK/program.png"
  xdotool key Escape
  expect_exit 0 15
  render --time 3 -o renderer.png 2>/dev/null
  differing=$(differing_pixels "$WORK/program.png" "$WORK/renderer.png")
  [ "$differing" = 0 ] || fail "$differing pixels differ between the program and the renderer"
  ;;
short-video)
  render --from 50 --to 53 --video clip.mp4 2>/dev/null
  probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$WORK/clip.mp4"; }
  [ "$(probe v nb_frames)" = 180 ] || fail "video frames: $(probe v nb_frames), expected 180"
  [ "$(probe v codec_name,width,height,pix_fmt)" = "h264,640,480,yuv420p" ] || fail "video stream: $(probe v codec_name,width,height,pix_fmt)"
  [ "$(probe a codec_name,sample_rate)" = "aac,44100" ] || fail "audio stream: $(probe a codec_name,sample_rate)"
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$WORK/clip.mp4")
  awk "BEGIN { exit !($duration > 2.95 && $duration < 3.1) }" || fail "duration $duration s, expected 3"
  ;;
join)
  # Parts joined equal a single render: with lossless x264, the same pictures
  # and the same sound, sample for sample, across the joins.
  stretch=(--size 64x48 --crf 0 --from 50 --to 51)
  render "${stretch[@]}" --video single.mp4 2>/dev/null
  for k in 1 2 3; do render "${stretch[@]}" --part $k/3 --video part$k.mp4 2>/dev/null; done
  # In any order: their labels say where they go.
  render --join joined.mp4 part3.mp4 part1.mp4 part2.mp4
  expect_same_video "$WORK/single.mp4" "$WORK/joined.mp4"
  # Parts that do not fit are refused, by name, and nothing is written.
  render --size 32x24 --crf 0 --from 50.34 --to 51 --video small.mp4 2>/dev/null
  render --fps 30 --size 64x48 --crf 0 --from 50.34 --to 51 --video slow.mp4 2>/dev/null
  render --size 64x48 --from 50 --to 51 --part 2/3 --video lossy.mp4 2>/dev/null
  refused() {
    ! render --join bad.mp4 "${@:2}" 2>"$WORK/err" || fail "the join of $* passed"
    grep -qF "$1" "$WORK/err" || fail "no \"$1\" in: $(cat "$WORK/err")"
  }
  refused "part3.mp4: frames 3020-3039 are missing between part1.mp4 and it" part1.mp4 part3.mp4
  refused "part2.mp4: starts at frame 3020, inside part2.mp4 (frames 3020-3039)" part1.mp4 part2.mp4 part3.mp4 part2.mp4
  refused "small.mp4: 32x24 where part1.mp4 is 64x48" part1.mp4 small.mp4
  refused "slow.mp4: 30 frames a second where part1.mp4 has 60" part1.mp4 slow.mp4
  refused "lossy.mp4: encoded with other settings than part1.mp4" part1.mp4 lossy.mp4 part3.mp4
  [ ! -e "$WORK/bad.mp4" ] || fail "a refused join left a video"
  ;;
scene-switch)
  # The first frame of the creators, drawn alone and in a run of frames: both
  # follow the frame before, which chose the scene.
  render --from 7.95 --to 8.05 -o frames/ 2>/dev/null
  render --time 8.0166667 -o alone.png 2>/dev/null
  cmp -s "$WORK/frames/frame-000481.png" "$WORK/alone.png" || fail "the switch frame differs drawn alone"
  ! cmp -s "$WORK/frames/frame-000480.png" "$WORK/alone.png" || fail "no scene switch between frames 480 and 481"
  ;;
sheet)
  render --sheet story.png 2>/dev/null
  [ "$(identify -format '%wx%h' "$WORK/story.png")" = 1024x874 ] || fail "the storyboard is not a 3x3 grid of half frames"
  ;;
errors)
  # Clear words for what cannot be done, and nothing written.
  ! render --show "$WORK/nowhere" --time 1 -o x.png 2>"$WORK/err" || fail "a missing show directory passed"
  grep -q 'no such show directory' "$WORK/err" || fail "no reason for the missing show directory"
  ! render --time 1 -o /proc/cannot.png 2>"$WORK/err" || fail "an unwritable output passed"
  grep -q '/proc/cannot.png' "$WORK/err" || fail "the unwritable output is not named"
  ! render --time 200 -o late.png 2>"$WORK/err" || fail "a moment after the end passed"
  ! (cd "$WORK" && PATH=/nonexistent "$RENDER" --show "$SHOW" --to 1 --video x.mp4) 2>"$WORK/err" || fail "no ffmpeg passed"
  grep -q 'ffmpeg is not installed' "$WORK/err" || fail "no word about ffmpeg"
  "$RENDER" --size 641x480 --video x.mp4 2>"$WORK/err" && fail "an odd-sized video passed"
  [ $? = 2 ] || fail "usage errors are status 2"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
