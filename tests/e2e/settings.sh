#!/usr/bin/env bash
# settings.ini through the real program: the M key's change is kept (atomically, comments and unknown
# keys untouched), a corrupt file gives one line per bad value and a normal run, --set overrides for
# one run and refuses unknown keys, and an unusable --user-dir or --data-dir ends with one line.
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
run() { "$exe" --headless --nosound --user-dir "$work/user" "$@" >"$work/out" 2>&1; }

mkdir -p "$work/user"
printf '# my own notes\nfuture_key = kept\nmusic_volume = 70\n' > "$work/user/settings.ini"
printf 'velmoran-input 1\n5 key 50 down\n6 key 50 up\n' > "$work/mute.input"
run --frames 20 --input "$work/mute.input" || fail "the mute run failed: $(cat "$work/out")"
grep -qx 'mute = yes' "$work/user/settings.ini" || fail "M was not kept: $(cat "$work/user/settings.ini")"
head -3 "$work/user/settings.ini" | tr '\n' '|' | grep -qx '# my own notes|future_key = kept|music_volume = 70|' ||
    fail "the player's lines changed: $(cat "$work/user/settings.ini")"
[ ! -e "$work/user/settings.ini.new" ] || fail "the temporary file was left behind"

# Nothing changes in the game: the file is not touched.
cp "$work/user/settings.ini" "$work/before"
touch -d '2000-01-01' "$work/user/settings.ini"
run --frames 20 || fail "a plain run failed"
[ "$(stat -c %Y "$work/user/settings.ini")" = "$(date -d 2000-01-01 +%s)" ] || fail "settings.ini rewritten without a change"

# Corrupt: junk bytes, bad values. One line per bad value, then a normal run.
{ printf 'vsync = maybe\n\x00\xff\xfe garbage ==== \n effects_volume = -3\n'; head -c 3000 /dev/urandom; } > "$work/user/settings.ini"
run --frames 20 || fail "a corrupt settings.ini stopped the game: $(cat "$work/out")"
[ "$(grep -c 'settings.ini line' "$work/out")" -ge 2 ] || fail "bad values not reported: $(cat "$work/out")"
grep -q 'vsync takes yes or no' "$work/out" || fail "no line for vsync"

# --set: this run only; an unknown key or a bad value is a usage error.
printf 'mute = no\n' > "$work/user/settings.ini"
run --frames 5 --set mute=yes || fail "--set mute=yes failed"
grep -qx 'mute = no' "$work/user/settings.ini" || fail "--set was written to the file"
run --frames 5 --set no_such_key=1; [ $? = 2 ] || fail "--set with an unknown key did not exit 2"
run --frames 5 --set effects_volume=loud; [ $? = 2 ] || fail "--set with a bad value did not exit 2"

# Folders that cannot be used: one line, exit 2.
"$exe" --headless --nosound --frames 5 --data-dir "$work/user" >"$work/out" 2>&1; rc=$?
[ $rc = 2 ] && [ "$(wc -l < "$work/out")" = 1 ] || fail "--data-dir without data: exit $rc, $(cat "$work/out")"
touch "$work/file"
"$exe" --headless --nosound --frames 5 --user-dir "$work/file/sub" >"$work/out" 2>&1; rc=$?
[ $rc = 2 ] && [ "$(wc -l < "$work/out")" = 1 ] || fail "--user-dir unusable: exit $rc, $(cat "$work/out")"
exit $status
