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
script=$work/play.input
cat > "$script" <<'INPUT'
velmoran-input 1
# Start a game (row 0), play a while, save a screenshot, quit.
2 move 100 250
5 button left down
6 button left up
200 key 25 down
201 key 25 up
300 key 1 down
INPUT
run=(env -i PATH=/usr/bin:/bin HOME="$home" "$prefix/bin/velmoran" --headless --nosound --verbose
     --input "$script" --summary "$work/summary.txt")
if [ "$(id -u)" = 0 ]; then
  chown -R nobody:nogroup "$home" "$work"
  chmod a+rx "$work"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups "${run[@]}")
fi
"${run[@]}" 2> "$work/stderr.txt" || { cat "$work/stderr.txt"; fail "the installed game did not end normally"; }
cat "$work/stderr.txt"
grep -q "data from $prefix/share/velmoran" "$work/stderr.txt" || fail "data not read from the prefix"
shot=$home/.local/share/velmoran/ScreenShots/SS0000.bmp
[ -f "$shot" ] || fail "the screenshot is not in the XDG folder"
grep -qx 'exit 0' "$work/summary.txt" || fail "summary: $(cat "$work/summary.txt")"
if command -v compare >/dev/null; then
  # A stage was loaded from the installed data: the screenshot shows the panel's top beside the field.
  convert "$shot" -crop 160x50+480+0 +repage "$work/a.png"
  convert "$prefix/share/velmoran/data/waku.bmp" -crop 160x50+0+0 +repage "$work/b.png"
  [ "$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1)" = 0 ] || fail "no stage in the screenshot"
fi
[ "$(tr -d '\r' < "$home/.local/share/velmoran/Option/savess.dat")" = 1 ] || fail "savess.dat not in the XDG folder"
grep -q "Option cannot be written; records go to" "$work/stderr.txt" || fail "no line about the unwritable Option/"
grep -qx 'highScore 4321' "$work/summary.txt" || fail "the records beside the program were not taken over"
[ -z "$(find "$prefix" -newer "$script" -type f)" ] || fail "the game wrote into its prefix"
echo "installed game: layout, validators and a read-only run as $(stat -c %U "$home") pass"
