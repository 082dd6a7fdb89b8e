#!/usr/bin/env bash
# Under Xvfb: the window shows what the game presents, and what was presented once stays shown. The
# title in the window differs from the game's own screenshot only where it blinks; paused (no frame
# presented), the picture is the same after the window is unmapped and mapped again, carries the mute
# notice while it is due and comes back exactly as it was once the notice has gone.
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/inner.sh" <<'INNER'
set -u
exe=$1 work=$2
export SDL_AUDIODRIVER=dummy
"$exe" --window --nosound --user-dir "$work/user" & pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT
for _ in $(seq 1 200); do xdotool search --name '^VELMORAN$' >/dev/null 2>&1 && break; sleep 0.05; done
win=$(xdotool search --name '^VELMORAN$' | head -1)
[ -n "$win" ] || { echo "no window"; exit 1; }
differ() { compare -metric AE "$1" "$2" null: 2>&1; }
shot() { convert "x:$win" "$work/$1.png"; }
sleep 2
xdotool key --window "$win" p; sleep 0.5
shot title
for _ in $(seq 1 40); do [ -f "$work/user/ScreenShots/SS0000.bmp" ] && break; sleep 0.1; done
convert "$work/user/ScreenShots/SS0000.bmp" "$work/saved.png"
title=$(differ "$work/title.png" "$work/saved.png")
xdotool key --window "$win" F1; sleep 0.5
shot paused
xdotool windowunmap --sync "$win"; sleep 0.3; xdotool windowmap --sync "$win"; sleep 0.5
shot mapped
xdotool key --window "$win" m; sleep 0.4
shot notice
sleep 2
shot after
mapped=$(differ "$work/paused.png" "$work/mapped.png")
notice=$(differ "$work/paused.png" "$work/notice.png")
after=$(differ "$work/paused.png" "$work/after.png")
echo "pixels differing: title from its screenshot $title, paused after a map $mapped, with the notice $notice, after it $after"
[ "$title" -lt 2000 ] && [ "$mapped" = 0 ] && [ "$notice" -gt 500 ] && [ "$after" = 0 ]
INNER
source "$(dirname "$0")/own_display.sh"
run_inner_under_xvfb 1024x768
