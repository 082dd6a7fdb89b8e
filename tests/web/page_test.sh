#!/usr/bin/env bash
# The page in a real browser: Debian's chromium, headless, loads the page from a server of its own
# on 127.0.0.1, clicks START, plays an input script, and prints the last frame's digest; the canvas
# is read back at 640 x 480. Both must equal the native program's on the same script: the digest
# its headless run writes, and the picture its window (SDL's dummy driver, which saves each frame
# it shows) showed last. Then a game's settings and records must outlive a reload of the page, and
# a replay the player watches must leave the player's folder as it was.
# Usage: tests/web/page_test.sh [BUILD_PAGE] [NATIVE_BUILD]   (default build-page and build)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
page=${1:-${VELMORAN_PAGE_BUILD_DIR:-$root/build-page}}
native=${2:-${VELMORAN_BUILD_DIR:-$root/build}}
script=$root/tests/e2e/played_game.input
frames=${PAGE_TEST_FRAMES:-400}
for need in "$page/game.js" "$native/velmoran" /usr/bin/chromium; do
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

# The server, on a free port; the e2e scripts are served under /e2e/.
python3 "$root/platform/web/serve.py" "$page" --port 0 --also "e2e=$root/tests/e2e" >"$scratch/server.log" 2>&1 &
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

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
