#!/usr/bin/env bash
# Under a window manager (openbox) a window the player moved comes back where it was left, run after
# run, and after a round trip through full screen (it used to come back a title bar lower each time).
set -u
exe=$1
command -v openbox >/dev/null || { echo "openbox is not installed: skipped"; exit 0; }
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$work/user" "$work/run"
chmod 700 "$work/run"
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work/run
source "$(dirname "$0")/own_display.sh"
start_own_x 1280x1024 || fail "no Xvfb"
pids+=($xpid)
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1

position() { xdotool getwindowgeometry "$1" | awk '/Position/ {print $2}'; }
start() {
    "$exe" --window --nosound --user-dir "$work/user" >"$work/out" 2>&1 & game=$!
    window=$(wait_for_window) || fail "the window never appeared: $(cat "$work/out")"
    sleep 3  # the start-up's own placement settles first
}
stop() {
    kill -TERM $game
    wait $game || fail "exit $? after SIGTERM: $(cat "$work/out")"
}

start
xdotool windowmove "$window" 200 150
sleep 1
left=$(position "$window")
stop
for run in 2 3; do
    start
    [ "$(position "$window")" = "$left" ] || fail "run $run: at $(position "$window"), left at $left"
    xdotool key --window "$window" alt+Return
    sleep 1.5
    xdotool key --window "$window" alt+Return
    sleep 1.5
    [ "$(position "$window")" = "$left" ] || fail "run $run: at $(position "$window") after full screen, left at $left"
    stop
done
echo "the window comes back where it was left: $left"
