#!/usr/bin/env bash
# The end of a game in a window that the player did not ask for through the window: the X server going
# away ends it within a second with one line and exit 1, its one-copy lock released so that the next
# start works; SIGHUP ends it in order (exit 0, a change the player made kept in settings.ini).
set -u
exe=$1
work=$(mktemp -d)
xpid=
cleanup() {
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$work/user" "$work/run"
chmod 700 "$work/run"
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work/run

source "$(dirname "$0")/own_display.sh"
ends_within() {  # pid, tenths of a second
    for _ in $(seq 1 "$2"); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# 1. The display goes away under a running game, three times (the old failure came in most tries).
for try in 1 2 3; do
    start_own_x 800x600 || fail "no Xvfb could be started"
    "$exe" --window --nosound --user-dir "$work/user" >"$work/out" 2>&1 & game=$!
    wait_for_window >/dev/null || fail "the window never appeared: $(cat "$work/out")"
    sleep 0.$((try * 3))
    kill "$xpid"; wait "$xpid" 2>/dev/null; xpid=
    if ! ends_within $game 20; then
        kill -9 $game
        fail "try $try: the game went on for 2 s after its display went away"
    fi
    wait $game; rc=$?
    [ $rc = 1 ] || fail "try $try: exit $rc after the display went away: $(cat "$work/out")"
    [ "$(grep -c 'the display has gone away' "$work/out")" = 1 ] || fail "try $try: $(cat "$work/out")"
done

# 2. The lock went with it: the next start plays and ends normally.
start_own_x 800x600 || fail "no Xvfb could be started"
"$exe" --window --nosound --user-dir "$work/user" --frames 30 >"$work/out" 2>&1 || fail "the next start failed: $(cat "$work/out")"

# 3. SIGHUP (a closed terminal) ends the game in order: the mute the player chose is kept.
"$exe" --window --nosound --user-dir "$work/user" >"$work/out" 2>&1 & game=$!
window=$(wait_for_window) || fail "the window never appeared"
xdotool key --window "$window" m
sleep 0.5
kill -HUP $game
ends_within $game 30 || { kill -9 $game; fail "SIGHUP did not end the game"; }
wait $game; rc=$?
[ $rc = 0 ] || fail "exit $rc after SIGHUP: $(cat "$work/out")"
grep -qx 'mute = yes' "$work/user/settings.ini" 2>/dev/null ||
    fail "the mute was not kept: $(cat "$work/out" "$work/user/settings.ini" 2>&1)"
echo "display lost: ends at once with one line; SIGHUP ends in order"
