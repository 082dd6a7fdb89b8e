#!/usr/bin/env bash
# A replay is a stranger's file: it plays in a scratch folder of its own, never reads an archive planted
# above the game's folder, never empties a file it was also asked to write, and its scratch folder goes
# when a signal ends it or, left by a killed run, at the next replay.
# Usage: replay_isolation.sh VELMORAN
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=$(cd "$(dirname "$exe")" && pwd)/data
status=0
fail() { echo "FAIL: $*"; status=1; }

game=$work/game
mkdir -p "$game/Option" "$game/ScreenShots" "$work/tmp"
cp "$exe" "$game/velmoran"
ln -s "$data" "$game/data"
printf '1\r\n' > "$game/Option/start.dat"
printf '5\r\n' > "$game/Option/score.dat"
export TMPDIR=$work/tmp
scratch_base=$TMPDIR/velmoran-$(id -u)

# A script with no record lines that starts a game, takes screenshots and plays a while.
script=$work/shots.input
{
  echo "velmoran-input 1"
  echo "2 move 100 260"
  echo "3 button left down"
  echo "4 button left up"
  for f in $(seq 20 4 400); do echo "$f key 25 down"; echo "$((f + 2)) key 25 up"; done
} > "$script"

# A planted archive named after the game's folder: a valid header whose tables do not fit, which the
# game names on stderr whenever it looks at it.
mkdir -p "$work/pack/se"
echo x > "$work/pack/se/a.wav"
"$(dirname "$exe")/velmoran-archive" pack "$work/pack" >/dev/null || fail "velmoran-archive pack"
head -c 40 "$work/pack.ZRA" > "$game.ZRA"

run() { "$game/velmoran" --headless --nosound "$@"; }

# 1. The player's records and screenshots stay as they were; the planted archive is not read.
run --input "$script" --frames 600 --summary "$work/summary" > "$work/out" 2>&1 || fail "the replay exited $?"
[ "$(cat "$game/Option/start.dat")" = $'1\r' ] && [ "$(cat "$game/Option/score.dat")" = $'5\r' ] ||
  fail "the player's records changed"
[ ! -e "$game/Option/savess.dat" ] || fail "the replay wrote the player's savess.dat"
[ -z "$(ls "$game/ScreenShots")" ] || fail "the replay wrote screenshots into the player's folder"
grep -qx "highestStage 1" "$work/summary" && grep -qx "highScore 0" "$work/summary" ||
  { fail "a record-less replay did not start from empty records"; cat "$work/summary"; }
grep -q "damaged" "$work/out" && fail "the archive above the game's folder was read: $(cat "$work/out")"
[ -z "$(ls -A "$scratch_base")" ] || fail "the scratch folder was left behind: $(ls "$scratch_base")"
# The same archive as the game's own data.ZRA is read (and named as damaged): the check above can fail.
mkdir -p "$work/game2"
cp "$exe" "$work/game2/velmoran"
ln -s "$data" "$work/game2/data"
cp "$game.ZRA" "$work/game2/data.ZRA"
"$work/game2/velmoran" --headless --nosound --input "$script" --frames 30 > "$work/out2" 2>&1
grep -q "damaged" "$work/out2" || fail "the game's own data.ZRA was not read: $(cat "$work/out2")"

# 2. A file named twice is refused before anything is written; a usage error leaves --record's file.
echo "precious" > "$work/f.rec"
for args in "--record $work/f.rec --input $work/f.rec" "--verify $work/f.rec --record $work/f.rec" \
            "--input $script --summary $script" "--record $work/f.rec --frames 0"; do
  # shellcheck disable=SC2086
  run $args > "$work/out" 2>&1
  got=$?
  [ $got = 2 ] || fail "$args: exit $got, not 2"
  [ "$(cat "$work/f.rec")" = precious ] || fail "$args: emptied the file"
done
run --record "$work/f.rec" --input "$work/f.rec" 2>&1 | grep -q "name the same file" || fail "no line for a file named twice"

# 3. A stale scratch folder of a run that was killed goes at the next replay; a signal removes the
# folder of the replay it ends.
mkdir -p "$scratch_base/replay-999999999-1/Option"
run --input "$script" --frames 30 > /dev/null 2>&1
[ ! -e "$scratch_base/replay-999999999-1" ] || fail "a stale scratch folder was left"
for sig in TERM HUP INT; do
  "$game/velmoran" --headless --nosound --input "$script" --frames 100000000 > /dev/null 2>&1 &
  pid=$!
  for _ in $(seq 50); do [ -n "$(ls -A "$scratch_base")" ] && break; sleep 0.1; done
  [ -n "$(ls -A "$scratch_base")" ] || fail "SIG$sig: no scratch folder seen"
  kill -"$sig" $pid
  wait $pid 2>/dev/null
  [ -z "$(ls -A "$scratch_base")" ] || fail "SIG$sig left the scratch folder: $(ls "$scratch_base")"
done

# 4. A private folder's name taken in /tmp (here: open to others) does not stop a replay: it plays in
# a fresh folder of its own beside it, removed at its end.
mkdir -p "$work/tmp2/velmoran-$(id -u)"
chmod 755 "$work/tmp2/velmoran-$(id -u)"
TMPDIR=$work/tmp2 run --input "$script" --frames 30 > "$work/out" 2>&1 || fail "taken private folder: exit $?: $(cat "$work/out")"
[ "$(ls "$work/tmp2")" = "velmoran-$(id -u)" ] || fail "taken private folder: left $(ls "$work/tmp2")"

exit $status
