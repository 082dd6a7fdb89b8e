#!/usr/bin/env bash
# What a replay may cost is bounded: a script past a limit is refused with one line naming the file
# and the limit (exit 2), and --record's file is left as it was. A recording that cannot be written
# whole (a file-size limit) says so, exits non-zero, and also leaves the file as it was.
# Usage: replay_caps.sh VELMORAN
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

game=$work/game
mkdir -p "$game/Option" "$game/ScreenShots"
cp "$exe" "$game/velmoran"
ln -s "$(cd "$(dirname "$exe")" && pwd)/data" "$game/data"
run() { "$game/velmoran" --headless --nosound "$@"; }
rec=$work/f.rec
# The file keeps what it held and nothing is left beside it.
kept() {
  [ "$(cat "$rec")" = precious ] || fail "$1: the recording's file changed"
  [ -z "$(ls "$work" | grep -F f.rec.)" ] || fail "$1: left $(ls "$work" | grep -F f.rec.)"
}

# Scripts past a limit: the frame numbers, the work time, the record lines.
s=$work/s.input
refused() {  # what-the-line-says
  echo precious > "$rec"
  run --input "$s" --record "$rec" > "$work/out" 2>&1
  got=$?
  [ $got = 2 ] || fail "$1: exit $got, not 2"
  [ "$(wc -l < "$work/out")" = 1 ] && grep -qF "velmoran: $s:" "$work/out" && grep -qF "$1" "$work/out" ||
    fail "$1: not one line naming the file: $(cat "$work/out")"
  kept "$1"
}
printf 'velmoran-input 2\n12000001 close\n' > "$s"
refused "frame 12000001 is past 12000000, the limit for an input script"
{ echo 'velmoran-input 2'; for f in $(seq 1 2); do echo "$f work 600000"; done; } > "$s"
refused "the work lines add up to more than 600000 ms, the limit for an input script"
{ echo 'velmoran-input 2'; for v in $(seq 1 1000); do echo "record score.dat $v"; done; } > "$s"
refused "a second record line for score.dat"

# A recording past a file-size limit of 16 KiB (the program ignores SIGXFSZ, so the writes fail).
echo precious > "$rec"
(ulimit -f 16 && run --autoplay --frames 2000 --user-dir "$game" --record "$rec") > "$work/out" 2>&1
got=$?
[ $got != 0 ] || fail "a recording cut short by a file-size limit exited 0"
grep -qx "velmoran: the recording $rec could not be written completely" "$work/out" ||
  fail "no line for the cut recording: $(cat "$work/out")"
kept "file-size limit"
# The same run without the limit records, and the recording replaces the file.
run --autoplay --frames 2000 --user-dir "$game" --record "$rec" > "$work/out" 2>&1 || fail "recording: exit $?"
[ "$(head -n1 "$rec")" = "velmoran-input 2" ] || fail "the recording did not replace the file"
[ "$(wc -c < "$rec")" -gt 16384 ] || fail "the recording is too small to test the limit"

# --verify of a script with no end line stops a while after the last thing it needs, never runs on.
printf 'velmoran-input 2\n5 button left down\n6 button left up\n' > "$s"
timeout 60 "$game/velmoran" --verify "$s" > "$work/out" 2>&1
got=$?
[ $got != 124 ] || fail "--verify of a script with no end ran on"
grep -qx "frames 3605" "$work/out" || fail "--verify of a script with no end: $(cat "$work/out")"

# A --digest file cut short by a file-size limit says so too (its lines for 3605 frames need 90 KB).
(ulimit -f 4 && run --input "$s" --frames 3605 --digest "$work/d.txt") > "$work/out" 2>&1
got=$?
[ $got != 0 ] && grep -qx "velmoran: the digests $work/d.txt could not be written completely" "$work/out" ||
  fail "a cut --digest file: exit $got: $(cat "$work/out")"
exit $status
