#!/usr/bin/env bash
# The Debian package from the outside: built, passed by lintian, installed, every
# file where Debian puts it, the installed programs finding the installed show
# from anywhere, and nothing left once it is purged. Installing needs root; the
# machine's package state is shared with whatever else runs on it, so one run at a
# time (a lock), and an installed heartcube that is not ours is never touched.
source "$(dirname "$0")/../support/harness.sh"
: "${BUILD:?}" "${RENDER:?}" "${PREFIX:?}" "${VERSION:?}"

[ "$PREFIX" = /usr ] || skip "this build installs under $PREFIX; a package needs /usr (the release preset)"
[ "$(id -u)" = 0 ] || skip "installing a package needs root"

mkdir -p /run/lock
exec 9>/run/lock/heartcube-package-test.lock
flock -w 600 9 || fail "another run of this test held the lock for 10 minutes"
status=$(dpkg-query -W -f='${db:Status-Status}' heartcube 2>/dev/null || true)
[ -z "$status" ] || [ "$status" = not-installed ] || skip "a heartcube package is $status here already, and stays so"

INSTALLED=0
remove_package() {
  [ $INSTALLED = 1 ] && apt-get purge -y -qq -o DPkg::Lock::Timeout=600 heartcube >"$WORK/purge.log" 2>&1
  cleanup
}
trap remove_package EXIT

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log" >&2; fail "cpack failed"; }
ARCH=$(dpkg --print-architecture)
DEB=$WORK/package/heartcube_${VERSION}_${ARCH}.deb
[ -f "$DEB" ] || fail "no $DEB"

TMPDIR=$WORK lintian --fail-on error,warning "$DEB" >"$WORK/lintian" 2>&1 || { cat "$WORK/lintian" >&2; fail "lintian"; }

start=$(date +%s.%N)
apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$DEB" >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log" >&2; fail "the package did not install"; }
INSTALLED=1

# Every file where Debian puts it, and no other.
SHOW_DIR=/usr/share/games/heartcube
{
  printf '/usr/games/%s\n' heartcube heartcube-render heartcube-tga
  echo $SHOW_DIR/Dezira.mp3
  (cd "$SHOW/data" && printf "$SHOW_DIR/data/%s\n" *.tga)
  echo /usr/share/applications/heartcube.desktop
  for size in 16 22 24 32 48 64 128 256; do
    echo "/usr/share/icons/hicolor/${size}x${size}/apps/heartcube.png"
  done
  printf '/usr/share/man/man6/%s.6.gz\n' heartcube heartcube-render heartcube-tga
  printf '/usr/share/doc/heartcube/%s\n' copyright changelog.gz
} | sort >"$WORK/expected"
dpkg -L heartcube | while read -r path; do [ -f "$path" ] && echo "$path"; done | sort >"$WORK/files"
diff "$WORK/expected" "$WORK/files" >&2 || fail "the package's files are not those expected (- missing, + extra)"
cmp -s "$SHOW/Dezira.mp3" $SHOW_DIR/Dezira.mp3 || fail "the installed soundtrack differs from the build's"
for icon in /usr/share/icons/hicolor/*/apps/heartcube.png; do
  size=$(basename "$(dirname "$(dirname "$icon")")")
  [ "$(identify -format '%wx%h' "$icon")" = "$size" ] || fail "$icon is not $size"
done
desktop-file-validate /usr/share/applications/heartcube.desktop || fail "the desktop entry is not valid"
# Each program knows its version, and its page documents every option it lists.
for program in heartcube heartcube-render heartcube-tga; do
  [ "$(/usr/games/$program --version)" = "$program $VERSION" ] || fail "$program --version: wrong"
  for option in $(/usr/games/$program --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    zcat /usr/share/man/man6/$program.6.gz | grep -qF -- "${option//-/\\-}" ||
      fail "the manual page of $program does not mention $option"
  done
done

# From a folder holding no show, the installed renderer draws the installed show
# exactly as the build's renderer draws the build's, and says which show it is.
NAMED="show: playing the installed show in $SHOW_DIR"
mkdir "$WORK/elsewhere"
(cd "$WORK/elsewhere" && /usr/games/heartcube-render --time 3 -o installed.png 2>"$WORK/err") ||
  fail "the installed renderer failed: $(cat "$WORK/err")"
[ "$(cat "$WORK/err")" = "$NAMED" ] || fail "the renderer did not say once which show it draws: $(cat "$WORK/err")"
seconds=$(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }")
echo "package: from installing the package to a rendered frame: $seconds s"
render_frame title 3
cmp -s "$WORK/title.png" "$WORK/elsewhere/installed.png" || fail "the installed show's title differs from the build's"

# And so does the installed program, on screen, until Escape.
HEARTCUBE=/usr/games/heartcube PLAY_FROM="$WORK/elsewhere" start_show 640x480
window_id >/dev/null
expect_frame title 640x480+0+0 10
xdotool key Escape
expect_exit 0 15
expect_output "$NORMAL_OUTPUT"
expect_quiet_stderr "^$NAMED\$"
[ "$(grep -cxF "$NAMED" "$WORK/err")" = 1 ] || fail "the program did not say once which show it plays"

# Purged, nothing of it is left.
apt-get purge -y -qq -o DPkg::Lock::Timeout=600 heartcube >"$WORK/purge.log" 2>&1 ||
  { cat "$WORK/purge.log" >&2; fail "the package did not purge"; }
INSTALLED=0
while read -r path; do [ ! -e "$path" ] || fail "$path is left after purging"; done <"$WORK/files"
for dir in $SHOW_DIR /usr/share/doc/heartcube; do [ ! -e $dir ] || fail "$dir is left after purging"; done
