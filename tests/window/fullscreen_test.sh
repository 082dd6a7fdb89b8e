#!/usr/bin/env bash
# Under Xvfb with no window manager, on a wide screen: Alt+Enter from a window covers the whole screen
# (not only its top-left part), back again restores the window, and the last choice (a window) goes
# to settings.ini.
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/inner.sh" <<'INNER'
set -u
exe=$1 work=$2
export SDL_AUDIODRIVER=dummy
"$exe" --window --frames 600 --nosound --user-dir "$work/user" & pid=$!
for _ in $(seq 1 200); do xdotool search --name '^VELMORAN$' >/dev/null 2>&1 && break; sleep 0.05; done
win=$(xdotool search --name '^VELMORAN$' | head -1)
[ -n "$win" ] || { echo "no window"; kill $pid; exit 1; }
sleep 0.5
xdotool key --window "$win" alt+Return; sleep 1
full=$(xdotool getwindowgeometry "$win" | tr -d ' ' | grep Geometry)
xdotool key --window "$win" alt+Return; sleep 1
back=$(xdotool getwindowgeometry "$win" | tr -d ' ' | grep Geometry)
wait $pid; rc=$?
echo "full screen: $full; window again: $back; exit $rc"
[ "$full" = Geometry:1280x720 ] && [ "$back" = Geometry:640x480 ] && [ $rc = 0 ] &&
    grep -qx 'fullscreen = no' "$work/user/settings.ini"
INNER
source "$(dirname "$0")/own_display.sh"
run_inner_under_xvfb 1280x720
