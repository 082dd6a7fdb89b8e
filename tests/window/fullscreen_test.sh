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
# A window that never shows (the display server not ready yet on a loaded machine) gets one more try.
for attempt in 1 2; do
    out=$(xvfb-run -a -s "-screen 0 1280x720x24" bash "$work/inner.sh" "$exe" "$work" 2>&1) && { echo "$out"; exit 0; }
    echo "$out"
    echo "$out" | grep -qx "no window" || exit 1
    rm -rf "$work/user"
done
exit 1
