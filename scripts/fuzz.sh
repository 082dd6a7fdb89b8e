#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for SECONDS (default 20). Longer hunts: scripts/fuzz.sh 3600, or one target: scripts/fuzz.sh 600 fuzz_bmp
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
only=${2:-}
[ "$seconds" = 0 ] && { echo "fuzzing skipped"; exit 0; }
ls "$root"/fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "no fuzz targets"; exit 0; }
fbuild=${VELMORAN_FUZZ_BUILD_DIR:-$root/build-fuzz}
if [ ! -f "$fbuild/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$fbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORAN_FUZZ=ON >/dev/null
fi
cmake --build "$fbuild" -- -j"$(nproc)" >/dev/null
# A small quarantine keeps the sanitizer's memory near what the decoders really use.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
status=0
for src in "$root"/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  [ -n "$only" ] && [ "$only" != "$name" ] && continue
  corpus="$fbuild/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$root/fuzz/seeds/$name" ] && seeds+=("$root/fuzz/seeds/$name")
  if [ -f "$root/fuzz/seeds/$name.dirs" ]; then
    while IFS= read -r d; do [ -n "$d" ] && [ -d "$root/$d" ] && seeds+=("$root/$d"); done < "$root/fuzz/seeds/$name.dirs"
  fi
  if "$fbuild/fuzz/$name" -max_total_time="$seconds" -print_final_stats=0 -rss_limit_mb=4096 -malloc_limit_mb=1024 \
       -artifact_prefix="$fbuild/$name-" "$corpus" "${seeds[@]}" >"$fbuild/$name.log" 2>&1; then
    echo "fuzz $name: ${seconds}s, no crash ($(grep -o 'cov: [0-9]*' "$fbuild/$name.log" | tail -n1))"
  else
    echo "fuzz $name: FAILED"; tail -n 40 "$fbuild/$name.log"; status=1
  fi
done
exit $status
