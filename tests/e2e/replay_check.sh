#!/usr/bin/env bash
# --verify on a golden recording: a one-byte edit in an input line is caught at the next digest, an
# edited digest at its own frame, a replay running past the recorded end is stopped (exit 1 all), and
# a file of an unknown version is refused (exit 2).
set -u
exe=$1 rec=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "$1"; cat "$work/out"; status=1; }
# The first pointer move after frame 100 moves one pixel further.
line=$(awk '$1 > 100 && $2 == "move" {print NR; exit}' "$rec")
frame=$(awk -v n="$line" 'NR == n {print $1}' "$rec")
awk -v n="$line" 'NR == n {$3 = $3 + 1} {print}' "$rec" > "$work/moved.rec"
want=$(awk -v f="$frame" '$2 == "digest" && $1 >= f {print $1; exit}' "$rec")
"$exe" --verify "$work/moved.rec" >"$work/out" 2>&1
[ $? = 1 ] || fail "an edited move was not refused"
grep -q "replay differs at frame $want:" "$work/out" || fail "expected the difference at frame $want"
# A digest edited by one hex digit is caught at that very frame.
dline=$(awk '$2 == "digest" && $1 > 300 {print NR; exit}' "$rec")
dframe=$(awk -v n="$dline" 'NR == n {print $1}' "$rec")
awk -v n="$dline" 'NR == n {c = substr($3, 1, 1); $3 = (c == "0" ? "1" : "0") substr($3, 2)} {print}' "$rec" > "$work/digest.rec"
"$exe" --verify "$work/digest.rec" >"$work/out" 2>&1
[ $? = 1 ] || fail "an edited digest was not refused"
grep -q "replay differs at frame $dframe:" "$work/out" || fail "expected the difference at frame $dframe"
# Without its close the replay would run on for ever: it is stopped past the recorded end and refused.
grep -v ' close$' "$rec" > "$work/open.rec"
"$exe" --verify "$work/open.rec" >"$work/out" 2>&1
[ $? = 1 ] || fail "a replay running past the recorded end was not refused"
sed '1s/.*/velmoran-input 99/' "$rec" > "$work/future.rec"
"$exe" --verify "$work/future.rec" >"$work/out" 2>&1
[ $? = 2 ] || fail "an unknown version was not refused with exit 2"
grep -q "version 99 is unknown" "$work/out" || fail "the refusal does not name the version"
exit $status
