#!/usr/bin/env bash
# Plays one input script headless and checks the lines "# expect-exit: N" and "# expect-summary:" in it.
# The summary expected is the rest of the script's "#= " lines, compared with what --summary writes.
set -u
exe=$1 script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
