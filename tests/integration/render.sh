#!/usr/bin/env bash
# heartcube-render from the outside: repeatable pictures, the very frames the
# program shows, and videos whose length and streams ffprobe confirms.
#   render.sh CASE
source "$(dirname "$0")/../support/harness.sh"
: "${RENDER:?}"

render() { (cd "${HERE:-$WORK}" && "$RENDER" --show "$SHOW" "$@"); }

# no_unfinished FOLDER...: no file is left under an unfinished name.
no_unfinished() {
  local left
  left=$(find "$@" -name '*.unfinished-*')
  [ -z "$left" ] || fail "unfinished files left: $left"
}

# whole_frames FOLDER FIRST LAST: the folder holds exactly those frames, each a
# whole PNG.
whole_frames() {
  [ "$(ls "$1" | wc -l)" = $(($3 - $2 + 1)) ] || fail "$1 holds $(ls "$1" | wc -l) files, not frames $2-$3"
  for n in $(seq "$2" "$3"); do
    identify "$(printf '%s/frame-%06d.png' "$1" "$n")" >/dev/null 2>&1 || fail "frame $n is not a whole PNG"
  done
}

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
  # and the same sound, sample for sample, across the joins; in a folder whose
  # name ffmpeg would misread unquoted.
  HERE="$WORK/Bob's 100% videos"
  mkdir "$HERE"
  stretch=(--size 64x48 --crf 0 --from 50 --to 51)
  render "${stretch[@]}" --video single.mp4 2>/dev/null
  for k in 1 2 3; do render "${stretch[@]}" --part $k/3 --video part$k.mp4 2>/dev/null; done
  # In any order: their labels say where they go.
  render --join joined.mp4 part3.mp4 part1.mp4 part2.mp4
  expect_same_video "$HERE/single.mp4" "$HERE/joined.mp4"
  # Parts that do not fit are refused, by name, and nothing is written.
  render --size 32x24 --crf 0 --from 50.34 --to 51 --video small.mp4 2>/dev/null
  render --fps 30 --size 64x48 --crf 0 --from 50.34 --to 51 --video slow.mp4 2>/dev/null
  render --size 64x48 --from 50 --to 51 --part 2/3 --video lossy.mp4 2>/dev/null
  # Hostile labels and files: refused at once, before any sound is decoded.
  label=$(ffprobe -v error -show_entries format_tags=comment -of default=nw=1:nk=1 "$HERE/part1.mp4")
  ffmpeg -v error -i "$HERE/part1.mp4" -map 0 -c copy \
    -metadata comment="heartcube frames 999999980-999999999 at 1 fps, timer offset 0, show ${label##* }" "$HERE/far.mp4"
  mkdir -p "$WORK/bare" && ln -s "$SHOW/Dezira.mp3" "$WORK/bare/"
  (cd "$HERE" && "$RENDER" --show "$WORK/bare" "${stretch[@]}" --part 2/3 --video bare.mp4 2>/dev/null)
  mkfifo "$HERE/pipe.mp4"
  cp "$HERE/part1.mp4" "$WORK/part1.copy"
  refused() {
    ! timeout 60 bash -c 'cd "$1" && shift && exec "$@"' - "$HERE" "$RENDER" --show "$SHOW" --join bad.mp4 "${@:2}" \
      2>"$WORK/err" || fail "the join of $* passed"
    grep -qF "$1" "$WORK/err" || fail "no \"$1\" in: $(cat "$WORK/err")"
  }
  refused "part3.mp4: frames 3020-3039 are missing between part1.mp4 and it" part1.mp4 part3.mp4
  refused "part2.mp4: starts at frame 3020, inside part2.mp4 (frames 3020-3039)" part1.mp4 part2.mp4 part3.mp4 part2.mp4
  refused "small.mp4: 32x24 where part1.mp4 is 64x48" part1.mp4 small.mp4
  refused "slow.mp4: 30 frames a second where part1.mp4 has 60" part1.mp4 slow.mp4
  refused "lossy.mp4: encoded with other settings than part1.mp4" part1.mp4 lossy.mp4 part3.mp4
  refused "far.mp4: frames 999999980-999999999 at 1 fps are not all in the show, which has 111" far.mp4
  refused "bare.mp4: made of another show" part1.mp4 bare.mp4 part3.mp4
  refused "pipe.mp4: not a regular file" part1.mp4 pipe.mp4
  [ ! -e "$HERE/bad.mp4" ] || fail "a refused join left a video"
  ! render --join part1.mp4 part1.mp4 part2.mp4 part3.mp4 2>/dev/null || fail "a join over its own part passed"
  cmp -s "$HERE/part1.mp4" "$WORK/part1.copy" || fail "the join wrote over its part"
  no_unfinished "$HERE"
  ;;
interrupted-render)
  # Ctrl-C (to the whole process group, as a terminal sends it) during a video,
  # SIGTERM during frames: nothing under a final name that is not whole, nothing
  # left in the temporary folder, one line saying what was kept.
  mkdir "$WORK/tmp"
  stop_when() { # SIGNAL STATUS FILE_THAT_SHOWS_PROGRESS ARG...
    (cd "$WORK" && export TMPDIR=$WORK/tmp && exec setsid env --default-signal=INT "$RENDER" --show "$SHOW" "${@:4}" \
      2>"$WORK/err") &
    local pid=$! status=0 deadline=$((SECONDS + 120))
    until [ -n "$(find "$WORK" -path "$WORK/$3" -size +0 | head -n 1)" ]; do
      [ $SECONDS -lt $deadline ] && kill -0 $pid 2>/dev/null || fail "no $3 while rendering"
      sleep 0.2
    done
    kill -"$1" -- -$pid
    wait $pid || status=$?
    [ $status = "$2" ] || fail "exit status $status after SIG$1, expected $2"
    [ "$(wc -l <"$WORK/err")" = 1 ] || fail "not one line on stderr"
    [ -z "$(ls -A "$WORK/tmp")" ] || fail "left in the temporary folder: $(ls -A "$WORK/tmp")"
  }
  stop_when INT 130 'clip.unfinished-*.mp4' --size 320x240 --from 30 --to 60 --video clip.mp4
  grep -qx "heartcube-render: interrupted; $WORK/clip.mp4 was not written" "$WORK/err" || fail "said: $(cat "$WORK/err")"
  [ ! -e "$WORK/clip.mp4" ] || fail "an interrupted video has its final name"
  stop_when TERM 143 'frames/frame-*.png' --size 320x240 --from 30 --to 60 -o frames/
  last=$(sed -n 's/^heartcube-render: interrupted; frames 1800-\([0-9]*\) are whole in .*/\1/p' "$WORK/err")
  [ -n "$last" ] || fail "said: $(cat "$WORK/err")"
  whole_frames "$WORK/frames" 1800 "$last"
  no_unfinished "$WORK"
  ;;
full-disk)
  # A disk that fills up: the frames written whole are kept and said, and nothing
  # else is left there, not even half a file.
  mkdir "$WORK/full"
  mount -t tmpfs -o size=2m heartcube-test "$WORK/full" 2>/dev/null || skip "no tmpfs can be mounted here (not root?)"
  trap 'umount "$WORK/full"; cleanup' EXIT
  ! render --from 40 --to 42 -o full/frames/ 2>"$WORK/err" || fail "frames on a full disk passed"
  last=$(sed -n 's/^heartcube-render: .*No space left on device; frames 2400-\([0-9]*\) are whole in .*/\1/p' "$WORK/err")
  [ -n "$last" ] || fail "said: $(cat "$WORK/err")"
  whole_frames "$WORK/full/frames" 2400 "$last"
  # Whatever room the frames left, none now.
  head -c 2M /dev/zero >"$WORK/full/filler" 2>/dev/null || true
  ! render --from 40 --to 42 --video full/clip.mp4 2>"$WORK/err" || fail "a video on a full disk passed"
  grep -q "full/clip.mp4 was not written$" "$WORK/err" || fail "said: $(cat "$WORK/err")"
  ! render --sheet full/story.png 2>"$WORK/err" || fail "a storyboard on a full disk passed"
  [ "$(ls -A "$WORK/full" | tr '\n' ' ')" = "filler frames " ] || fail "left on the full disk: $(ls -A "$WORK/full")"
  ;;
pipe-inputs)
  # A pipe under the soundtrack's or a picture's name is named, never waited on.
  make_show
  rm "$WORK/show/Dezira.mp3" "$WORK/show/data/heart.tga"
  mkfifo "$WORK/show/Dezira.mp3" "$WORK/show/data/heart.tga"
  (cd "$WORK" && timeout 120 "$RENDER" --show "$WORK/show" --size 64x48 --from 50 --to 50.5 --video v.mp4 2>"$WORK/err") ||
    fail "the render failed or hung: $(cat "$WORK/err")"
  grep -q "Dezira.mp3: not a regular file; the video is silent" "$WORK/err" || fail "the soundtrack is not named"
  grep -q "data/heart.tga: not a regular file" "$WORK/err" || fail "the picture is not named"
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
