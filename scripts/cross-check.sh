#!/usr/bin/env bash
# Exactness across builds: builds the game with gcc and clang at -O0 and -O2 (program only, in
# build-cross/<compiler>-<level>) and verifies every golden game in tests/e2e/goldens with each.
# The test command itself checks gcc -O2 against clang -O2 on every run; this adds -O0.
# Usage: scripts/cross-check.sh [BUILD_DIR]   (BUILD_DIR holds the generated data, default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ -d "$build/data" ] || { echo "cross-check: $build/data is missing; build the game first" >&2; exit 2; }
status=0
for cc in gcc clang; do
  for level in O0 O2; do
    dir=$root/build-cross/$cc-$level
    if [ $cc = gcc ]; then cxx=g++; c=gcc; else cxx=clang++; c=clang; fi
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-$level" \
      -DCMAKE_C_COMPILER=$c -DCMAKE_CXX_COMPILER=$cxx -DVELMORAN_TESTS=OFF -DVELMORAN_BENCH=OFF >/dev/null
    nice cmake --build "$dir" -j2 --target velmoran >/dev/null
    ln -sfn "$build/data" "$dir/data"
    for rec in "$root"/tests/e2e/goldens/*.rec; do
      if bash "$root/tests/e2e/verify.sh" "$dir/velmoran" "$rec" >"$dir/verify.log" 2>&1; then
        echo "$cc -$level $(basename "$rec"): same"
      else
        echo "$cc -$level $(basename "$rec"): DIFFERS"; cat "$dir/verify.log"; status=1
      fi
    done
  done
done
exit $status
