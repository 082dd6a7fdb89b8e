#!/usr/bin/env bash
# Plays one input script headless and checks its expectations: "# expect-exit: N" (the exit code) and
# "#= LINE" (a line that the run's --summary must contain). "# args: ..." adds options, and
# "# record: FILE VALUE" puts a record file into Option/ first. Each run has a folder of its own
# (a copy of the program beside the data), so records and screenshots never leak between runs.
set -u
exe=$1 script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/velmoran"
ln -s "$(cd "$(dirname "$exe")" && pwd)/data" "$work/data"
mkdir -p "$work/Option" "$work/ScreenShots"
sed -n 's/^# record: *//p' "$script" | while read -r file value; do printf '%s\r\n' "$value" > "$work/Option/$file"; done
exe="$work/velmoran"
want_exit=$(sed -n 's/^# expect-exit: *//p' "$script" | head -n1)
extra=$(sed -n 's/^# args: *//p' "$script" | head -n1)
# shellcheck disable=SC2086
"$exe" --headless --nosound --input "$script" --summary "$work/summary" $extra >"$work/out" 2>&1
got=$?
status=0
if [ -n "$want_exit" ] && [ "$got" != "$want_exit" ]; then
  echo "exit code $got, expected $want_exit"; cat "$work/out"; status=1
fi
sed -n 's/^#= //p' "$script" > "$work/want"
if [ -s "$work/want" ]; then
  if ! grep -F -x -f "$work/want" "$work/summary" > "$work/hit" || [ "$(wc -l < "$work/hit")" != "$(wc -l < "$work/want")" ]; then
    echo "summary differs; expected lines:"; cat "$work/want"; echo "got:"; cat "$work/summary" 2>/dev/null; status=1
  fi
fi
exit $status
