#!/usr/bin/env bash
# scripts/render-farm for real: over ssh to an sshd of the test's own (loopback,
# a free port, throwaway keys, stopped whatever happens) and on this machine,
# with a result equal to a single render; a host with another show; a part that
# keeps failing; a host that never answers; Ctrl-C.
#   farm.sh CASE
source "$(dirname "$0")/../support/harness.sh"
: "${RENDER:?}" "${FARM:?}"

SSHD_PID=""
stop_sshd() {
  [ -z "$SSHD_PID" ] || kill "$SSHD_PID" 2>/dev/null || true
}
trap 'stop_sshd; cleanup' EXIT

# start_sshd: an sshd on 127.0.0.1 that lets this user in with a key of the test's
# own; ssh reaches it as "farmhost" through $WORK/ssh/config, and only so.
start_sshd() {
  local dir=$WORK/ssh port
  mkdir -m 0700 "$dir"
  ssh-keygen -q -t ed25519 -N '' -C farmhost -f "$dir/host_key"
  ssh-keygen -q -t ed25519 -N '' -C farm -f "$dir/user_key"
  cp "$dir/user_key.pub" "$dir/authorized_keys"
  # Started as root, sshd wants its privilege separation folder, which only its
  # package's service would have made.
  [ "$(id -u)" != 0 ] || [ -d /run/sshd ] || mkdir -p -m 0755 /run/sshd
  for _ in $(seq 10); do
    port=$((20000 + RANDOM % 40000))
    cat >"$dir/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host_key
AuthorizedKeysFile $dir/authorized_keys
PidFile $dir/sshd.pid
UsePAM no
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
EOF
    cat >"$dir/config" <<EOF
Host farmhost
  HostName 127.0.0.1
  Port $port
  User $(id -un)
  IdentityFile $dir/user_key
  IdentitiesOnly yes
  UserKnownHostsFile $dir/known_hosts
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  BatchMode yes
  LogLevel ERROR
EOF
    echo "[127.0.0.1]:$port $(cut -d ' ' -f 1,2 "$dir/host_key.pub")" >"$dir/known_hosts"
    /usr/sbin/sshd -D -e -f "$dir/sshd_config" 2>>"$WORK/sshd.log" &
    SSHD_PID=$!
    for _ in $(seq 50); do
      kill -0 "$SSHD_PID" 2>/dev/null || break # the port was taken: another one
      ssh -F "$dir/config" farmhost true 2>/dev/null && return 0
      sleep 0.2
    done
    stop_sshd
    wait "$SSHD_PID" 2>/dev/null || true
  done
  cat "$WORK/sshd.log" >&2
  fail "no sshd of our own would start"
}

# logged_render [SHELL_LINE]: the renderer, noting in $WORK/where each part it
# draws and whether it came over ssh; SHELL_LINE runs first.
logged_render() {
  cat >"$WORK/render" <<EOF
#!/bin/sh
part="" previous=""
for arg; do [ "\$previous" = --part ] && part=\$arg; previous=\$arg; done
[ -z "\$part" ] || echo "\$part \${SSH_CONNECTION:+over ssh}\${SSH_CONNECTION:-here}" >>"$WORK/where"
$1
exec "$RENDER" "\$@"
EOF
  chmod +x "$WORK/render"
}

stretch=(--size 64x48 --crf 0 --from 50 --to 51)

case "${1:?case}" in
ssh)
  # From a folder whose name ffmpeg would misread unquoted.
  start_sshd
  logged_render ""
  videos="$WORK/Bob's videos"
  mkdir "$videos"
  printf '1/farmhost\n1/:\n' >"$WORK/hosts"
  (cd "$videos" && PARALLEL_SSH="ssh -F $WORK/ssh/config" "$FARM" --hosts ../hosts --render "$WORK/render" \
    --show "$SHOW" --parts 4 "${stretch[@]}" farm.mp4 >"$WORK/out" 2>"$WORK/err") || fail "the farm failed: $(cat "$WORK/err")"
  grep -qF "render-farm: the video is in $videos/farm.mp4" "$WORK/out" || fail "the farm did not say where the video is"
  grep -q 'over ssh' "$WORK/where" && grep -q 'here' "$WORK/where" || fail "the parts were not shared: $(cat "$WORK/where")"
  (cd "$WORK" && "$RENDER" --show "$SHOW" "${stretch[@]}" --video single.mp4 2>/dev/null)
  expect_same_video "$WORK/single.mp4" "$videos/farm.mp4"
  [ "$(ls -A "$videos")" = farm.mp4 ] || fail "the farm left its parts behind: $(ls -A "$videos")"
  ;;
silent-host)
  # A host that takes the connection and never says a word: given up on within
  # the farm's own ssh time-out, before any part starts.
  node -e 'const s = require("net").createServer(() => {}).listen(0, "127.0.0.1", () => console.log(s.address().port));
    setTimeout(() => process.exit(), 150000);' >"$WORK/port" &
  SSHD_PID=$! # stopped as the sshd would be
  for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done
  mkdir -m 0700 "$WORK/ssh"
  printf 'Host silent\n  HostName 127.0.0.1\n  Port %s\n  BatchMode yes\n' "$(cat "$WORK/port")" >"$WORK/ssh/config"
  printf '1/silent\n' >"$WORK/hosts"
  logged_render ""
  started=$SECONDS
  ! (cd "$WORK" && PARALLEL_SSH="ssh -F $WORK/ssh/config" timeout 120 "$FARM" --hosts hosts --render "$WORK/render" \
    --show "$SHOW" --parts 2 "${stretch[@]}" farm.mp4 >out 2>err) || fail "the farm passed"
  [ $((SECONDS - started)) -lt 60 ] || fail "the farm waited $((SECONDS - started)) s on a silent host"
  grep -qF "render-farm: not every host answered" "$WORK/err" || fail "said: $(cat "$WORK/err")"
  [ ! -e "$WORK/where" ] || fail "parts started: $(cat "$WORK/where")"
  ;;
interrupted)
  # Ctrl-C to the farm's process group, as a terminal sends it, while the parts
  # render: they stop and tidy up, nothing is left in the output's folder or the
  # temporary one, and one line says no video was made.
  logged_render ""
  mkdir "$WORK/tmp" "$WORK/videos"
  (cd "$WORK/videos" && export TMPDIR=$WORK/tmp && exec setsid env --default-signal=INT "$FARM" --jobs 2 \
    --render "$WORK/render" --show "$SHOW" --parts 4 --size 320x240 --from 30 --to 60 farm.mp4 2>"$WORK/err") &
  farm=$!
  for _ in $(seq 600); do [ -n "$(find "$WORK/videos" -name '*.unfinished-*' -size +0)" ] && break; sleep 0.2; done
  kill -INT -- -$farm
  status=0
  wait $farm || status=$?
  [ $status = 130 ] || fail "exit status $status after Ctrl-C, expected 130"
  grep -qx "render-farm: interrupted; no video was made" "$WORK/err" || fail "said: $(cat "$WORK/err")"
  [ -z "$(find "$WORK/videos" "$WORK/tmp" -mindepth 1)" ] || fail "left behind: $(find "$WORK/videos" "$WORK/tmp")"
  ;;
show-differs)
  # A host whose show is not this machine's is refused before any part starts.
  # Here the farm runs in a mount namespace of its own that sees another heart
  # picture; the sshd, outside it, sees the show as it is.
  unshare -m --propagation private true 2>/dev/null || skip "no private mount namespace here"
  start_sshd
  logged_render ""
  make_show
  printf '1/farmhost\n' >"$WORK/hosts"
  ! (cd "$WORK" && PARALLEL_SSH="ssh -F $WORK/ssh/config" unshare -m --propagation private \
    sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' - "$WORK/show/data/end.tga" "$WORK/show/data/heart.tga" \
    "$FARM" --hosts hosts --render "$WORK/render" --show "$WORK/show" --parts 2 "${stretch[@]}" farm.mp4 \
    >out 2>err) || fail "the farm passed"
  grep -qF "render-farm: farmhost: data/heart.tga differs from this machine's" "$WORK/err" ||
    fail "the differing picture is not named"
  [ ! -e "$WORK/where" ] || fail "parts started: $(cat "$WORK/where")"
  ;;
failure)
  # An output the join could not write stops the farm before any part.
  logged_render '[ "$part" != 0002/3 ] || { echo "heartcube-render: cannot draw" >&2; exit 1; }'
  mkdir "$WORK/taken.mp4"
  ! (cd "$WORK" && "$FARM" --jobs 1 --render "$WORK/render" --show "$SHOW" --parts 3 "${stretch[@]}" taken.mp4 \
    >out 2>err) || fail "the farm passed"
  grep -qF "render-farm: $WORK/taken.mp4: is a folder" "$WORK/err" || fail "said: $(cat "$WORK/err")"
  [ ! -e "$WORK/where" ] || fail "parts started: $(cat "$WORK/where")"
  # Part 2 fails wherever it runs: tried twice, then the farm stops and names it.
  ! (cd "$WORK" && "$FARM" --jobs 1 --render "$WORK/render" --show "$SHOW" --parts 3 "${stretch[@]}" farm.mp4 \
    >out 2>err) || fail "the farm passed"
  grep -qF "render-farm: part 2 of 3 failed twice, last on this machine" "$WORK/err" ||
    fail "the failed part is not named: $(cat "$WORK/err")"
  grep -qF "cannot draw" "$WORK/err" || fail "the part's own words are not shown"
  [ "$(grep -c '^0002/3 ' "$WORK/where")" = 2 ] || fail "part 2 was not tried exactly twice: $(cat "$WORK/where")"
  [ ! -e "$WORK/farm.mp4" ] || fail "a stopped farm left a video"
  ;;
*)
  echo "unknown case $1" >&2
  exit 2
  ;;
esac
