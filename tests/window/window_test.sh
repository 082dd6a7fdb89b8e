#!/usr/bin/env bash
# Under Xvfb: --window --frames 120 opens a real window titled VELMORAN, presents and exits 0,
# and a second copy started meanwhile exits with -1.
set -u
exe=$1
inner=$(mktemp)
trap 'rm -f "$inner"' EXIT
cat > "$inner" <<'INNER'
set -u
exe=$1
export SDL_AUDIODRIVER=dummy
"$exe" --window --frames 120 --nosound & first=$!
title=""
for _ in $(seq 1 100); do
  title=$(xdotool search --name '^VELMORAN$' getwindowname 2>/dev/null | head -n1)
  [ -n "$title" ] && break
  sleep 0.05
done
"$exe" --window --frames 10 --nosound; second=$?
wait $first; first_rc=$?
echo "window title: '$title'; first copy exit $first_rc; second copy exit $second"
[ "$title" = VELMORAN ] && [ "$first_rc" = 0 ] && [ "$second" = 255 ]
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$exe"
