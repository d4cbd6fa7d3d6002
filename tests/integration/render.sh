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
    ! (cd "$HERE" && exec timeout 60 "$RENDER" --show "$SHOW" --join bad.mp4 "${@:2}") 2>"$WORK/err" ||
      fail "the join of $* passed"
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
youtube)
  # What the site asks of an upload, as ffprobe reads it.
  render --for youtube --size 160x120 --from 80 --to 81 --video up.mp4 2>/dev/null || fail "the youtube preset failed"
  probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$WORK/up.mp4"; }
  [ "$(probe v codec_name,profile,pix_fmt)" = "h264,High,yuv420p" ] || fail "video: $(probe v codec_name,profile,pix_fmt)"
  [ "$(probe v color_range,color_space,color_transfer,color_primaries)" = "tv,bt709,bt709,bt709" ] ||
    fail "colour tags: $(probe v color_range,color_space,color_transfer,color_primaries)"
  [ "$(probe a codec_name,profile,sample_rate)" = "aac,LC,48000" ] || fail "audio: $(probe a codec_name,profile,sample_rate)"
  # A closed GOP of half a second: key frames at 0 and 30 only, B-frames between.
  keys=$(ffprobe -v error -select_streams v -show_entries packet=pts_time,flags -of csv=p=0 "$WORK/up.mp4" |
    awk -F, '$2 ~ /K/ { printf "%d ", $1 * 60 + 0.5 }')
  [ "$keys" = "0 30 " ] || fail "key frames at $keys, expected 0 and 30"
  types=$(ffprobe -v error -select_streams v -show_entries frame=pict_type -of csv=p=0 "$WORK/up.mp4")
  [[ $types == *B* ]] || fail "no B-frames"
  # The index at the front: the moov box before the mdat box.
  [[ $(head -c 4096 "$WORK/up.mp4" | tr -c 'a-z' .) == *moov* ]] || fail "the index is not at the front"
  # The colours as converted are the colours the tags say: the pink picture,
  # decoded as any player does, against the frame drawn.
  render --size 160x120 --time 80 -o drawn.png 2>/dev/null
  ffmpeg -v error -i "$WORK/up.mp4" -frames:v 1 "$WORK/played.png"
  means() { convert "$1" -format '%[fx:mean.r*255] %[fx:mean.g*255] %[fx:mean.b*255]' info:; }
  read -r a b c <<<"$(means "$WORK/drawn.png")"
  read -r x y z <<<"$(means "$WORK/played.png")"
  awk -v a="$a" -v b="$b" -v c="$c" -v x="$x" -v y="$y" -v z="$z" 'function d(p, q) { return p > q ? p - q : q - p }
    BEGIN { exit !(d(a, x) < 4 && d(b, y) < 4 && d(c, z) < 4) }' || fail "colours drawn $a $b $c, played $x $y $z"
  ;;
web)
  render --for web --size 160x120 --from 50 --to 50.5 --video page.webm 2>/dev/null || fail "the web preset failed"
  probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$WORK/page.webm"; }
  [ "$(probe v codec_name,pix_fmt,color_space)" = "vp9,yuv420p10le,bt709" ] || fail "video: $(probe v codec_name,pix_fmt,color_space)"
  [ "$(probe a codec_name,sample_rate)" = "opus,48000" ] || fail "audio: $(probe a codec_name,sample_rate)"
  ! render --for web --video page.mp4 2>"$WORK/err" || fail "a web video named .mp4 passed"
  grep -q 'WebM' "$WORK/err" || fail "no word of WebM: $(cat "$WORK/err")"
  ;;
archive)
  # Lossless, and checked so: the master decodes to the very frames drawn.
  render --for archive --size 64x48 --from 50 --to 51 --video master.mkv 2>"$WORK/err" || fail "the archive failed: $(cat "$WORK/err")"
  grep -q 'master.mkv: 60 frames verified' "$WORK/err" || fail "no verification: $(cat "$WORK/err")"
  probe() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$WORK/master.mkv"; }
  [ "$(probe v codec_name,pix_fmt)" = "ffv1,bgr0" ] || fail "video: $(probe v codec_name,pix_fmt)"
  [ "$(probe a codec_name,sample_rate)" = "flac,44100" ] || fail "audio: $(probe a codec_name,sample_rate)"
  render --size 64x48 --from 50 --to 51 -o frames/ 2>/dev/null
  raw() { ffmpeg -v error "${@:2}" -i "$1" -f rawvideo -pix_fmt rgba - | md5sum; }
  [ "$(raw "$WORK/master.mkv")" = "$(raw "$WORK/frames/frame-%06d.png" -start_number 3000)" ] ||
    fail "the master does not decode to the frames drawn"
  render --verify master.mkv 2>"$WORK/err" || fail "--verify refused the master: $(cat "$WORK/err")"
  # A label one frame off: the first frame is named.
  label=$(ffprobe -v error -show_entries format_tags=comment -of default=nw=1:nk=1 "$WORK/master.mkv")
  ffmpeg -v error -i "$WORK/master.mkv" -c copy -metadata comment="${label/3000-3059/3001-3060}" "$WORK/off.mkv"
  ! render --verify off.mkv 2>"$WORK/err" || fail "a master one frame off passed"
  grep -q 'off.mkv: frame 3001 (50.017 s) differs from the frame drawn' "$WORK/err" || fail "no first frame named: $(cat "$WORK/err")"
  ! render --verify ../nowhere.mp4 2>/dev/null || fail "--verify of nothing passed"
  mkfifo "$WORK/pipe.mkv"
  status=0
  timeout 60 "$RENDER" --show "$SHOW" --verify "$WORK/pipe.mkv" 2>/dev/null || status=$?
  [ $status = 1 ] || fail "--verify of a pipe: status $status, not a refusal"
  # Archive parts join into a master as good as one made whole.
  for k in 1 2; do render --for archive --size 64x48 --from 50 --to 51 --part $k/2 --video part$k.mkv 2>/dev/null; done
  render --join joined.mkv part2.mkv part1.mkv || fail "the archive parts did not join"
  render --verify joined.mkv 2>/dev/null || fail "the joined master does not verify"
  expect_same_video "$WORK/master.mkv" "$WORK/joined.mkv"
  ;;
rates)
  # 60000/1001: frame k at k x 1001/60000 s, as the time base says, with the sound to the sample.
  render --fps 60000/1001 --size 64x48 --from 50 --to 51 --video ntsc.mp4 2>/dev/null || fail "60000/1001 failed"
  probe() { ffprobe -v error -select_streams v -show_entries "stream=$1" -of csv=p=0 "$WORK/ntsc.mp4"; }
  [ "$(probe r_frame_rate,time_base,nb_frames)" = "60000/1001,1/60000,59" ] || fail "stream: $(probe r_frame_rate,time_base,nb_frames)"
  pts=$(ffprobe -v error -select_streams v -show_entries packet=pts -of csv=p=0 "$WORK/ntsc.mp4" | sort -n | tr '\n' ' ')
  [ "$pts" = "$(seq -s ' ' 0 1001 58058) " ] || fail "frame times: $pts"
  label=$(ffprobe -v error -show_entries format_tags=comment -of default=nw=1:nk=1 "$WORK/ntsc.mp4")
  [[ $label == "heartcube frames 2998-3056 at 60000/1001 fps, timer offset 0, show "* ]] || fail "label: $label"
  # FLAC keeps every sample: frames 2998-3056 hold samples 2205733 up to 2249141.
  render --for archive --fps 60000/1001 --size 64x48 --from 50 --to 51 --video ntsc.mkv 2>/dev/null
  bytes=$(ffmpeg -v error -i "$WORK/ntsc.mkv" -map 0:a -f s16le - | wc -c)
  [ "$bytes" = $(((2249141 - 2205733) * 4)) ] || fail "sound of $((bytes / 4)) samples, expected $((2249141 - 2205733))"
  # No drift over the show: its last frame at 60000/1001 is 6653, at 110.994217 s.
  render --fps 60000/1001 --size 32x24 --from 110.9 --hashes ntsc.hashes 2>/dev/null
  [ "$(tail -n 1 "$WORK/ntsc.hashes" | cut -d' ' -f1,2)" = "6653 110.994217" ] || fail "last frame: $(tail -n 1 "$WORK/ntsc.hashes")"
  # 144 a second, as any rate.
  render --fps 144 --size 64x48 --from 50 --to 50.5 --video fast.mp4 2>/dev/null || fail "144 fps failed"
  [ "$(ffprobe -v error -select_streams v -show_entries stream=r_frame_rate,nb_frames -of csv=p=0 "$WORK/fast.mp4")" = "144/1,72" ] ||
    fail "144 fps: $(ffprobe -v error -select_streams v -show_entries stream=r_frame_rate,nb_frames -of csv=p=0 "$WORK/fast.mp4")"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
