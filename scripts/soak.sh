#!/usr/bin/env bash
# Soak: a 100,000-frame headless autopilot game under AddressSanitizer and UndefinedBehaviorSanitizer
# (build in build-asan/), printing the resident memory every 10,000 frames; it should stay flat after
# frame 10,000. Slow (tens of minutes on a busy machine), so not part of the test command.
# Usage: scripts/soak.sh [FRAMES] [BUILD_DIR]   (BUILD_DIR holds the generated data, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-100000}
build=${2:-$root/build}
dir=$root/build-asan
[ -d "$build/data" ] || { echo "soak: $build/data is missing; build the game first" >&2; exit 2; }
# The test command's sanitizer build (the "asan" preset), so that the two never reconfigure each other.
[ -f "$dir/build.ninja" ] || cmake -S "$root" --preset asan -B "$dir" -DVELMORAN_DATA_DIR="$build/data" >/dev/null
nice cmake --build "$dir" -j2 --target velmoran >/dev/null
ln -sfn "$build/data" "$dir/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$dir/velmoran" "$work/velmoran"; ln -s "$build/data" "$work/data"; mkdir -p "$work/Option" "$work/ScreenShots"
# Sampled by time; the frame is the one the --digest file has reached.
nice -n 19 "$work/velmoran" --headless --nosound --autoplay --frames "$frames" --digest "$work/digest" \
  --summary "$work/summary" >"$work/stages" 2>"$work/errors" &
pid=$!
while kill -0 "$pid" 2>/dev/null; do
  sleep 10
  frame=$(tail -n 2 "$work/digest" 2>/dev/null | head -n 1 | cut -d' ' -f1)  # the last whole line
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "frame ${frame:-0}: resident ${rss} kB"
done
wait "$pid"; rc=$?
cat "$work/summary"; cat "$work/errors"
[ "$rc" = 0 ] || { echo "soak: exit $rc"; exit 1; }
