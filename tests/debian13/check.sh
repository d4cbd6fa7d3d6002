#!/usr/bin/env bash
# The source tree on Debian 13 as a new user gets it there: in a minimal Debian 13
# root (debootstrap), scripts/install-deps run, the release build, one rendered
# frame, then scripts/test --quick (its own install, the dev build, the fast tests).
# The root is kept in CACHE between runs, with what was installed in it, and made
# anew once it is a week old; the source goes in fresh each time, and the root's
# mounts and the copy are gone when the check ends, however it ends.
#   SOURCE=TREE check.sh
set -euo pipefail
: "${SOURCE:?}"
CACHE=${HEARTCUBE_DEBIAN13_CACHE:-/var/cache/heartcube/debian13}
MIRROR=${HEARTCUBE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
ROOT=$CACHE/root
# The source tree inside the root, in root's home there.
INNER=root/heartcube

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

! grep -qs '^13' /etc/debian_version || skip "this machine runs Debian 13 itself: the other tests ran on it"
[ "$(id -u)" = 0 ] || skip "a debootstrap root and chroot need root"
command -v debootstrap >/dev/null || skip "no debootstrap (scripts/install-deps test installs it)"

mkdir -p "$CACHE"
exec 9>"$CACHE.lock"
flock -w 3600 9 || fail "another run of this check held $CACHE.lock for an hour"

# leftovers DIR: unmounts whatever a check that was killed left mounted under DIR,
# before anything there is removed.
leftovers() {
  local mount
  for mount in $(awk -v dir="$1/" 'index($2, dir) == 1 { print $2 }' /proc/mounts | sort -r); do
    umount -R -l "$mount" || fail "cannot unmount $mount"
  done
}

MOUNTED=()
unmount() {
  local i
  for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
    umount -R "${MOUNTED[i]}" 2>/dev/null || umount -R -l "${MOUNTED[i]}" 2>/dev/null || true
  done
  MOUNTED=()
  leftovers "$ROOT"
  rm -rf --one-file-system "${ROOT:?}/$INNER"
}
trap unmount EXIT

# inside SECONDS COMMAND: a shell command in the root, with a clean environment.
inside() {
  timeout "$1" chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    TERM=dumb bash -c "cd /$INNER && $2"
}

leftovers "$ROOT"
leftovers "$ROOT.new"
now=$(date +%s)
# The root, made anew when missing, broken or a week old.
if [ ! -f "$ROOT/.made" ] || [ $((now - $(cat "$ROOT/.made"))) -gt $((7 * 24 * 3600)) ]; then
  echo "debian13: making a minimal Debian 13 root in $ROOT"
  rm -rf --one-file-system "$ROOT.new"
  timeout 1800 debootstrap --variant=minbase trixie "$ROOT.new" "$MIRROR" >"$CACHE/debootstrap.log" 2>&1 ||
    { tail -n 20 "$CACHE/debootstrap.log" >&2; fail "debootstrap failed (the whole log: $CACHE/debootstrap.log)"; }
  rm -rf --one-file-system "$ROOT"
  mv "$ROOT.new" "$ROOT"
  echo "$now" >"$ROOT/.made"
fi
grep -q '^13' "$ROOT/etc/debian_version" || fail "$ROOT is Debian $(cat "$ROOT/etc/debian_version"), not 13"
age_days=$(((now - $(cat "$ROOT/.made")) / 86400))

for dir in proc dev sys; do
  mkdir -p "$ROOT/$dir"
  case $dir in
  proc) mount -t proc proc "$ROOT/proc" ;;
  dev) mount --rbind /dev "$ROOT/dev" && mount --make-rslave "$ROOT/dev" ;;
  sys) mount -t sysfs sysfs "$ROOT/sys" ;;
  esac
  MOUNTED+=("$ROOT/$dir")
done
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"

# The tree as git has it (without builds or npm packages), times kept.
rm -rf --one-file-system "${ROOT:?}/$INNER"
mkdir -p "$ROOT/$INNER"
if git -C "$SOURCE" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$SOURCE" && git ls-files -z -co --exclude-standard | tar --null -cf - -T -) | tar -xf - -C "$ROOT/$INNER"
else
  tar -C "$SOURCE" --exclude='./build*' --exclude=node_modules -cf - . | tar -xf - -C "$ROOT/$INNER"
fi

# step NAME SECONDS COMMAND: one step in the root, timed; its output only on failure.
step() {
  local started=$SECONDS
  inside "$2" "$3" >"$CACHE/$1.log" 2>&1 || { tail -n 60 "$CACHE/$1.log" >&2; fail "$1 failed on Debian 13 (the whole log: $CACHE/$1.log)"; }
  echo "debian13: $1 in $((SECONDS - started)) s"
}
step install 1800 'scripts/install-deps run'
step release-build 1800 'scripts/build release'
step frame 300 'build/tools/render/heartcube-render --show build/show --time 42 -o build/frame.png'
size=$(identify -format '%wx%h' "$ROOT/$INNER/build/frame.png") || fail "the rendered frame is not a picture"
lit=$(convert "$ROOT/$INNER/build/frame.png" -colorspace Gray -format '%[fx:mean]' info:)
[ "$size" = 640x480 ] && awk "BEGIN { exit !($lit > 0.05) }" || fail "the frame at 42 s is $size, brightness $lit"
step fast-tests 2400 'scripts/test --quick'
echo "debian13: Debian $(cat "$ROOT/etc/debian_version") (root made $age_days days ago): $(grep -E 'tests passed' "$CACHE/fast-tests.log")"
