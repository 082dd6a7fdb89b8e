# Sourced by the window tests that need an X server of their own (to take away, or to run a window
# manager on), or an xvfb-run tried twice. Needs $work, a folder of the test's.

# Starts Xvfb at the size $1 (e.g. 800x600); it picks a free display itself (-displayfd), so that it
# never meets another test's server. Sets xpid and DISPLAY; false when no server came up.
start_own_x() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>/dev/null & xpid=$!
    for _ in $(seq 1 100); do
        if [ -s "$work/display" ]; then
            export DISPLAY=:$(head -1 "$work/display")
            return 0
        fi
        kill -0 $xpid 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# Prints the game's window once it is there; false after 10 s without it.
wait_for_window() {
    local id
    for _ in $(seq 1 200); do
        id=$(xdotool search --name '^VELMORAN$' 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}

# Runs $work/inner.sh (given $exe and $work) under xvfb-run with a screen of $1 (e.g. 1024x768), and
# ends the test with its result. A window that never shows (the inner script says "no window": the
# display server not ready yet on a loaded machine) gets one more try.
run_inner_under_xvfb() {
    local out
    for _ in 1 2; do
        out=$(xvfb-run -a -s "-screen 0 $1x24" bash "$work/inner.sh" "$exe" "$work" 2>&1) && { echo "$out"; exit 0; }
        echo "$out"
        echo "$out" | grep -qx "no window" || exit 1
        rm -rf "$work/user"
    done
    exit 1
}
