#!/usr/bin/env bash
# settings.ini through the real program: a change made while playing is kept (atomically, comments and
# unknown keys untouched, nothing planted written through), a corrupt file gives one line per bad value
# and a normal run, one that cannot be read whole gives one line and is never rewritten, --set
# overrides for one run and refuses unknown keys, and an unusable --user-dir or --data-dir ends with
# one line. A replay never writes the player's files, so the saves are made by a game in a window
# under Xvfb that xdotool resizes (that part is left out where they are not installed).
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
run() { "$exe" --headless --nosound --user-dir "$work/user" "$@" >"$work/out" 2>&1; }
temporaries() { ls "$work/user" | grep -c '^settings\.ini.'; }

# A game in a window whose size the player changes, so that it saves its settings on the way out
# (asked to quit once the change is made, so a slow start cannot end the game before it). Its
# own run-time folder keeps its one-copy lock apart from other window tests.
mkdir -p "$work/user" "$work/run"
chmod 700 "$work/run"
cat > "$work/resize.sh" <<'INNER'
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$3
# Under the sanitizers the leak checker would blame the display's own libraries (D-Bus, the GL driver).
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
"$1" --window --nosound --frames 6000 --user-dir "$2" & game=$!
for _ in $(seq 1 200); do
    id=$(xdotool search --name '^VELMORAN$' 2>/dev/null | head -1)
    [ -n "$id" ] && break
    sleep 0.05
done
# The first 30 frames' placement is the window system's, not the player's: a loaded machine may take
# a while to show them, so the size is changed twice, the second time well after them (a first change
# that came too early only moves the starting point).
sleep 3
[ -n "$id" ] && xdotool windowsize "$id" 720 540
sleep 2
[ -n "$id" ] && xdotool windowsize "$id" 800 600
# Then the game is asked to quit (the window system's quit, as at a logout), whenever it came up.
sleep 2
kill -TERM $game
wait $game
INNER
saves=no
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && saves=yes
# A display server that refused the game (SDL then finds no display; seen on a loaded machine) gets
# one more try.
resized_run() {
    local rc
    for _ in 1 2; do
        timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/resize.sh" "$exe" "$work/user" "$work/run" \
            >"$work/out" 2>&1
        rc=$?
        grep -q 'no display found' "$work/out" || break
    done
    return $rc
}

if [ $saves = yes ]; then
    printf '# my own notes\nfuture_key = kept\nmusic_volume = 70\n' > "$work/user/settings.ini"
    # A link planted where an older version put its temporary file: never written through.
    echo precious > "$work/victim"
    ln -s "$work/victim" "$work/user/settings.ini.new"
    resized_run || fail "the resized run failed: $(cat "$work/out")"
    grep -qx 'window_width = 800' "$work/user/settings.ini" ||
        fail "the window's size was not kept: $(cat "$work/out" "$work/user/settings.ini")"
    head -3 "$work/user/settings.ini" | tr '\n' '|' | grep -qx '# my own notes|future_key = kept|music_volume = 70|' ||
        fail "the player's lines changed: $(cat "$work/user/settings.ini")"
    [ "$(cat "$work/victim")" = precious ] || fail "the save wrote through a planted link"
    rm "$work/user/settings.ini.new"
    [ "$(temporaries)" = 0 ] || fail "a temporary file was left behind: $(ls "$work/user")"
else
    echo "xvfb-run or xdotool missing: the saves are not tried"
fi

# settings.ini there but not readable whole: the defaults, one line, a normal run, and the file (or
# whatever is in its place) left as it was, also by a game that saves.
{ printf 'mute = no\n'; head -c 1100000 /dev/zero | tr '\0' '#'; } > "$work/big"
printf '# mine\nmute = no\n' > "$work/mine.ini"
for what in folder big pipe; do
    rm -rf "$work/user/settings.ini"
    case $what in
    folder) mkdir "$work/user/settings.ini" ;;
    big) cp "$work/big" "$work/user/settings.ini" ;;
    pipe) mkfifo "$work/user/settings.ini" ;;
    esac
    before=$(stat -c '%F %s %Y' "$work/user/settings.ini")
    timeout 60 "$exe" --headless --nosound --user-dir "$work/user" --frames 20 >"$work/out" 2>&1 ||
        fail "$what: the run failed: $(cat "$work/out")"
    [ "$(grep -c 'settings.ini could not be read (.*); using the defaults, and it will not be changed' "$work/out")" = 1 ] ||
        fail "$what: no single line about the unread file: $(cat "$work/out")"
    if [ $saves = yes ] && [ $what != pipe ]; then
        resized_run || fail "$what: the resized run failed: $(cat "$work/out")"
        grep -q 'settings.ini is not written (it could not be read at start)' "$work/out" ||
            fail "$what: no line about the refused save: $(cat "$work/out")"
    fi
    [ "$(stat -c '%F %s %Y' "$work/user/settings.ini")" = "$before" ] || fail "$what: settings.ini was changed"
    [ "$(temporaries)" = 0 ] || fail "$what: a temporary file was left: $(ls "$work/user")"
done
rm -rf "$work/user/settings.ini"

# settings.ini as the player's link to a file kept elsewhere (dotfiles): read, and a save replaces the
# file it leads to, leaving the link a link.
ln -s "$work/mine.ini" "$work/user/settings.ini"
run --set music_volume=0 --frames 5 || fail "link: the run failed: $(cat "$work/out")"
grep -q 'could not be read' "$work/out" && fail "link: not read: $(cat "$work/out")"
if [ $saves = yes ]; then
    resized_run || fail "link: the resized run failed: $(cat "$work/out")"
    [ -L "$work/user/settings.ini" ] || fail "link: the save replaced the link"
    grep -qx 'window_width = 800' "$work/mine.ini" || fail "link: the file it leads to was not saved: $(cat "$work/mine.ini")"
    head -1 "$work/mine.ini" | grep -qx '# mine' || fail "link: the player's lines changed: $(cat "$work/mine.ini")"
fi
rm -f "$work/user/settings.ini"

# A window larger than any the system makes would stop every start: the default, with one line.
printf 'window_width = 32767\nwindow_height = 32767\n' > "$work/user/settings.ini"
run --frames 5 || fail "a huge window size stopped the game: $(cat "$work/out")"
grep -q 'window_width takes a whole number from 0 to 16384, not "32767"; using 0' "$work/out" ||
    fail "no line for window_width: $(cat "$work/out")"

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
