#!/usr/bin/env bash
# Installs what is missing, configures and builds: the game, its data and tools; with "test" also
# the tests and benchmarks. Usage: scripts/build.sh [play|test]   Build folder: build/ (or VELMORAN_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMORAN_BUILD_DIR:-$root/build}
mode=${1:-play}
"$root/scripts/install-deps.sh" "$mode"
# The test command builds with warnings as errors: a warning is a finding like any other.
if [ ! -f "$build/build.ninja" ]; then
  tests=OFF; [ "$mode" = test ] && tests=ON
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORAN_TESTS=$tests -DVELMORAN_BENCH=$tests \
    -DVELMORAN_WERROR=$tests >/dev/null
elif [ "$mode" = test ] && ! grep -q '^VELMORAN_WERROR:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake "$build" -DVELMORAN_TESTS=ON -DVELMORAN_BENCH=ON -DVELMORAN_WERROR=ON >/dev/null
fi
cmake --build "$build" -- -j"$(nproc)"
