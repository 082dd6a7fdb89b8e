#!/usr/bin/env bash
# The page in a real browser: Debian's chromium, headless, loads the page from a server of its own
# on 127.0.0.1, clicks START, plays an input script, and prints the last frame's digest; the canvas
# is read back at 640 x 480. Both must equal the native program's on the same script: the digest
# its headless run writes, and the picture its window (SDL's dummy driver, which saves each frame
# it shows) showed last; Debian's Firefox, headless too, must reach the same digest. Then a game's
# settings and records must outlive a reload of the page, and
# a replay the player watches must leave the player's folder as it was. Then a whole game played in the
# page keeps its high score across a reload and its downloaded replay verifies natively, a hidden tab
# pauses the game, and a finger steers and fires.
# Usage: tests/web/page_test.sh [BUILD_PAGE] [NATIVE_BUILD]   (default build-page and build)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
page=${1:-${VELMORAN_PAGE_BUILD_DIR:-$root/build-page}}
native=${2:-${VELMORAN_BUILD_DIR:-$root/build}}
script=$root/tests/e2e/played_game.input
frames=${PAGE_TEST_FRAMES:-400}
for need in "$page/game.js" "$native/velmoran" /usr/bin/chromium /usr/bin/firefox-esr; do
  [ -e "$need" ] || { echo "page tests: no $need (scripts/build-web.sh, scripts/build.sh, install-deps.sh web)" >&2; exit 1; }
done
scratch=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0 failed=0
result() {  # NAME STATUS [DETAILS FILE]
  if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "web.page.$1: passed"
  else failed=$((failed + 1)); echo "web.page.$1: FAILED"; [ -n "${3:-}" ] && cat "$3"; fi
}

# The server, on a free port; the e2e scripts are served under /e2e/, this folder under /web-tests/.
python3 "$root/platform/web/serve.py" "$page" --port 0 --also "e2e=$root/tests/e2e" \
  --also "web-tests=$root/tests/web" >"$scratch/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q '^serving' "$scratch/server.log" && break; sleep 0.1; done
base=$(sed -n 's/^serving //p' "$scratch/server.log")
[ -n "$base" ] || { echo "page tests: the server did not start:"; cat "$scratch/server.log"; exit 1; }

# The native program: the digests headless, the picture in a window. SDL's dummy driver writes every
# frame it shows into the working folder (the folder --data-dir names, data/ linked into it); all
# but the newest two are removed as they come, as each is a whole frame.
# Its own runtime and temporary folders: the single-instance lock and the replay's scratch folder are
# not shared with a game the user may be playing meanwhile.
mkdir -p "$scratch/native/game" "$scratch/native/user" "$scratch/runtime" "$scratch/tmp"
chmod 700 "$scratch/runtime" "$scratch/tmp"
export XDG_RUNTIME_DIR=$scratch/runtime TMPDIR=$scratch/tmp
ln -s "$native/data" "$scratch/native/game/data"
"$native/velmoran" --headless --input "$script" --frames "$frames" --digest "$scratch/native.digest" \
  >"$scratch/native.log" 2>&1
(cd "$scratch/native" && SDL_VIDEODRIVER=dummy SDL_VIDEO_DUMMY_SAVE_FRAMES=1 SDL_AUDIODRIVER=dummy \
  "$native/velmoran" --window --input "$script" --frames "$frames" --data-dir game --user-dir user \
  --digest "$scratch/window.digest" >>"$scratch/native.log" 2>&1) &
window=$!
while kill -0 "$window" 2>/dev/null; do
  find "$scratch/native/game" -maxdepth 1 -name 'SDL_window*.bmp' | sort | head -n -2 | xargs -r rm -f
  sleep 0.5
done
wait "$window"
frame=$(find "$scratch/native/game" -maxdepth 1 -name 'SDL_window*.bmp' | sort | tail -n1)

node "$root/tests/web/page_driver.js" "$base/index.html?input=e2e/$(basename "$script")&frames=$frames" \
  --pixels "$scratch/canvas" --timeout 120000 >"$scratch/page.log" 2>&1
want=$(tail -n1 "$scratch/native.digest")
got=$(sed -n 's/^console: VELMORAN-DIGEST //p' "$scratch/page.log")
{ echo "native headless: $want exit 0"; echo "native window:   $(tail -n1 "$scratch/window.digest")";
  echo "page:            ${got:-none}"; cat "$scratch/page.log" "$scratch/native.log"; } >"$scratch/digest.report"
[ "$got" = "$want exit 0" ] && [ "$(tail -n1 "$scratch/window.digest")" = "$want" ]
result digest $? "$scratch/digest.report"

# The same script in Debian's Firefox, headless: the page's console goes to its standard output.
mkdir -p "$scratch/firefox"
echo 'user_pref("devtools.console.stdout.content", true);' >"$scratch/firefox/user.js"
timeout 120 firefox-esr --headless --no-remote --profile "$scratch/firefox" \
  "$base/web-tests/firefox_start.html?input=e2e/$(basename "$script")&frames=$frames" >"$scratch/firefox.log" 2>&1
got=$(sed -n 's/^console.log: "VELMORAN-DIGEST \(.*\)"$/\1/p' "$scratch/firefox.log" | head -n1)
{ echo "native headless: $want exit 0"; echo "firefox:         ${got:-none}"; cat "$scratch/firefox.log"; } \
  >"$scratch/firefox.report"
[ "$got" = "$want exit 0" ]
result firefox $? "$scratch/firefox.report"
if [ -n "$frame" ] && [ -f "$scratch/canvas" ]; then
  node "$root/tests/web/compare_picture.js" "$scratch/canvas" "$frame" >"$scratch/picture.report" 2>&1
  result picture $? "$scratch/picture.report"
else
  echo "no picture from the page or the native window" >"$scratch/picture.report"
  result picture 1 "$scratch/picture.report"
fi

# The player's folder lives in the browser's storage: a game that changes a setting (M mutes) and
# ends (Escape on the title) leaves settings.ini and the records, which a reload of the page in the
# same profile finds again.
mkdir -p "$scratch/profile"
node "$root/tests/web/page_driver.js" "$base/index.html" --user-data "$scratch/profile" --press KeyM,Escape \
  --wait VELMORAN-STORED --timeout 60000 >"$scratch/store.log" 2>&1
node "$root/tests/web/page_driver.js" "$base/index.html" --user-data "$scratch/profile" --no-click \
  --wait VELMORAN-READY --timeout 60000 --eval "[FS.readFile('/player/settings.ini', { encoding: 'utf8' }),
    FS.readdir('/player/Option').join(' ')].join('|')" >>"$scratch/store.log" 2>&1
grep -q '^eval: .*mute = yes.*|.*savess\.dat' "$scratch/store.log"
result storage $? "$scratch/store.log"

# Watching a replay: a file the player chooses plays to its end (Escape on the title: exit 0) in a
# scratch folder, and leaves no file in the player's folder.
node "$root/tests/web/page_driver.js" "$base/index.html" --watch "$root/tests/e2e/escape_on_title.input" \
  --wait VELMORAN-STORED --timeout 60000 --eval "(function files(d) {
    return FS.readdir(d).filter((n) => n !== '.' && n !== '..').flatMap((n) =>
      FS.isDir(FS.stat(d + '/' + n).mode) ? files(d + '/' + n) : [d + '/' + n]); })('/player').join(' ')" \
  >"$scratch/watch.log" 2>&1
grep -qx 'console: VELMORAN-EXIT 0' "$scratch/watch.log" && grep -qx 'eval: ""' "$scratch/watch.log"
result watch $? "$scratch/watch.log"

# A game of the player's own, played by the script's hands (play=) up to just past the frame that saves
# its high score (240 at frame 2619) and ended there: the records go to the browser's storage, the
# replay the page downloads verifies natively, and a reload finds the high score.
mkdir -p "$scratch/hs-profile" "$scratch/downloads"
node "$root/tests/web/page_driver.js" "$base/index.html?play=e2e/$(basename "$script")&frames=2700" \
  --user-data "$scratch/hs-profile" --downloads "$scratch/downloads" --timeout 150000 \
  --steps '[{"until": "VELMORAN-STORED"}, {"download": "#replay"}]' >"$scratch/high.log" 2>&1
node "$root/tests/web/page_driver.js" "$base/index.html" --user-data "$scratch/hs-profile" --no-click \
  --wait VELMORAN-READY --timeout 60000 --eval "FS.readFile('/player/Option/score.dat', { encoding: 'utf8' })" \
  >>"$scratch/high.log" 2>&1
grep -qx 'console: VELMORAN-EXIT 0' "$scratch/high.log" && grep -qx 'eval: "240\\r\\n"' "$scratch/high.log"
result high_score_kept $? "$scratch/high.log"
downloaded=$(sed -n 's/^download: \(\/.*\)/\1/p' "$scratch/high.log")
if [ -n "$downloaded" ] && [ -f "$downloaded" ]; then
  # The same game as the script played natively: the close at frame 2700 waits for the results screen.
  "$native/velmoran" --headless --input "$script" --frames 2700 --digest "$scratch/high.digest" >/dev/null 2>&1
  "$native/velmoran" --verify "$downloaded" >"$scratch/verify.log" 2>&1
  status=$?
  { echo "native headless: $(tail -n1 "$scratch/high.digest")"; cat "$scratch/high.log"; } >>"$scratch/verify.log"
  [ "$status" = 0 ] && grep -qx 'highScore 240' "$scratch/verify.log" &&
    grep -qx "digest $(tail -n1 "$scratch/high.digest" | cut -d' ' -f2)" "$scratch/verify.log"
  result replay_verifies $? "$scratch/verify.log"
else
  result replay_verifies 1 "$scratch/high.log"
fi

# A hidden tab (another one brought to the front) pauses the game: the state digests it writes after
# every frame stop coming while it is hidden and come again once it is back. The digests reach the file
# a buffer at a time, so each wait spans several buffers' worth of frames.
size="FS.stat('/tmp/play.digest').size"
read -r -d '' steps <<STEPS
[{"wait": 3000}, {"hidden": true}, {"wait": 1000}, {"eval": "document.visibilityState + ' ' + $size"},
 {"wait": 3000}, {"eval": "document.visibilityState + ' ' + $size"}, {"hidden": false}, {"wait": 3000},
 {"eval": "document.visibilityState + ' ' + $size"}]
STEPS
node "$root/tests/web/page_driver.js" "$base/index.html?digest=1" --timeout 60000 --steps "$steps" \
  >"$scratch/hidden.log" 2>&1
mapfile -t seen < <(sed -n 's/^step: "\(.*\)"$/\1/p' "$scratch/hidden.log")
echo "hidden, still hidden, back: ${seen[*]}" >>"$scratch/hidden.log"
[ "${#seen[@]}" = 3 ] && [ "${seen[0]% *}" = hidden ] && [ "${seen[0]}" = "${seen[1]}" ] &&
  [ "${seen[2]% *}" = visible ] && [ "${seen[2]#* }" -gt "${seen[1]#* }" ]
result hidden_pauses $? "$scratch/hidden.log"

# Touch: a tap on START on the title (SDL's touch-as-mouse in the menus) starts a game; in the stage
# a finger dragged to the right moves the pointer the game reads as the mouse would, without firing,
# and a tap fires. The recording so far (its .part- file, written up to its last digest) holds what the
# game read.
recorded="FS.readdir('/tmp').filter((n) => n.startsWith('session.rec')).map((n) => FS.readFile('/tmp/' + n, { encoding: 'utf8' })).join()"
read -r -d '' steps <<STEPS
[{"wait": 2000}, {"tap": [200, 264]}, {"wait": 3000}, {"eval": "$recorded"},
 {"drag": [320, 300, 420, 300]}, {"wait": 700}, {"tap": [320, 300]}, {"wait": 2500}, {"eval": "$recorded"}]
STEPS
node "$root/tests/web/page_driver.js" "$base/index.html" --timeout 60000 --steps "$steps" >"$scratch/touch.log" 2>&1
node - "$scratch/touch.log" >>"$scratch/touch.log" 2>&1 <<'CHECK'
// What the game read after the first look (the game under way, re-centring the pointer at x 240 every
// frame): a pointer right of the centre (the drag), and one press of the left button after it (the
// tap), none during the drag.
const steps = require('fs').readFileSync(process.argv[2], 'utf8').split('\n').filter((l) => l.startsWith('step: '));
const [before, after] = steps.map((l) => JSON.parse(l.slice(6)));
const lines = after.startsWith(before) ? after.slice(before.length).split('\n') : [];
const frame = (l) => +l.split(' ')[0];
const moved = lines.find((l) => / move \d+ /.test(l) && +l.split(' ')[2] >= 245);
const presses = lines.filter((l) => / button left down$/.test(l));
console.log('touch: the drag read as ' + (moved || 'nothing') + '; presses after it began: ' + presses.join(', '));
process.exit(moved && presses.length === 1 && frame(presses[0]) > frame(moved) ? 0 : 1);
CHECK
result touch $? "$scratch/touch.log"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
