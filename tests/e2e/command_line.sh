#!/usr/bin/env bash
# The command line: -h and --help, "--name=value" as well as "--name value", and files the run must
# write refused at once (exit 2) when they cannot be written; a missing data folder ends with 1.
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
check() {  # want-exit description command...
    local want=$1 what=$2
    shift 2
    "$@" >"$work/out" 2>&1
    local got=$?
    if [ "$got" != "$want" ]; then echo "$what: exit $got, expected $want"; cat "$work/out"; status=1; fi
}
check 0 "-h" "$exe" -h
grep -q -- '--summary FILE' "$work/out" || { echo "-h does not list --summary"; status=1; }
check 0 "--help" "$exe" --help
check 2 "unknown option" "$exe" --no-such-option
check 2 "--frames=abc" "$exe" --headless --frames=abc
check 2 "value on a switch" "$exe" --headless --nosound=1
check 0 "--frames=5 --summary=FILE" "$exe" --headless --nosound --frames=5 --summary="$work/s"
grep -qx 'frames 5' "$work/s" || { echo "--summary=FILE was not written"; status=1; }
for option in --summary --audio-capture --digest; do
    check 2 "$option into a missing folder" "$exe" --headless --nosound --frames 5 "$option" "$work/none/x"
    check 2 "$option=FILE into a missing folder" "$exe" --headless --nosound --frames 5 "$option=$work/none/x"
done
# No data beside the program: one line naming the folder and how to make it, before any window.
mkdir "$work/bare"
cp "$exe" "$work/bare/velmoran"
check 1 "no data folder" "$work/bare/velmoran" --headless --nosound --frames 5
grep -q "$work/bare/data is missing.*scripts/play.sh" "$work/out" || { echo "no data: unclear message"; cat "$work/out"; status=1; }
exit $status
