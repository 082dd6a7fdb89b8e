#!/usr/bin/env bash
# Installs the build into a fresh prefix, checks the layout, validates the desktop entry, the AppStream
# metainfo and the man page, then plays the installed game headless from the read-only prefix as a
# user who is not root: its records must land in that user's XDG folder.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
for f in bin/velmoran share/velmoran/data/titleback.bmp share/velmoran/data/map share/doc/velmoran/README.md \
         share/man/man6/velmoran.6 share/applications/org.velmoran.Velmoran.desktop \
         share/metainfo/org.velmoran.Velmoran.metainfo.xml; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256 512; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/velmoran.png
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
  if command -v identify >/dev/null; then
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "$icon is not ${size}x${size}"
  fi
done

svg=$prefix/share/icons/hicolor/scalable/apps/velmoran.svg
[ -f "$svg" ] || fail "no scalable icon"
if command -v xmllint >/dev/null; then xmllint --noout "$svg" || fail "the scalable icon is not well-formed"; fi
desktop-file-validate "$prefix/share/applications/org.velmoran.Velmoran.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.velmoran.Velmoran.metainfo.xml" || fail "metainfo"
# The man page renders without a warning.
warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$prefix/share/man/man6/velmoran.6" 2>&1)
[ -z "$warnings" ] || fail "man page: $warnings"
man -l "$prefix/share/man/man6/velmoran.6" 2>/dev/null | grep -q 'settings.ini' || fail "man page does not render"

# Play from the read-only prefix as a plain user with a home of their own. An Option/ left beside
# the program, which that user cannot write, hands its records over to the user's folder.
mkdir "$prefix/bin/Option"
printf '4321\r\n' > "$prefix/bin/Option/score.dat"
chmod -R a-w "$prefix"
home=$work/home
mkdir -p "$home"
stamp=$work/stamp
touch "$stamp"
# A plain game, played by the autopilot (a replay would play in a scratch folder of its own and keep
# nothing): it starts a stage from the installed data and keeps its records in the XDG folder.
run=(env -i PATH=/usr/bin:/bin HOME="$home" "$prefix/bin/velmoran" --headless --nosound --verbose
     --autoplay --frames 1500 --summary "$work/summary.txt")
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$home" "$work"
  chmod a+rx "$work"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${run[@]}")
fi
"${run[@]}" 2> "$work/stderr.txt" || { cat "$work/stderr.txt"; fail "the installed game did not end normally"; }
cat "$work/stderr.txt"
grep -q "data from $prefix/share/velmoran" "$work/stderr.txt" || fail "data not read from the prefix"
grep -qx 'exit 0' "$work/summary.txt" || fail "summary: $(cat "$work/summary.txt")"
# Points are scored only by shooting what a stage map sent.
grep -qx 'score 0' "$work/summary.txt" && fail "no stage was played: $(cat "$work/summary.txt")"
user=$home/.local/share/velmoran
[ -d "$user/ScreenShots" ] || fail "no ScreenShots folder in the XDG folder"
[ "$(tr -d '\r' < "$user/Option/savess.dat")" = 0 ] || fail "savess.dat not in the XDG folder"
grep -q "Option cannot be written; records go to" "$work/stderr.txt" || fail "no line about the unwritable Option/"
grep -qx 'highScore 4321' "$work/summary.txt" || fail "the records beside the program were not taken over"
[ -z "$(find "$prefix" -newer "$stamp" -type f)" ] || fail "the game wrote into its prefix"
echo "installed game: layout, validators and a read-only run as $(stat -c %U "$home") pass"
