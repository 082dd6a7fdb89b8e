#!/usr/bin/env bash
# --input on a recording that carries its record files plays from those, not from the player's, and
# leaves the player's records as they were: a recording started from the stage select at stage 600
# replays to its recorded end digest beside records that allow stage 1 only.
# Usage: replay_records.sh VELMORAN NAME.rec
set -u
exe=$1 rec=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/velmoran"
ln -s "$(cd "$(dirname "$exe")" && pwd)/data" "$work/data"
mkdir -p "$work/Option" "$work/ScreenShots"
printf '1\r\n' > "$work/Option/start.dat"
printf '5\r\n' > "$work/Option/score.dat"
"$work/velmoran" --headless --nosound --input "$rec" --summary "$work/summary" >"$work/out" 2>&1
got=$?
status=0
[ $got = 0 ] || { echo "the replay exited $got"; cat "$work/out"; status=1; }
want=$(awk '$2 == "end" {print "digest " $3}' "$rec")
grep -qx "$want" "$work/summary" || { echo "the replay did not reach the recorded end ($want):"; cat "$work/summary"; status=1; }
[ "$(cat "$work/Option/start.dat")" = $'1\r' ] && [ "$(cat "$work/Option/score.dat")" = $'5\r' ] ||
    { echo "the player's records changed"; status=1; }
exit $status
