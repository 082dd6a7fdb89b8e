#!/usr/bin/env bash
# The wasm headless program against the native one: frames per second of a --verify replay of the
# longest golden game (autopilot_loop1, 30,000 frames), the median of RUNS runs each (default 3), and
# the size of the wasm build (velmoran.js holds the wasm inside it), plain and gzip -9.
# Usage: bench/bench_web.sh [REC]   (after scripts/build.sh and scripts/build-web.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=${VELMORAN_BUILD_DIR:-$root/build}
web=${VELMORAN_WEB_BUILD_DIR:-$root/build-web}
rec=${1:-$root/tests/e2e/goldens/autopilot_loop1.rec}
runs=${RUNS:-3}
frames=$(sed -n 's/^frames //p' "${rec%.rec}.expect")
[ -n "$frames" ] || { echo "bench_web: no frame count in ${rec%.rec}.expect" >&2; exit 1; }

# Median wall time in milliseconds of `runs` runs of the command.
median_ms() {
  local times=() t0
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "bench_web: $* failed" >&2; exit 1; }
    times+=($((($(date +%s%N) - t0) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}
native_ms=$(median_ms "$native/velmoran" --verify "$rec")
web_ms=$(median_ms node "$web/velmoran.js" --verify "$rec" --data-dir "$web")
echo "bench_web: $(basename "$rec") $frames frames, median of $runs"
echo "bench_web: native $native_ms ms = $((frames * 1000 / native_ms)) frames/s"
echo "bench_web: wasm   $web_ms ms = $((frames * 1000 / web_ms)) frames/s (node $(node --version)), $((web_ms * 100 / native_ms))% of native's time"
for f in "$web/velmoran.js" "$web/velmoran.worker.js"; do
  echo "bench_web: $(basename "$f") $(stat -c %s "$f") bytes, gzip -9 $(gzip -9c "$f" | wc -c) bytes"
done
