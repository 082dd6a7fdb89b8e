#!/usr/bin/env bash
# A long played game, 20,000 frames headless: fire tapped every 6 frames while the ship sweeps round the
# ring, a screenshot now and then, and every game started again from the title once it ends. It must
# run to the end and exit 0; the sanitizer build runs it to reach whatever a long game reaches.
set -u
exe=$1 frames=${2:-20000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/velmoran"
ln -s "$(cd "$(dirname "$exe")" && pwd)/data" "$work/data"
mkdir -p "$work/Option" "$work/ScreenShots"
{
  echo "velmoran-input 1"
  echo "seed 20000"
  for ((f = 5; f < frames; f += 6)); do
    echo "$f button left down"
    echo "$((f + 1)) button left up"
    # A sweep that changes direction every 600 frames, so the ship meets enemies on every side.
    (( f % 12 == 5 )) && echo "$f rel $(( (f / 600) % 2 ? -7 : 9 )) 0"
    (( f % 2999 < 6 )) && echo "$f key 25 down" && echo "$((f + 1)) key 25 up"
  done
} >"$work/long.input"
"$work/velmoran" --headless --nosound --frames "$frames" --input "$work/long.input" --summary "$work/summary" \
  >"$work/out" 2>&1
got=$?
status=0
if [ $got != 0 ]; then echo "exit code $got, expected 0"; tail -n 60 "$work/out"; status=1; fi
if ! grep -qx "frames $frames" "$work/summary" 2>/dev/null; then
  echo "the run did not reach frame $frames:"; cat "$work/summary" 2>/dev/null; status=1
fi
echo "summary: $(tr '\n' ' ' <"$work/summary" 2>/dev/null); screenshots: $(ls "$work/ScreenShots" | wc -l)"
exit $status
